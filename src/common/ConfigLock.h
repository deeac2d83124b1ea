#pragma once

#include <QString>

// One writer per configuration. Every read-change-write of a configuration's files holds the
// lock file ".ordano.lock" in its folder (never one of the files the writers replace). Another
// process that wants it waits a short while, then is refused with a text that names the holder
// (program and process, from the lock file). A lock whose process is gone is taken over.
//
// Within one process the lock is shared: a command and the save it calls nest on the same
// folder, and the file goes when the outermost holder lets go.
class ConfigLock {
public:
    static constexpr int DefaultWaitMs = 3000;
    static constexpr const char* FileName = ".ordano.lock";

    // Takes the lock of `folder`. A folder that does not exist, or one that takes no new file,
    // cannot be written either: the write that follows says why, so that is no lock failure.
    explicit ConfigLock(const QString& folder, int waitMs = DefaultWaitMs);
    ~ConfigLock();
    ConfigLock(const ConfigLock&) = delete;
    ConfigLock& operator=(const ConfigLock&) = delete;

    bool ok() const { return error_.isEmpty(); }
    // "process N", with " on HOST" when `host` is another machine: where a holder runs, as the
    // refusals of the writers say it.
    static QString holderPlace(qint64 process, const QString& host);
    // Who holds the lock, and that nothing was changed; empty when the lock is held here.
    const QString& error() const { return error_; }

private:
    QString key_;
    QString error_;
};
