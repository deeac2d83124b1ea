#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The one way the system writes a file. The new bytes go to a temporary file beside the target,
// are checked to have reached the disk (every write and fsync), and only then replace the
// target under its name. On any failure the old file stays byte for byte, the temporary is
// removed, and the returned text names the file and the system's reason. A temporary left by a
// killed process (".NAME-XXXXXX.tmp" beside NAME) is removed by the next write of NAME.
//
// Paths may carry bytes that are not valid UTF-8 as the code units U+DC80..U+DCFF (one per
// byte, see FileName::fromBytes); they are written under those bytes.

// A file the system keeps inside its workspace (configuration files, Ordano.xml,
// Ethernet_Update.xml, the images). Refused with its path: a symbolic link (dangling or not),
// anything that is not a regular file, and a read-only file, which is the user's protection.
// Empty text on success, else what failed.
QString writeFileAtomically(const QString& path, const QByteArray& bytes);

// A file the user named (exports, reports). A symbolic link is followed, as a shell redirection
// would, and the file it leads to is replaced. Refused: an existing folder, FIFO, device or
// socket, a read-only file, and any of `reserved` (a configuration's own files), whatever name
// leads to it; a folder among `reserved` reserves everything inside it. Empty text on success,
// else what failed.
QString writeUserFile(const QString& path, const QByteArray& bytes,
                      const QStringList& reserved = {});

namespace AtomicFile {

// Why `path` may not be replaced as a workspace file; empty when it may (or does not exist).
QString workspaceRefusal(const QString& path);

// Creates `path`, which must not exist, with `bytes` on disk (written and synced), taking the
// mode of `like` when that exists. For files that the caller renames into place. Empty text on
// success, else the system's reason (without the path); on failure nothing is left.
QString writeComplete(const QString& path, const QByteArray& bytes, const QString& like = {});

// A fresh name ".TARGET-XXXXXX.tmp" for a temporary of `target` (a file name).
QString temporaryName(const QString& target);

// True for a name the writer gives its temporary files beside `target` (a file name only).
bool isTemporaryOf(const QString& fileName, const QString& target);

// Removes the temporaries of `target` (a file name) that a killed writer left in `folder`; a
// temporary that a running writer still holds is kept.
void removeStaleTemporaries(const QString& folder, const QString& target);

// The system's message for errno `error`; never a bare "Unknown error".
QString systemReason(int error);

} // namespace AtomicFile

namespace FileName {

// The bytes of a path as the system sees them (see the note above).
QByteArray toBytes(const QString& path);

// A path from the system's bytes: valid UTF-8 is decoded, every other byte kept as U+DC80+byte.
QString fromBytes(const QByteArray& bytes);

// A path for messages: native separators, a byte that is not UTF-8 shown as \xHH, and a
// descriptor path (/proc/self/fd/N) replaced by the file it stands for.
QString shown(const QString& path);

} // namespace FileName
