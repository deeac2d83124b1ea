#include "core/update/ProgramStarter.h"

#include "core/platform/Clock.h"
#include "core/platform/ProcessLauncher.h"
#include "core/platform/WinePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool isWindowsProgram(const QString& NomeSW) {
    return NomeSW.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
}

} // namespace

ProgramStarter::ProgramStarter(ProcessLauncher& launcher, Clock& clock, QString winePath,
                               qint64 limitMs)
    : launcher_(launcher), clock_(clock), winePath_(std::move(winePath)), limitMs_(limitMs),
      winePathForm_([prefix = WinePaths::prefix()](const QString& path) {
          return WinePaths::windowsPath(prefix, path);
      }) {}

QString ProgramStarter::findWine() {
#ifdef Q_OS_WIN
    return {};
#else
    return QStandardPaths::findExecutable(QStringLiteral("wine"));
#endif
}

bool ProgramStarter::runsThroughWine(const QString& NomeSW) const {
    return !winePath_.isEmpty() && isWindowsProgram(NomeSW);
}

bool ProgramStarter::lacksWine(const QString& NomeSW) const {
#ifdef Q_OS_WIN
    Q_UNUSED(NomeSW);
    return false;
#else
    return winePath_.isEmpty() && isWindowsProgram(NomeSW);
#endif
}

QString ProgramStarter::pathFor(const QString& NomeSW, const QString& path) const {
    if (runsThroughWine(NomeSW))
        return winePathForm_(path);
    return QDir::toNativeSeparators(path);
}

ProgramStarter::Command ProgramStarter::commandFor(const QString& NomeSW,
                                                   const QString& Parameter) const {
    // Split as a shell would: double quotes group, backslashes stay (they are Windows paths).
    return commandFor(NomeSW, QProcess::splitCommand(Parameter));
}

ProgramStarter::Command ProgramStarter::commandFor(const QString& NomeSW,
                                                   const QStringList& arguments) const {
    Command command{NomeSW, arguments};
    if (runsThroughWine(NomeSW)) {
        command.arguments.prepend(NomeSW);
        command.program = winePath_;
    }
    return command;
}

ProgramStarter::Outcome ProgramStarter::Start_Program(const QString& NomeSW,
                                                      const QString& Parameter, int tipo) {
    return Start_Program(NomeSW, QProcess::splitCommand(Parameter), tipo);
}

ProgramStarter::Outcome ProgramStarter::Start_Program(const QString& NomeSW,
                                                      const QStringList& arguments, int tipo) {
    return run(NomeSW, arguments, tipo).outcome;
}

ProgramStarter::Run ProgramStarter::run(const QString& NomeSW, const QString& Parameter, int tipo,
                                        const Watcher& watcher) {
    return run(NomeSW, QProcess::splitCommand(Parameter), tipo, watcher);
}

ProgramStarter::Run ProgramStarter::run(const QString& NomeSW, const QStringList& arguments,
                                        int tipo, const Watcher& watcher) {
    // Wine would start even for a missing program and only then complain where nobody looks.
    const QFileInfo file(NomeSW);
    if (!file.isFile())
        return {Outcome::Missing, std::nullopt, 0};
    const Command command = commandFor(NomeSW, arguments);
    auto process =
        launcher_.startIn(command.program, command.arguments, tipo == 0, file.absolutePath());
    if (!process)
        return {Outcome::NotStarted, std::nullopt, 0};
    const qint64 start = clock_.ticks();
    const bool dispatching = bool(watcher);
    for (;;) {
        if (process->hasExited()) {
            const std::optional<int> code = process->exitCode();
            const qint64 elapsed = clock_.ticks() - start;
            if (dispatching) {
                watcher(elapsed);
                clock_.sleepDispatching(PollMs);
            } else {
                clock_.sleep(PollMs);
            }
            return {Outcome::Ended, code, elapsed};
        }
        const qint64 elapsed = clock_.ticks() - start;
        if (elapsed >= limitMs_)
            return {Outcome::LeftRunning, std::nullopt, elapsed};
        if (dispatching)
            watcher(elapsed);
        // Returns early when the program ends within the grain.
        process->waitForEnd(clock_, PollMs, dispatching);
    }
}
