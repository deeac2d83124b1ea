#include "core/update/UpdateRun.h"

#include "core/history/HistoryTexts.h"
#include "core/history/UpdateHistory.h"
#include "core/lang/LanguageTable.h"
#include "core/update/UpdaterHandoff.h"
#include "mock/FakeClock.h"
#include "mock/FakeProcessLauncher.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

class UpdateRunTest : public testing::Test {
protected:
    UpdateRun::Request request(const QString& program) const {
        UpdateRun::Request r;
        r.projectDir = project;
        r.program = program;
        r.arguments = {QStringLiteral("COM3"), QStringLiteral("PW")};
        r.formType = 0;
        r.path = QStringLiteral("COM3");
        r.option = 2;
        r.readBack = true;
        return r;
    }
    QString updater() const {
        return folder.write(QStringLiteral("Ser_48213_Update.exe"), "updater");
    }

    TestFolder folder;
    QString project = folder.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), "<ParGen/>")
                          .section(QLatin1Char('/'), 0, -2);
    LanguageTable texts;
    FakeClock clock;
    FakeProcessLauncher launcher{clock};
    ProgramStarter starter{launcher, clock, QString()};
};

} // namespace

// However the updater ends, the entry says it, the user reads it, and the wait keeps its grain
// and its limit.
TEST_F(UpdateRunTest, TheOutcomeIsRecordedAndSaid) {
    struct Row {
        const char* what;
        qint64 runMs;
        std::optional<int> code;
        UpdateHistory::Outcome outcome;
        const char* text;
        bool fine;
        qint64 waited;
    };
    const Row rows[] = {
        {"ended in time", 3000, 0, UpdateHistory::Outcome::Finished,
         "The updater finished (exit code 0)", true, 3010},
        {"ended with an error", 40, 3, UpdateHistory::Outcome::Finished,
         "The updater ended with exit code 3: the device may not have been updated.", false, 50},
        {"ended without a code", 20, std::nullopt, UpdateHistory::Outcome::Crashed,
         "The updater stopped abnormally: the device may not have been updated.", false, 30},
        {"still running at the limit", 10'000'000, 0, UpdateHistory::Outcome::LeftRunning,
         "The updater was still running after 150 s. It goes on by itself: check the device "
         "when it has finished.",
         false, 150'000},
    };
    const QString program = updater();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        launcher.runMs = row.runMs;
        launcher.exitCode = row.code;
        const qint64 start = clock.ticks();
        const QDateTime startedAt = clock.now();
        const UpdateRun::Result result = UpdateRun::run(request(program), starter, clock, texts);
        EXPECT_EQ(clock.ticks() - start, row.waited);
        EXPECT_EQ(result.kind, UpdateRun::Result::Kind::Ran);
        EXPECT_EQ(result.text, QString::fromUtf8(row.text));
        EXPECT_EQ(result.fine, row.fine);
        EXPECT_EQ(clock.dispatchingSleeps, 0) << "without a watcher no window events run";

        const auto entries = UpdateHistory::list(project);
        ASSERT_FALSE(entries.isEmpty());
        const UpdateHistory::Record& entry = entries.front();
        EXPECT_EQ(entry.outcome, row.outcome);
        EXPECT_EQ(entry.exitCode, row.code.value_or(0));
        // Dated by the clock it was given, at the start (the record keeps whole seconds).
        EXPECT_EQ(entry.date.toString(Qt::ISODate), startedAt.toUTC().toString(Qt::ISODate));
        EXPECT_EQ(entry.path, QStringLiteral("COM3"));
        EXPECT_EQ(entry.option, 2);
        EXPECT_TRUE(entry.readBack);
        EXPECT_EQ(entry.limitMs, ProgramStarter::DefaultLimitMs);
    }
    ASSERT_EQ(launcher.starts.size(), 4);
    EXPECT_EQ(launcher.starts[0].program, program);
    EXPECT_EQ(launcher.starts[0].arguments, (QStringList{"COM3", "PW"}));
    EXPECT_TRUE(launcher.starts[0].shown) << "the updater shows its own window";
    EXPECT_EQ(UpdateHistory::list(project).size(), 4);
}

// An updater that never ran leaves no entry that claims it did; an entry that cannot be written
// keeps the updater from starting.
TEST_F(UpdateRunTest, NothingStartedLeavesNoEntry) {
    struct Row {
        const char* what;
        bool installed;
        bool launchFails;
        ProgramStarter::Outcome start;
        int launches;
    };
    const Row rows[] = {
        {"missing", false, false, ProgramStarter::Outcome::Missing, 0},
        {"cannot be started", true, true, ProgramStarter::Outcome::NotStarted, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        launcher.starts.clear();
        launcher.failStart = row.launchFails;
        const QString program =
            row.installed ? updater() : folder.file(QStringLiteral("Nowhere_Update.exe"));
        const qint64 start = clock.ticks();
        const UpdateRun::Result result = UpdateRun::run(request(program), starter, clock, texts);
        EXPECT_EQ(result.kind, UpdateRun::Result::Kind::NotStarted);
        EXPECT_EQ(result.text, UpdaterHandoff::startProblemText(texts, row.start, program,
                                                                starter.lacksWine(program)));
        EXPECT_FALSE(result.fine);
        EXPECT_EQ(launcher.starts.size(), row.launches);
        EXPECT_EQ(clock.ticks(), start) << "no wait";
        EXPECT_TRUE(UpdateHistory::list(project).isEmpty());
    }

    // A file where the history folder belongs: refused before anything starts.
    launcher.failStart = false;
    launcher.starts.clear();
    ASSERT_TRUE(QDir(project + QStringLiteral("/history")).removeRecursively());
    folder.write(QStringLiteral("PROJECTS/Plant/history"), "not a folder");
    const UpdateRun::Result result = UpdateRun::run(request(updater()), starter, clock, texts);
    EXPECT_EQ(result.kind, UpdateRun::Result::Kind::NotRecorded);
    EXPECT_TRUE(result.text.startsWith(
        texts.text(HistoryTexts::T_HistoryNotWritten).section(QStringLiteral("%1"), 0, 0)))
        << result.text.toStdString();
    EXPECT_TRUE(result.text.contains(QStringLiteral("history"))) << "it names the folder";
    EXPECT_TRUE(launcher.starts.isEmpty());
}

// A watched wait reports every step and lets window events run; the progress is the window's.
TEST_F(UpdateRunTest, AWatchedWaitReportsEveryStep) {
    launcher.runMs = 45;
    QList<qint64> seen;
    const UpdateRun::Result result = UpdateRun::run(request(updater()), starter, clock, texts,
                                                    [&](qint64 elapsed) { seen << elapsed; });
    EXPECT_TRUE(result.fine);
    EXPECT_EQ(seen, (QList<qint64>{0, 10, 20, 30, 40, 50}));
    EXPECT_EQ(clock.dispatchingSleeps, 6);
    EXPECT_EQ(clock.sleeps, 0);
}
