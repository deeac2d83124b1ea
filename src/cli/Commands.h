#pragma once

#include "common/Workspace.h"

#include <QStringList>
#include <QTextStream>

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
int diff(const QStringList& args, QTextStream& out, QTextStream& err);
int history(const QStringList& args, QTextStream& out, QTextStream& err);

// The version and the workspace the configurator in the same folder would use (`defaults`
// gives its program folder and the user's data folder); `args` may name one with --workspace.
int version(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
            QTextStream& err);

// Meter templates of a workspace (--workspace DIR, else the one the configurator beside it
// uses, as `defaults` gives it): list, save, apply, export, import. Exit 1 on a refusal, 2 on
// a usage error.
int templates(const QStringList& args, const Workspace::Request& defaults, QTextStream& out,
              QTextStream& err);

// Whether a command line needs a QGuiApplication (PDF printing) instead of a core one.
bool needsGui(const QStringList& args);

} // namespace Cli
