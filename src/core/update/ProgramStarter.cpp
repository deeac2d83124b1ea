#include "core/update/ProgramStarter.h"

#include "core/platform/Clock.h"
#include "core/platform/ProcessLauncher.h"
#include "core/platform/WinePaths.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {

bool isWindowsProgram(const QString& program) {
    return program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive);
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

bool ProgramStarter::runsThroughWine(const QString& program) const {
    return !winePath_.isEmpty() && isWindowsProgram(program);
}

bool ProgramStarter::lacksWine(const QString& program) const {
#ifdef Q_OS_WIN
    Q_UNUSED(program);
    return false;
#else
    return winePath_.isEmpty() && isWindowsProgram(program);
#endif
}

QString ProgramStarter::pathFor(const QString& program, const QString& path) const {
    if (runsThroughWine(program))
        return winePathForm_(path);
    return QDir::toNativeSeparators(path);
}

ProgramStarter::Command ProgramStarter::commandFor(const QString& program,
                                                   const QString& commandLine) const {
    // Split as a shell would: double quotes group, backslashes stay (they are Windows paths).
    return commandFor(program, QProcess::splitCommand(commandLine));
}

ProgramStarter::Command ProgramStarter::commandFor(const QString& program,
                                                   const QStringList& arguments) const {
    Command command{program, arguments};
    if (runsThroughWine(program)) {
        command.arguments.prepend(program);
        command.program = winePath_;
    }
    return command;
}

ProgramStarter::Outcome ProgramStarter::startProgram(const QString& program,
                                                     const QString& commandLine, int windowMode) {
    return startProgram(program, QProcess::splitCommand(commandLine), windowMode);
}

ProgramStarter::Outcome ProgramStarter::startProgram(const QString& program,
                                                     const QStringList& arguments, int windowMode) {
    return run(program, arguments, windowMode).outcome;
}

ProgramStarter::Run ProgramStarter::run(const QString& program, const QString& commandLine,
                                        int windowMode, const Watcher& watcher) {
    return run(program, QProcess::splitCommand(commandLine), windowMode, watcher);
}

ProgramStarter::Run ProgramStarter::run(const QString& program, const QStringList& arguments,
                                        int windowMode, const Watcher& watcher) {
    // Wine would start even for a missing program and only then complain where nobody looks.
    const QFileInfo file(program);
    if (!file.isFile())
        return {Outcome::Missing, std::nullopt, 0};
    const Command command = commandFor(program, arguments);
    auto process =
        launcher_.startIn(command.program, command.arguments, windowMode == 0, file.absolutePath());
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
