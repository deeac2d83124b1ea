#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Clock;
class ProcessLauncher;

// Starts an external program and waits for its end on the calling thread, for at most
// `limitMs` (150 000 ms) in steps of 10 ms; the end cuts a step short. Window events are
// dispatched only when the caller watches the wait (`run` with a watcher).
class ProgramStarter {
public:
    static constexpr qint64 DefaultLimitMs = 150000;
    static constexpr int PollMs = 10;

    // A path of this system in the form a started program understands.
    using PathForm = std::function<QString(const QString& path)>;

    // `winePath`: the wine program that runs Windows executables on this system, empty when
    // there is none. Use `findWine()` for the real one.
    ProgramStarter(ProcessLauncher& launcher, Clock& clock, QString winePath,
                   qint64 limitMs = DefaultLimitMs);

    static QString findWine();

    enum class Outcome {
        Ended,       // the program ran and ended
        LeftRunning, // the wait gave up at the limit; the program goes on
        Missing,     // there is no such program file
        NotStarted,  // the file is there, but the system could not start it
    };

    // `windowMode` 0 shows the started program's window normally; any other value starts it hidden.
    // The program runs in its own folder, where it keeps its files. A program that is missing
    // or cannot be started makes it return at once.
    Outcome startProgram(const QString& program, const QString& commandLine, int windowMode);
    // The same with the arguments already apart: each reaches the program as it stands.
    Outcome startProgram(const QString& program, const QStringList& arguments, int windowMode);

    // Called at every step with the time waited so far; window events are dispatched around it.
    using Watcher = std::function<void(qint64 elapsedMs)>;
    struct Run {
        Outcome outcome = Outcome::Missing;
        std::optional<int> exitCode; // when Ended: the exit code, nullopt when there was none
        qint64 elapsedMs = 0;
    };
    // startProgram, telling how the program ended.
    Run run(const QString& program, const QString& commandLine, int windowMode,
            const Watcher& watcher = {});
    Run run(const QString& program, const QStringList& arguments, int windowMode,
            const Watcher& watcher = {});

    qint64 limitMs() const { return limitMs_; }

    // The program and arguments that startProgram hands to the launcher.
    struct Command {
        QString program;
        QStringList arguments;
    };
    Command commandFor(const QString& program, const QString& commandLine) const;
    Command commandFor(const QString& program, const QStringList& arguments) const;

    // Whether program is a Windows program that runs through wine here.
    bool runsThroughWine(const QString& program) const;
    // Whether program would need wine on this system, and there is none.
    bool lacksWine(const QString& program) const;

    // `path` as program must be given it: the platform's separators, or the drive form wine
    // maps when program runs through wine.
    QString pathFor(const QString& program, const QString& path) const;

    // Replaces how paths are put in wine's form (the prefix's drive links by default).
    void setWinePathForm(PathForm form) { winePathForm_ = std::move(form); }

private:
    ProcessLauncher& launcher_;
    Clock& clock_;
    QString winePath_;
    qint64 limitMs_;
    PathForm winePathForm_;
};
