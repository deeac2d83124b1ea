#include "core/history/UpdateHistory.h"

#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "support/ImageTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using UpdateHistory::Outcome;
using UpdateHistory::Record;

const LanguageTable& english() {
    static const LanguageTable table;
    return table;
}

// A configuration folder with its two files and the images compiled from them.
QString configuration(const TestFolder& folder, const QByteArray& mbus,
                      const QByteArray& parGen = ImageTest::parGenXml()) {
    const QString dir = folder.file(QStringLiteral("PROJECTS/Plant"));
    folder.write(QStringLiteral("PROJECTS/Plant/M_Bus.xml"), mbus);
    folder.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), parGen);
    const CompileResult result = compileBanksFromBytes(mbus, parGen);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(writeBanks(dir, result.banks), QString());
    return dir;
}

QByteArray network(const QString& register_ = QStringLiteral("40")) {
    return ImageTest::networkXml(ImageTest::nodeXml(
        5, ImageTest::variableXml() +
               ImageTest::variableXml({{"Desc", "Volume"}, {"Mod_NR", register_}})));
}

Record ethernet(int option = 2) {
    Record r;
    r.formType = 1;
    r.path = QStringLiteral("127.0.0.1");
    r.option = option;
    r.readBack = true;
    r.limitMs = 150000;
    return r;
}

QByteArray fileIn(const QString& dir, const char* name) {
    QFile file(QDir(dir).filePath(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QDateTime At = QDateTime(QDate(2026, 12, 10), QTime(15, 0, 0), Qt::UTC);

} // namespace

TEST(UpdateHistory, AnEntryKeepsWhatWasHandedOverAndHowItEnded) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    const auto created = UpdateHistory::create(dir, ethernet(), At);
    ASSERT_TRUE(created.ok()) << created.error.toStdString();
    EXPECT_EQ(created.record.folder,
              QDir(dir).filePath(QStringLiteral("history/2026-12-10_15-00-00")));
    for (const char* name : {"M_Bus.xml", "ParGen.xml"})
        EXPECT_EQ(fileIn(created.record.folder, name), fileIn(dir, name)) << name;
    EXPECT_EQ(fileIn(created.record.folder, "bank.bin"), fileIn(bankPath(dir), ""));
    EXPECT_EQ(fileIn(created.record.folder, "bank2.bin"), fileIn(bank2Path(dir), ""));

    Record record = created.record;
    EXPECT_EQ(UpdateHistory::setOutcome(record, Outcome::Finished, 3), QString());
    const QList<Record> listed = UpdateHistory::list(dir);
    ASSERT_EQ(listed.size(), 1);
    EXPECT_EQ(listed[0].date, At);
    EXPECT_EQ(listed[0].path, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(listed[0].formType, 1);
    EXPECT_EQ(listed[0].option, 2);
    EXPECT_TRUE(listed[0].readBack);
    EXPECT_EQ(listed[0].outcome, Outcome::Finished);
    EXPECT_EQ(listed[0].exitCode, 3);
    EXPECT_EQ(UpdateHistory::outcomeText(listed[0], english()),
              QStringLiteral("The updater ended with exit code 3: the device may not have been "
                             "updated."));
    EXPECT_EQ(UpdateHistory::optionText(listed[0], english()),
              QStringLiteral("Configuration, Read Back"));
}

TEST(UpdateHistory, OutcomeTexts) {
    struct Row {
        Outcome outcome;
        int code;
        const char* text;
    };
    const Row rows[] = {
        {Outcome::Finished, 0, "The updater finished (exit code 0)"},
        {Outcome::Finished, 3,
         "The updater ended with exit code 3: the device may not have been updated."},
        {Outcome::LeftRunning, 0,
         "The updater was still running after 150 s. It goes on by itself: "
         "check the device when it has finished."},
        {Outcome::Crashed, 0,
         "The updater stopped abnormally: the device may not have been updated."},
        {Outcome::Started, 0, "The updater was started; its end was not recorded."},
    };
    for (const Row& row : rows) {
        Record r = ethernet();
        r.outcome = row.outcome;
        r.exitCode = row.code;
        EXPECT_EQ(UpdateHistory::outcomeText(r, english()), QString::fromUtf8(row.text));
    }
}

TEST(UpdateHistory, KeepsTheNewestEntriesNewestFirst) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    // Every entry is a few synced files: a short history shows the rule as well as 20 would.
    constexpr int Keep = 3;
    folder.write(QStringLiteral("PROJECTS/Plant/history/notes/keep.txt"), "mine");
    // Two in the same second get told apart.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(UpdateHistory::create(dir, ethernet(), At.addSecs(i == 4 ? 2 : i), Keep).ok());
    const QList<Record> listed = UpdateHistory::list(dir);
    QStringList names;
    for (const Record& r : listed)
        names << QFileInfo(r.folder).fileName();
    // Newest first as they were made: the last one shares a second with an earlier one.
    EXPECT_EQ(names, (QStringList{"2026-12-10_15-00-02_02", "2026-12-10_15-00-03",
                                  "2026-12-10_15-00-02"}));
    // Only our own entries are touched.
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/history/notes/keep.txt")), "mine");
}

TEST(UpdateHistory, NothingIsWrittenThroughALink) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    const QString elsewhere = folder.file(QStringLiteral("elsewhere"));
    ASSERT_TRUE(QDir().mkpath(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, QDir(dir).filePath(QStringLiteral("history"))));
    const auto created = UpdateHistory::create(dir, ethernet(), At);
    EXPECT_FALSE(created.ok());
    EXPECT_TRUE(created.error.contains(QStringLiteral("history"))) << created.error.toStdString();
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    EXPECT_TRUE(UpdateHistory::list(dir).isEmpty());
}

// A write that fails part-way (the file size limit of a child process) leaves no entry that
// would pass for what was sent.
TEST(UpdateHistory, AWriteThatFailsPartWayLeavesNoEntry) {
    TestFolder folder;
    const QString dir = configuration(folder, ImageTest::fullNetworkXml(64, 10));
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        const auto created = UpdateHistory::create(dir, ethernet(), At);
        // 1: refused, and the message names the file of the entry that could not be written.
        _exit(created.ok()                                                             ? 0
              : created.error.contains(QStringLiteral("history/2026-12-10_15-00-00/")) ? 1
                                                                                       : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const QDir history(QDir(dir).filePath(QStringLiteral("history")));
    EXPECT_TRUE(
        history.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST(UpdateHistory, TheComparisonIsWithTheLastUpdateThatSentImages) {
    TestFolder folder;
    // Before the first compile there is nothing to compare, and the comparison says why.
    QDir().mkpath(folder.file(QStringLiteral("new")));
    const auto uncompiled =
        UpdateHistory::compareWithLastUpdate(folder.file(QStringLiteral("new")), english());
    EXPECT_EQ(uncompiled.lines,
              QStringList{QStringLiteral("The configuration has not been compiled yet.")});
    EXPECT_FALSE(uncompiled.error.isEmpty());

    QString dir = configuration(folder, network());
    auto first = UpdateHistory::compareWithLastUpdate(dir, english());
    EXPECT_TRUE(first.first);
    EXPECT_EQ(first.lines, QStringList{QStringLiteral("First update from this configuration")});

    ASSERT_TRUE(UpdateHistory::create(dir, ethernet(2), At).ok());
    dir = configuration(folder, network(QStringLiteral("41")));
    // A firmware-only update sends no images: the comparison looks past it.
    ASSERT_TRUE(UpdateHistory::create(dir, ethernet(1), At.addSecs(5)).ok());
    const auto second = UpdateHistory::compareWithLastUpdate(dir, english());
    EXPECT_FALSE(second.first);
    EXPECT_TRUE(second.heading.contains(QStringLiteral("compared with the update of")));
    EXPECT_EQ(second.lines,
              QStringList{QStringLiteral(
                  "Node 5 (node 5), variable 2 \"Volume\": Modbus register 40 \u2192 41")});

    auto sent = UpdateHistory::create(dir, ethernet(0), At.addSecs(10));
    ASSERT_TRUE(sent.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(sent.record, Outcome::Finished, 0), QString());
    EXPECT_EQ(UpdateHistory::compareWithLastUpdate(dir, english()).lines,
              QStringList{QStringLiteral("Nothing changes on the device")});

    // A later update that failed may have changed nothing: the one that ended well counts.
    dir = configuration(folder, network(QStringLiteral("42")));
    auto failed = UpdateHistory::create(dir, ethernet(0), At.addSecs(15));
    ASSERT_TRUE(failed.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(failed.record, Outcome::Finished, 3), QString());
    EXPECT_EQ(UpdateHistory::compareWithLastUpdate(dir, english()).lines,
              QStringList{QStringLiteral(
                  "Node 5 (node 5), variable 2 \"Volume\": Modbus register 41 \u2192 42")});
}

namespace {

QStringList entryNames(const QList<Record>& records) {
    QStringList names;
    for (const Record& r : records)
        names << QFileInfo(r.folder).fileName();
    return names;
}

} // namespace

// The clock set back (or many updates within a second) makes a new entry's name sort before
// the kept ones: it must still be the newest, kept, and the oldest made is the one that goes.
TEST(UpdateHistory, PruningFollowsTheOrderEntriesWereMade) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    constexpr int Keep = 3;
    for (int i = 0; i < Keep; ++i)
        ASSERT_TRUE(UpdateHistory::create(dir, ethernet(), At.addSecs(i), Keep).ok());
    const auto back = UpdateHistory::create(dir, ethernet(), At.addSecs(-3600), Keep);
    ASSERT_TRUE(back.ok()) << back.error.toStdString();
    EXPECT_TRUE(QFileInfo(back.record.folder).isDir());
    EXPECT_EQ(entryNames(UpdateHistory::list(dir)),
              (QStringList{"2026-12-10_14-00-00", "2026-12-10_15-00-02", "2026-12-10_15-00-01"}));

    // Many within one second (and the clock standing still): each is kept in turn.
    for (int i = 0; i < 2 * Keep; ++i) {
        const auto same = UpdateHistory::create(dir, ethernet(), At, Keep);
        ASSERT_TRUE(same.ok()) << same.error.toStdString();
        ASSERT_EQ(UpdateHistory::list(dir).first().folder, same.record.folder);
    }
    EXPECT_EQ(UpdateHistory::list(dir).size(), Keep);
}

// What is not an entry of ours (a name that is no date-time, a link, a file) is listed apart
// and never pruned; pruning never follows a link inside history/.
TEST(UpdateHistory, ForeignNamesAndLinksAreLeftAlone) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    ASSERT_TRUE(UpdateHistory::create(dir, ethernet(), At).ok());
    const QByteArray record = fileIn(UpdateHistory::list(dir).first().folder, "Update.xml");
    // A look-alike with an impossible date, holding a valid record.
    folder.write(QStringLiteral("PROJECTS/Plant/history/2026-13-45_99-99-99/Update.xml"), record);
    // A link with an entry's name, to a folder outside that looks like an old entry.
    folder.write(QStringLiteral("outside/Update.xml"), record);
    folder.write(QStringLiteral("outside/bank.bin"), "precious");
    ASSERT_TRUE(QFile::link(folder.file(QStringLiteral("outside")),
                            QDir(dir).filePath(QStringLiteral("history/2020-01-01_00-00-00"))));

    for (int i = 1; i <= 3; ++i)
        ASSERT_TRUE(UpdateHistory::create(dir, ethernet(), At.addSecs(i), 1).ok());
    EXPECT_EQ(entryNames(UpdateHistory::list(dir)), QStringList{"2026-12-10_15-00-03"});
    EXPECT_EQ(UpdateHistory::otherFolders(dir),
              (QStringList{"2020-01-01_00-00-00", "2026-13-45_99-99-99"}));
    EXPECT_EQ(folder.read(QStringLiteral("outside/bank.bin")), "precious");
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/history/2026-13-45_99-99-99/Update.xml")),
              record);
}

// A process killed at any moment of an entry leaves either the whole entry or none that is
// listed; what the killed one left is cleared by the next update.
TEST(UpdateHistory, KilledDuringAnEntryLeavesNoHalfEntry) {
    TestFolder folder;
    const QString dir = configuration(folder, ImageTest::fullNetworkXml(16, 10));
    const QDir history(QDir(dir).filePath(QStringLiteral("history")));
    constexpr int Rounds = 6;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(round);
        const QList<Record> before = UpdateHistory::list(dir);
        const qint64 last = before.isEmpty() ? 0 : before.first().sequence;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                (void)UpdateHistory::create(dir, ethernet(), At.addSecs(round * 1000 + i), 4);
        }
        // Killed once it has made a few entries: somewhere inside one, wherever that is.
        const int wanted = 1 + round % 3;
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            const QList<Record> now = UpdateHistory::list(dir);
            if ((!now.isEmpty() && now.first().sequence >= last + wanted) ||
                waited.elapsed() > 30000)
                break;
            usleep(1000);
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        for (const QString& name : history.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QDir entry(history.filePath(name));
            for (const char* file :
                 {"bank.bin", "bank2.bin", "ParGen.xml", "M_Bus.xml", "Update.xml"})
                EXPECT_TRUE(entry.exists(QLatin1String(file))) << name.toStdString() << " " << file;
            EXPECT_TRUE(entry.entryList(QDir::Hidden | QDir::Files)
                            .filter(QStringLiteral(".tmp"))
                            .isEmpty())
                << name.toStdString();
        }
    }
    ASSERT_TRUE(UpdateHistory::create(dir, ethernet(), At.addSecs(99999), 4).ok());
    EXPECT_TRUE(history.entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot)
                    .filter(QRegularExpression(QStringLiteral("^\\.")))
                    .isEmpty());
}

// A base entry whose images cannot be read is no base: the comparison takes the one before.
TEST(UpdateHistory, AnUnreadableBaseEntryIsPassedOver) {
    TestFolder folder;
    QString dir = configuration(folder, network(QStringLiteral("40")));
    auto older = UpdateHistory::create(dir, ethernet(0), At);
    ASSERT_TRUE(older.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(older.record, Outcome::Finished, 0), QString());
    dir = configuration(folder, network(QStringLiteral("41")));
    auto newer = UpdateHistory::create(dir, ethernet(0), At.addSecs(5));
    ASSERT_TRUE(newer.ok());
    ASSERT_EQ(UpdateHistory::setOutcome(newer.record, Outcome::Finished, 0), QString());
    // Its bank.bin is a folder now: nothing can be read from it.
    const QString bank = QDir(newer.record.folder).filePath(QStringLiteral("bank.bin"));
    ASSERT_TRUE(QFile::remove(bank));
    ASSERT_TRUE(QDir().mkdir(bank));
    dir = configuration(folder, network(QStringLiteral("42")));
    const auto comparison = UpdateHistory::compareWithLastUpdate(dir, english());
    EXPECT_EQ(comparison.lines,
              QStringList{QStringLiteral(
                  "Node 5 (node 5), variable 2 \"Volume\": Modbus register 40 \u2192 42")});
    EXPECT_TRUE(comparison.imagesNotice.isEmpty());
}

// What the user answered about images that did not match is kept with the entry.
TEST(UpdateHistory, TheAnswerAboutTheImagesIsRecorded) {
    TestFolder folder;
    const QString dir = configuration(folder, network());
    for (const auto images :
         {UpdateHistory::ImagesSent::Matching, UpdateHistory::ImagesSent::NotMatching,
          UpdateHistory::ImagesSent::NotKnown}) {
        Record details = ethernet();
        details.images = images;
        ASSERT_TRUE(UpdateHistory::create(dir, details, At).ok());
        EXPECT_EQ(UpdateHistory::list(dir).first().images, images);
    }
}

// A node without an enabled variable is not in the images, so no comparison of images can
// show it; the comparison says so from M_Bus.xml, apart from the changes.
TEST(UpdateHistory, TheComparisonNamesNodesTheImagesLeaveOut) {
    TestFolder folder;
    const QByteArray silent = ImageTest::nodeXml(
        12, ImageTest::variableXml({{"Enable", "0"}}) + ImageTest::variableXml({{"Enable", "0"}}),
        QStringLiteral("22222222"));
    const QByteArray mbus = ImageTest::networkXml(ImageTest::nodeXml(5, ImageTest::variableXml()) +
                                                  silent + ImageTest::nodeXml(13, {}));
    const QString dir = configuration(folder, mbus);
    const auto comparison = UpdateHistory::compareWithLastUpdate(dir, english());
    EXPECT_EQ(comparison.lines,
              QStringList{QStringLiteral("First update from this configuration")});
    EXPECT_EQ(
        comparison.warnings,
        (QStringList{QStringLiteral("Warning: node with primary address 12 has no enabled "
                                    "variable: the gateway will not answer at this address"),
                     QStringLiteral("Warning: node with primary address 13 has no enabled "
                                    "variable: the gateway will not answer at this address")}));
    // Other warnings belong to the editor and the check, not to what the update changes.
    EXPECT_TRUE(UpdateHistory::compareWithLastUpdate(configuration(folder, network()), english())
                    .warnings.isEmpty());
}
