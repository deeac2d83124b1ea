#pragma once

#include <QStringList>
#include <QTextStream>

// The commands of ordano-cli. `args` holds the words after the command's name. Each returns
// the process exit status and writes only to the two streams it is given.
namespace Cli {

int exportLanguage(const QStringList& args, QTextStream& out, QTextStream& err);
int check(const QStringList& args, QTextStream& out, QTextStream& err);
int compile(const QStringList& args, QTextStream& out, QTextStream& err);
int dump(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace Cli
