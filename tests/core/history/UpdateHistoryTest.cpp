#include "core/history/UpdateHistory.h"

#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/lang/LangTable.h"
#include "support/ImageTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using UpdateHistory::Outcome;
using UpdateHistory::Record;

const LangTable& english() {
    static const LangTable table;
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
    EXPECT_EQ(Write_Banks(dir, result.banks), QString());
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
    EXPECT_EQ(names, (QStringList{"2026-12-10_15-00-03", "2026-12-10_15-00-02_02",
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
