#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>

// Ways to make a write fail on purpose, without root, and to see what a failed write left.

// Everything under `root`, recursively, each entry with its kind, mode and bytes; links are
// listed with their target, never followed. Two equal listings mean nothing was touched.
QStringList folderListing(const QString& root);

// Makes a folder refuse new files: by its mode, and for root (whom the mode does not stop) by
// the file system's immutable flag. Undone on destruction.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
    // False where neither trick works (a file system without the flag, as root).
    bool refusesNewFiles() const;

private:
    QString path_;
    QFile::Permissions permissions_;
    bool immutable_ = false;
};

// What a write run in a child process returned.
struct ChildResult {
    bool exited = false; // else it died of a signal
    int status = 0;
    QString text;
};

// Runs `body` in a child process whose files may not grow beyond `maxBytes` (RLIMIT_FSIZE,
// with SIGXFSZ ignored, so a write past the limit fails with EFBIG part-way). `body` returns a
// status and a text, handed back to the parent.
ChildResult runWithFileSizeLimit(long maxBytes, const std::function<int(QString& text)>& body);

// Makes a FIFO at `path`; true on success.
bool makeFifo(const QString& path);
