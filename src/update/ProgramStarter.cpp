#include "update/ProgramStarter.h"

#include "platform/Clock.h"
#include "platform/ProcessLauncher.h"

#include <QProcess>
#include <QStandardPaths>

ProgramStarter::ProgramStarter(ProcessLauncher& launcher, Clock& clock, QString winePath,
                               qint64 limitMs)
    : launcher_(launcher), clock_(clock), winePath_(std::move(winePath)), limitMs_(limitMs) {}

QString ProgramStarter::findWine() {
#ifdef Q_OS_WIN
    return {};
#else
    return QStandardPaths::findExecutable(QStringLiteral("wine"));
#endif
}

ProgramStarter::Command ProgramStarter::commandFor(const QString& NomeSW,
                                                   const QString& Parameter) const {
    // Split as a shell would: double quotes group, backslashes stay (they are Windows paths).
    Command command{NomeSW, QProcess::splitCommand(Parameter)};
    if (!winePath_.isEmpty() && NomeSW.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) {
        command.arguments.prepend(NomeSW);
        command.program = winePath_;
    }
    return command;
}

void ProgramStarter::Start_Program(const QString& NomeSW, const QString& Parameter, int tipo) {
    const Command command = commandFor(NomeSW, Parameter);
    auto process = launcher_.start(command.program, command.arguments, tipo == 0);
    if (!process)
        return;
    const qint64 start = clock_.ticks();
    for (;;) {
        if (process->hasExited()) {
            clock_.sleep(PollMs);
            return;
        }
        if (clock_.ticks() - start >= limitMs_)
            return;
        clock_.sleep(PollMs);
    }
}
