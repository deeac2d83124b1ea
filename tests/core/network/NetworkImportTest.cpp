#include "core/network/NetworkImport.h"

#include "common/AtomicFile.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "mock/ScriptedPrompts.h"
#include "support/FailingWrites.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

using NetworkImport::Outcome;

namespace {

const QString Overwrite =
    QStringLiteral("Do you really want to overwrite the existing M-Bus Network?");
const QString NotImported = QStringLiteral(
    "Error! The M-Bus Network has not been imported, the existing one is unchanged.");

QByteArray networkBytes(const char* description, int nodes) {
    Network network;
    for (int i = 0; i < nodes; ++i) {
        Node node;
        node.description = QString::fromLatin1(description);
        node.primary = i + 1;
        node.variables.append(Variable{});
        network.append(node);
    }
    TestFolder scratch;
    const QString path = scratch.file(QStringLiteral("net.xml"));
    EXPECT_EQ(saveNetwork(network, path), QString());
    return scratch.read(QStringLiteral("net.xml"));
}

class NetworkImportTest : public testing::Test {
protected:
    void SetUp() override {
        current = networkBytes("current", 2);
        other = networkBytes("other", 3);
        folder.write(QStringLiteral("PROJECTS/Other/M_Bus.xml"), other);
    }

    QString ownFile() const { return folder.file(QStringLiteral("PROJECTS/Plant/M_Bus.xml")); }
    QString otherFile() const { return folder.file(QStringLiteral("PROJECTS/Other/M_Bus.xml")); }
    QByteArray ownBytes() const { return folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml")); }
    void writeOwn() const { folder.write(QStringLiteral("PROJECTS/Plant/M_Bus.xml"), current); }

    Outcome run(const QString& fileMBus) {
        return NetworkImport::importFile(prompts, nullptr, table, fileMBus,
                                         folder.file(QStringLiteral("PROJECTS")));
    }

    TestFolder folder;
    LanguageTable table;
    ScriptedPrompts prompts;
    QByteArray current;
    QByteArray other;
};

} // namespace

TEST_F(NetworkImportTest, CancelledFileDialogChangesNothing) {
    writeOwn();
    prompts.expectOpenFile(QString());
    EXPECT_EQ(run(ownFile()), Outcome::Cancelled);
    EXPECT_EQ(ownBytes(), current);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown()[0].text, QStringLiteral("Import Network")) << "the caption";
}

TEST_F(NetworkImportTest, AnsweredNoChangesNothing) {
    writeOwn();
    prompts.expectOpenFile(otherFile());
    prompts.expectQuestion(Overwrite, false);
    EXPECT_EQ(run(ownFile()), Outcome::Declined);
    EXPECT_EQ(ownBytes(), current);
    EXPECT_FALSE(NetworkImport::reloads(Outcome::Declined));
}

TEST_F(NetworkImportTest, AnsweredYesCopiesTheFileUnchanged) {
    writeOwn();
    prompts.expectOpenFile(otherFile());
    prompts.expectQuestion(Overwrite, true);
    EXPECT_EQ(run(ownFile()), Outcome::Imported);
    EXPECT_EQ(ownBytes(), other);
    EXPECT_TRUE(NetworkImport::reloads(Outcome::Imported));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(folder.file(QStringLiteral("PROJECTS/Plant"))).entryList(QDir::Files),
              QStringList{QStringLiteral("M_Bus.xml")});
}

TEST_F(NetworkImportTest, WithoutANetworkThereIsNoQuestion) {
    QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
    // A file without nodes is a network too: the reload shows it empty.
    const QString empty = folder.write(QStringLiteral("empty.xml"), networkBytes("", 0));
    prompts.expectOpenFile(empty);
    EXPECT_EQ(run(ownFile()), Outcome::Imported);
    EXPECT_EQ(ownBytes(), networkBytes("", 0));
    EXPECT_TRUE(loadNetwork(ownFile()).nodes.isEmpty());
}

// Deleting the own file before copying it would lose the network: it is reloaded instead.
TEST_F(NetworkImportTest, OwnFileIsReloadedNotDeleted) {
    writeOwn();
    const QString spellings[] = {
        ownFile(),
        folder.file(QStringLiteral("PROJECTS/Other/../Plant/M_Bus.xml")),
    };
    for (const QString& chosen : spellings) {
        prompts.expectOpenFile(chosen);
        prompts.expectWarning(QStringLiteral("The selected file is the M-Bus Network of this "
                                             "configuration: it has been reloaded."));
        EXPECT_EQ(run(ownFile()), Outcome::OwnFileReloaded) << chosen.toStdString();
        prompts.verify();
        EXPECT_EQ(ownBytes(), current);
    }
    EXPECT_TRUE(NetworkImport::reloads(Outcome::OwnFileReloaded));
}

// A file the editor could not read is never copied over a good network.
TEST_F(NetworkImportTest, UnreadableChoiceLeavesTheNetwork) {
    struct Row {
        const char* why;
        const char* name;
        QByteArray bytes; // empty: the file is not there
    };
    const Row rows[] = {
        {"not well-formed", "broken.xml", "<M-Bus_Network><Nodo ID=\"1\">"},
        {"a variable without Type", "noType.xml",
         "<M-Bus_Network><Nodo ID=\"1\"><Variabile Fun_Field=\"0\" Dim=\"0\"/></Nodo>"
         "</M-Bus_Network>"},
        {"gone since it was chosen", "gone.xml", {}},
    };
    writeOwn();
    for (const Row& row : rows) {
        const QString name = QString::fromLatin1(row.name);
        const QString chosen =
            row.bytes.isEmpty() ? folder.file(name) : folder.write(name, row.bytes);
        QString reason = loadNetwork(chosen).error;
        if (row.bytes.isEmpty()) {
            QFile missing(chosen);
            missing.open(QIODevice::ReadOnly);
            reason =
                QDir::toNativeSeparators(chosen) + QStringLiteral("\n") + missing.errorString();
        }
        ASSERT_FALSE(reason.isEmpty()) << row.why;
        prompts.expectOpenFile(chosen);
        prompts.expectError(NotImported + QStringLiteral("\n") + reason);
        EXPECT_EQ(run(ownFile()), Outcome::Failed) << row.why;
        prompts.verify();
        EXPECT_EQ(ownBytes(), current) << row.why;
    }
}

// The new file is written beside the old one and then put in its place; when that fails the
// old network is still there.
TEST_F(NetworkImportTest, FailedCopyLeavesTheOldFile) {
    // A folder that takes no new file leaves no room for the temporary file.
    const QString target = folder.write(QStringLiteral("cfg/M_Bus.xml"), current);
    const ReadOnlyFolder readOnly(folder.file(QStringLiteral("cfg")));
    if (!readOnly.refusesNewFiles())
        GTEST_SKIP() << "this file system lets the folder be written";
    const QString failure = writeFileAtomically(target, other);
    ASSERT_TRUE(failure.startsWith(target + QStringLiteral(": "))) << failure.toStdString();
    prompts.expectOpenFile(otherFile());
    prompts.expectQuestion(Overwrite, true);
    prompts.expectError(NotImported + QStringLiteral("\n") + failure);
    EXPECT_EQ(run(target), Outcome::Failed);
    EXPECT_EQ(folder.read(QStringLiteral("cfg/M_Bus.xml")), current);
    EXPECT_FALSE(NetworkImport::reloads(Outcome::Failed));
}

// The chosen file is read once through the bounded reader: a FIFO or a link to a device is
// refused at once with the reason, never waited on or read without end, and the bytes
// written are the bytes that were checked.
TEST_F(NetworkImportTest, OnlyARegularFileIsReadAndExactlyItsBytesAreCopied) {
    writeOwn();
    const QString fifo = folder.file(QStringLiteral("pipe.xml"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = folder.file(QStringLiteral("zero.xml"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    for (const QString& chosen : {fifo, zero}) {
        prompts.expectOpenFile(chosen);
        prompts.expectError(NotImported + QStringLiteral("\n") + QDir::toNativeSeparators(chosen) +
                            QStringLiteral("\nnot a regular file"));
        EXPECT_EQ(run(ownFile()), Outcome::Failed) << chosen.toStdString();
        prompts.verify();
        EXPECT_EQ(ownBytes(), current);
    }

    const NetworkImport::CheckedNetwork checked = NetworkImport::readNetworkFile(otherFile());
    ASSERT_TRUE(checked.ok()) << checked.error.toStdString();
    EXPECT_EQ(checked.bytes, other);
    EXPECT_EQ(checked.nodes, parseNetwork(other, QStringLiteral("M_Bus.xml")).nodes);
    EXPECT_EQ(checked.nodes.size(), 3);
}
