#pragma once

#include <QString>
#include <QStringList>

class Clock;
class ProcessLauncher;

// Starts an external program and waits for its end on the calling thread, polling every
// 10 ms for at most `limitMs` (150 000 ms). No window events are dispatched meanwhile.
class ProgramStarter {
public:
    static constexpr qint64 DefaultLimitMs = 150000;
    static constexpr int PollMs = 10;

    // `winePath`: the wine program that runs Windows executables on this system, empty when
    // there is none. Use `findWine()` for the real one.
    ProgramStarter(ProcessLauncher& launcher, Clock& clock, QString winePath,
                   qint64 limitMs = DefaultLimitMs);

    static QString findWine();

    // `tipo` 0 shows the started program's window normally; any other value starts it hidden.
    // A program that cannot be started makes it return at once, silently.
    void Start_Program(const QString& NomeSW, const QString& Parameter, int tipo);

    // The program and arguments that Start_Program hands to the launcher.
    struct Command {
        QString program;
        QStringList arguments;
    };
    Command commandFor(const QString& NomeSW, const QString& Parameter) const;

private:
    ProcessLauncher& launcher_;
    Clock& clock_;
    QString winePath_;
    qint64 limitMs_;
};
