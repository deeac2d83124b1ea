#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class Clock;

// A program started by the system; the system only ever asks whether it has ended.
class LaunchedProcess {
public:
    virtual ~LaunchedProcess() = default;
    virtual bool hasExited() = 0;
    // Waits at most `ms` for the end, returning as soon as it comes; says whether it came.
    // With `dispatching`, window events are handled meanwhile. A program that cannot tell of
    // its end pauses on `clock` and asks.
    virtual bool waitForEnd(Clock& clock, int ms, bool dispatching);
    // Once it has exited: its exit code, or nullopt when it ended without one (killed,
    // crashed) or the platform cannot tell.
    virtual std::optional<int> exitCode() { return std::nullopt; }
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Null when the program cannot be started. `shown` asks for a normal window where the
    // platform has such a choice.
    virtual std::unique_ptr<LaunchedProcess> start(const QString& program,
                                                   const QStringList& arguments, bool shown) = 0;
    // The same, with `workingDirectory` as the program's working directory. A launcher without
    // that choice starts the program where the system runs.
    virtual std::unique_ptr<LaunchedProcess> startIn(const QString& program,
                                                     const QStringList& arguments, bool shown,
                                                     const QString& workingDirectory) {
        Q_UNUSED(workingDirectory);
        return start(program, arguments, shown);
    }
};

// Starts programs as children, to learn how they ended, but never stops one: a program still
// running after the wait keeps running when the configurator goes on or closes.
class SystemProcessLauncher final : public ProcessLauncher {
public:
    std::unique_ptr<LaunchedProcess> start(const QString& program, const QStringList& arguments,
                                           bool shown) override;
    std::unique_ptr<LaunchedProcess> startIn(const QString& program, const QStringList& arguments,
                                             bool shown, const QString& workingDirectory) override;
};
