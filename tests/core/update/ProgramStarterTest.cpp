#include "core/update/ProgramStarter.h"
#include "core/platform/Clock.h"
#include "core/platform/ProcessLauncher.h"
#include "mock/FakeClock.h"
#include "mock/FakeProcessLauncher.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <sys/wait.h>
#endif

namespace {

// A program file for the fake launcher, which "runs" whatever it is given.
QString installedTool(const TestFolder& folder) {
    return folder.write(QStringLiteral("tool"), "a program");
}

} // namespace

TEST(ProgramStarter, WaitsForTheEndPollingEvery10ms) {
    TestFolder folder;
    FakeClock clock;
    FakeProcessLauncher launcher(clock);
    launcher.runMs = 95;
    ProgramStarter starter(launcher, clock, QString());
    const qint64 start = clock.ticks();
    EXPECT_EQ(starter.startProgram(installedTool(folder), QString(), 0),
              ProgramStarter::Outcome::Ended);
    // Ten polls until the end at 95 ms, then one more 10 ms pause.
    EXPECT_EQ(clock.ticks() - start, 110);
    EXPECT_EQ(clock.dispatchingSleeps, 0) << "the wait dispatches no window events";
    ASSERT_EQ(launcher.starts.size(), 1);
    EXPECT_TRUE(launcher.starts[0].shown);
}

TEST(ProgramStarter, GivesUpAtTheLimitAndLeavesTheProgramRunning) {
    TestFolder folder;
    FakeClock clock;
    FakeProcessLauncher launcher(clock);
    launcher.runMs = 10'000'000;
    ProgramStarter standard(launcher, clock, QString());
    qint64 start = clock.ticks();
    EXPECT_EQ(standard.startProgram(installedTool(folder), QString(), 1),
              ProgramStarter::Outcome::LeftRunning);
    EXPECT_EQ(clock.ticks() - start, 150'000) << "two and a half minutes by default";
    ASSERT_EQ(launcher.starts.size(), 1);
    EXPECT_FALSE(launcher.starts[0].shown) << "windowMode other than 0 starts hidden";

    ProgramStarter shortLimit(launcher, clock, QString(), 50);
    start = clock.ticks();
    shortLimit.startProgram(installedTool(folder), QString(), 0);
    EXPECT_EQ(clock.ticks() - start, 50);
}

// A program that is missing or cannot be started returns at once and says which it was.
TEST(ProgramStarter, ReturnsAtOnceWhenTheStartFails) {
    struct Row {
        const char* why;
        bool installed;
        bool launchFails;
        ProgramStarter::Outcome outcome;
        int launches;
    };
    const Row rows[] = {
        {"missing", false, false, ProgramStarter::Outcome::Missing, 0},
        {"cannot be started", true, true, ProgramStarter::Outcome::NotStarted, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TestFolder folder;
        FakeClock clock;
        FakeProcessLauncher launcher(clock);
        launcher.failStart = row.launchFails;
        // Wine starts even for a missing program: the file is looked for first.
        ProgramStarter starter(launcher, clock, QStringLiteral("/usr/bin/wine"));
        const QString program = row.installed ? folder.write(QStringLiteral("Updater.exe"), "MZ")
                                              : folder.file(QStringLiteral("Updater.exe"));
        const qint64 start = clock.ticks();
        EXPECT_EQ(starter.startProgram(program, QStringLiteral("a b"), 0), row.outcome);
        EXPECT_EQ(launcher.starts.size(), row.launches);
        EXPECT_EQ(clock.ticks(), start);
        EXPECT_EQ(clock.sleeps, 0);
    }
}

// Only a Windows program wants wine, and only where there is no wine it lacks it.
TEST(ProgramStarter, KnowsWhenAProgramRunsThroughWineOrLacksIt) {
    FakeClock clock;
    FakeProcessLauncher launcher(clock);
    const ProgramStarter withWine(launcher, clock, QStringLiteral("/usr/bin/wine"));
    const ProgramStarter withoutWine(launcher, clock, QString());
    const QString exe = QStringLiteral("/p/Ethernet_Update.exe");
    const QString script = QStringLiteral("/p/tool.sh");
    EXPECT_TRUE(withWine.runsThroughWine(exe));
    EXPECT_FALSE(withWine.runsThroughWine(script));
    EXPECT_FALSE(withWine.lacksWine(exe));
    EXPECT_FALSE(withoutWine.runsThroughWine(exe));
    EXPECT_TRUE(withoutWine.lacksWine(exe));
    EXPECT_FALSE(withoutWine.lacksWine(script));

    // Paths for a program through wine take the drive form; others the platform's own.
    ProgramStarter mapped(launcher, clock, QStringLiteral("/usr/bin/wine"));
    mapped.setWinePathForm([](const QString& path) { return QStringLiteral("W") + path; });
    EXPECT_EQ(mapped.pathFor(exe, QStringLiteral("/a/b")), QStringLiteral("W/a/b"));
    EXPECT_EQ(mapped.pathFor(script, QStringLiteral("/a/b")), QStringLiteral("/a/b"));
}

TEST(ProgramStarter, SplitsTheCommandLineAndRunsWindowsProgramsThroughWine) {
    FakeClock clock;
    FakeProcessLauncher launcher(clock);
    const QString line =
        QStringLiteral(R"(\\.\COM4 NO NO PW NO "C:\My Master\sim48213.sim" "C:\P\Plant A\bin\")");
    const QStringList expected{QStringLiteral(R"(\\.\COM4)"),
                               QStringLiteral("NO"),
                               QStringLiteral("NO"),
                               QStringLiteral("PW"),
                               QStringLiteral("NO"),
                               QStringLiteral(R"(C:\My Master\sim48213.sim)"),
                               QStringLiteral(R"(C:\P\Plant A\bin\)")};

    const ProgramStarter withoutWine(launcher, clock, QString());
    auto command = withoutWine.commandFor(QStringLiteral("/p/Ser_48213_Update.exe"), line);
    EXPECT_EQ(command.program, QStringLiteral("/p/Ser_48213_Update.exe"));
    EXPECT_EQ(command.arguments, expected);

    const ProgramStarter withWine(launcher, clock, QStringLiteral("/usr/bin/wine"));
    command = withWine.commandFor(QStringLiteral("/p/Ser_48213_Update.EXE"), line);
    EXPECT_EQ(command.program, QStringLiteral("/usr/bin/wine"));
    EXPECT_EQ(command.arguments, QStringList{QStringLiteral("/p/Ser_48213_Update.EXE")} + expected);

    command = withWine.commandFor(QStringLiteral("/p/tool.sh"), QString());
    EXPECT_EQ(command.program, QStringLiteral("/p/tool.sh")) << "only .exe files go through wine";
    EXPECT_TRUE(command.arguments.isEmpty());
}

TEST(ProgramStarter, RealProcessesEndOrAreLeftRunningAtTheLimit) {
    TestFolder folder;
    const QString quick = folder.write(QStringLiteral("quick.sh"),
                                       "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.args\"\n");
    // Runs until the test lets it go, however slow the machine (or its folder is gone).
    const QString held =
        folder.write(QStringLiteral("held.sh"),
                     "#!/bin/sh\nwhile [ ! -e \"$0.go\" ] && [ -e \"$0\" ]; do sleep 0.05; done\n"
                     "touch \"$0.done\"\n");
    for (const QString& script : {quick, held})
        QFile::setPermissions(script, QFile::permissions(script) | QFileDevice::ExeOwner);
    SystemProcessLauncher launcher;
    SystemClock clock;

    ProgramStarter starter(launcher, clock, QString(), 20'000);
    EXPECT_EQ(starter.startProgram(quick, QStringLiteral(R"(one "two words")"), 0),
              ProgramStarter::Outcome::Ended);
    EXPECT_EQ(folder.read(QStringLiteral("quick.sh.args")), QByteArray("one\ntwo words\n"));

    ProgramStarter impatient(launcher, clock, QString(), 200);
    const qint64 start = clock.ticks();
    EXPECT_EQ(impatient.startProgram(held, QString(), 0), ProgramStarter::Outcome::LeftRunning);
    EXPECT_GE(clock.ticks() - start, 200) << "waited up to the limit";
    // The program was not killed: let go, it finishes on its own.
    folder.write(QStringLiteral("held.sh.go"), {});
    const QString done = held + QStringLiteral(".done");
    for (int i = 0; i < 400 && !QFile::exists(done); ++i)
        QThread::msleep(50);
    EXPECT_TRUE(QFile::exists(done));
}

// A watched wait runs window events (here the timer that lets the program end) and ends with
// the program, not at the limit.
TEST(ProgramStarter, AWatchedRealWaitRunsEventsAndEndsWithTheProgram) {
    TestFolder folder;
    const QString held =
        folder.write(QStringLiteral("held.sh"),
                     "#!/bin/sh\nwhile [ ! -e \"$0.go\" ] && [ -e \"$0\" ]; do sleep 0.02; done\n"
                     "exit 4\n");
    QFile::setPermissions(held, QFile::permissions(held) | QFileDevice::ExeOwner);
    SystemProcessLauncher launcher;
    SystemClock clock;
    constexpr qint64 Limit = 30'000;
    ProgramStarter starter(launcher, clock, QString(), Limit);
    QTimer::singleShot(50, [&folder] { folder.write(QStringLiteral("held.sh.go"), {}); });
    int steps = 0;
    const ProgramStarter::Run run = starter.run(held, QStringList(), 0, [&](qint64) { ++steps; });
    EXPECT_EQ(run.outcome, ProgramStarter::Outcome::Ended);
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_LT(run.elapsedMs, Limit);
    EXPECT_GE(steps, 2);
}

#ifdef Q_OS_LINUX
namespace {

// Stands in for whoever adopts a detached program: this test process becomes the adopter and
// either reaps the program's end at once (its number is then free for another process) or
// leaves it a zombie, as some container init processes do.
class Adopter final : public Clock {
public:
    explicit Adopter(bool reaps) : reaps_(reaps) { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~Adopter() override {
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        reap();
    }
    // The wait asks the time at every step, also when the program's end cuts the step short.
    qint64 ticks() override {
        if (reaps_)
            reap();
        return system_.ticks();
    }
    QDateTime now() override { return system_.now(); }
    void sleep(int ms) override {
        if (reaps_)
            reap();
        system_.sleep(ms);
    }
    void sleepDispatching(int ms) override {
        if (reaps_)
            reap();
        system_.sleepDispatching(ms);
    }

private:
    static void reap() {
        while (::waitpid(-1, nullptr, WNOHANG) > 0) {
        }
    }
    SystemClock system_;
    bool reaps_;
};

} // namespace

TEST(ProgramStarter, TheEndOfARealProgramEndsTheWait) {
    TestFolder folder;
    const QString quick = folder.write(QStringLiteral("quick.sh"), "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(quick, QFile::permissions(quick) | QFileDevice::ExeOwner);
    SystemProcessLauncher launcher;
    for (const bool reaps : {true, false}) {
        SCOPED_TRACE(reaps ? "adopter reaps at once" : "adopter leaves a zombie");
        Adopter adopter(reaps);
        constexpr qint64 Limit = 20'000;
        ProgramStarter starter(launcher, adopter, QString(), Limit);
        const qint64 start = adopter.ticks();
        EXPECT_EQ(starter.startProgram(quick, QString(), 0), ProgramStarter::Outcome::Ended);
        EXPECT_LT(adopter.ticks() - start, Limit);
    }
}
#endif
