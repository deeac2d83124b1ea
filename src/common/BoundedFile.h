#pragma once

#include <QByteArray>
#include <QString>

// Reading a whole file that a user could have replaced by anything (a FIFO, a device, a file of
// gigabytes): only regular files, and only up to a size far above what the system itself ever
// writes there.
namespace BoundedFile {

struct Limit {
    qint64 bytes;
    const char* holder; // "a configuration": what the file holds, for the message
};

// ParGen.xml and M_Bus.xml: the editor writes a few hundred kilobytes at most.
inline constexpr Limit ConfigFile{32 * 1024 * 1024, "a configuration"};
// A language file of 1000 texts is well below 1 MB in any encoding.
inline constexpr Limit LanguageFile{8 * 1024 * 1024, "a language file"};
// Ordano.xml holds seven short values.
inline constexpr Limit SettingsFile{1024 * 1024, "the settings file"};

// "<name>: <size> bytes is far more than <holder> can hold".
QString tooLarge(const QString& fileName, qint64 size, const Limit& limit);

struct Result {
    QByteArray bytes;
    QString error;  // empty on success; else what was refused or failed, with the file's name
    QString reason; // the same without the name, for messages that name the file their way
    bool ok() const { return error.isEmpty(); }
};

// Reads a regular file whole. Anything else (a folder, a FIFO, a device) is refused without
// waiting for it; so is a file beyond the limit, also one that grows while it is read.
Result read(const QString& path, const Limit& limit);

} // namespace BoundedFile
