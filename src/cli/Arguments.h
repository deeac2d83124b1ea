#pragma once

#include <QByteArray>
#include <QStringList>

namespace Cli {

// One word of the command line as a path Qt's file functions reach. Qt names files by text, and
// a name whose bytes are not valid UTF-8 has no text that leads back to the same bytes. On
// Linux such a word that names something existing is opened by its bytes and handed on as
// /proc/self/fd/N, which reaches the same file or folder; the descriptor stays open for the
// life of the process. A word that names nothing yet (an output file) keeps its bytes as
// FileName::fromBytes does, so the writer creates it under those bytes. Any other word is
// decoded as the system decodes file names.
QString argumentFromBytes(const QByteArray& word);

// The words after the program's name.
QStringList commandArguments(int argc, char* argv[]);

} // namespace Cli
