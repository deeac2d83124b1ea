#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>
#include <functional>

// What a command wrote to its two streams, and the status it returned.
struct CapturedRun {
    int status = 0;
    QString out;
    QString err;
};

// Runs `body` with an output and an error stream and keeps what it wrote to each.
CapturedRun captureRun(const std::function<int(QTextStream& out, QTextStream& err)>& body);

// A command of ordano-cli (see cli/Commands.h), run with `args`.
using CliCommand = int (*)(const QStringList& args, QTextStream& out, QTextStream& err);
CapturedRun runCommand(CliCommand command, const QStringList& args);
