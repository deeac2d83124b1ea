#pragma once

#include "common/Workspace.h"
#include "core/lang/LanguageTable.h"

#include <QStringList>
#include <QTextStream>
#include <optional>

// The commands of ordano-cli. `args` holds the words after the command's name. Each returns
// the process exit status and writes only to the two streams it is given.
namespace Cli {

int exportLanguage(const QStringList& args, QTextStream& out, QTextStream& err);
int check(const QStringList& args, QTextStream& out, QTextStream& err);
int compile(const QStringList& args, QTextStream& out, QTextStream& err);
int dump(const QStringList& args, QTextStream& out, QTextStream& err);
int exportCsv(const QStringList& args, QTextStream& out, QTextStream& err);
int importCsv(const QStringList& args, QTextStream& out, QTextStream& err);
int report(const QStringList& args, QTextStream& out, QTextStream& err);
int readSources(const QStringList& args, QTextStream& out, QTextStream& err);
int gateway(const QStringList& args, QTextStream& out, QTextStream& err);
int scan(const QStringList& args, QTextStream& out, QTextStream& err);
int mbusRead(const QStringList& args, QTextStream& out, QTextStream& err);
int mbusScan(const QStringList& args, QTextStream& out, QTextStream& err);
int diff(const QStringList& args, QTextStream& out, QTextStream& err);
int history(const QStringList& args, QTextStream& out, QTextStream& err);

// The version and the workspace the configurator in the same folder would use (`defaults`
// gives its program folder and the user's data folder); `args` may name one with --workspace.
int version(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
            QTextStream& err);

// The language folders that come with the program: beside it, then the installed data folder.
QStringList shippedLanguageFolders();
// Removes "--language NAME" from `args` and loads that language (English when absent); nullopt
// when the option lacks its name or the language cannot be loaded (said on `err`).
std::optional<LanguageTable> takeLanguage(QStringList& args, QTextStream& err, const char* command);
// Meter templates of a workspace (--workspace DIR, else the one the configurator beside it
// uses, as `defaults` gives it): list, save, apply, export, import. Exit 1 on a refusal, 2 on
// a usage error.
int templates(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
              QTextStream& err);

// Whether a command line needs a QGuiApplication (PDF printing) instead of a core one.
bool needsGui(const QStringList& args);

} // namespace Cli
