#include "core/update/UpdaterHandoff.h"
#include "common/XmlFile.h"
#include "core/update/UpdateOptions.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// The fixtures hold {MASTER} and {PROJECT} where the folders go.
QByteArray expectedFile(const QString& fixture, const QString& master, const QString& project) {
    QByteArray bytes = readFixture(QStringLiteral("update/") + fixture);
    bytes.replace("{MASTER}", QDir::toNativeSeparators(master).toUtf8());
    bytes.replace("{PROJECT}", QDir::toNativeSeparators(project).toUtf8());
    return bytes;
}

} // namespace

TEST(UpdateOptions, CodeTable) {
    struct Row {
        int option;
        bool readBack;
        const char* codes;
    };
    const Row rows[] = {
        {0, true, "FW FR PW PR "},
        {0, false, "FW NO PW NO "},
        {1, true, "FW FR NO NO "},
        {1, false, "FW NO NO NO "},
        {2, true, "NO NO PW PR "},
        {2, false, "NO NO PW NO "},
        // An unknown position adds nothing at all, not four "NO".
        {3, true, ""},
        {-1, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << "option " << row.option << " read back " << row.readBack);
        EXPECT_EQ(updaterOptions(QStringLiteral("s "), row.option, row.readBack),
                  QStringLiteral("s ") + QLatin1String(row.codes));
    }
}

TEST(SerialCommandLine, PiecesInOrder) {
    const QString master = QStringLiteral("/opt/ordano/MASTER");
    const QString project = QStringLiteral("/opt/ordano/PROJECTS/Plant A");
    // Port, blank, codes, quoted firmware path (lower-case name, no K), quoted bin folder
    // ending with its separator.
    EXPECT_EQ(UpdaterHandoff::serialCommandLine(QStringLiteral("COM4"), 2, false, master, project),
              QStringLiteral(R"(\\.\COM4 NO NO PW NO "/opt/ordano/MASTER/sim48213.sim" )"
                             R"("/opt/ordano/PROJECTS/Plant A/bin/")"));
    // No port found: the device prefix is followed directly by the blank.
    EXPECT_TRUE(UpdaterHandoff::serialCommandLine(QString(), 0, true, master, project)
                    .startsWith(QStringLiteral(R"(\\.\ FW FR PW PR ")")));
}

// The arguments are the command line's pieces, each path whole even when it holds quotes.
TEST(SerialCommandLine, ArgumentsAreThePiecesApart) {
    const QString master = QStringLiteral("/opt/ordano/MASTER");
    const QString project = QStringLiteral(R"(/opt/ordano/PROJECTS/plant" -x "evil)");
    EXPECT_EQ(UpdaterHandoff::serialArguments(QStringLiteral("COM4"), 0, false, master, project),
              (QStringList{QStringLiteral(R"(\\.\COM4)"), "FW", "NO", "PW", "NO",
                           QStringLiteral("/opt/ordano/MASTER/sim48213.sim"),
                           QStringLiteral(R"(/opt/ordano/PROJECTS/plant" -x "evil/bin/)")}));
    // Another option position has no codes; an empty port leaves the bare device prefix.
    EXPECT_EQ(UpdaterHandoff::serialArguments(QString(), 7, false, master, project).mid(0, 2),
              (QStringList{QStringLiteral(R"(\\.\)"),
                           QStringLiteral("/opt/ordano/MASTER/sim48213.sim")}));
}

TEST(UpdaterHandoff, ProgramAndFileNamesBesideTheProgram) {
    const QString dir = QStringLiteral("/opt/ordano");
    EXPECT_EQ(UpdaterHandoff::ethernetUpdaterProgram(dir),
              QDir::toNativeSeparators(QStringLiteral("/opt/ordano/Ethernet_Update.exe")));
    EXPECT_EQ(UpdaterHandoff::serialUpdaterProgram(dir),
              QDir::toNativeSeparators(QStringLiteral("/opt/ordano/Ser_48213_Update.exe")));
    EXPECT_EQ(UpdaterHandoff::parameterFilePath(dir),
              QDir::toNativeSeparators(QStringLiteral("/opt/ordano/Ethernet_Update.xml")));
}

struct ParameterCase {
    const char* why;
    const char* fixture;
    const char* ip;
    int option;
    bool readBack;
};

void PrintTo(const ParameterCase& c, std::ostream* os) {
    *os << c.why;
}

class ParameterFile : public testing::TestWithParam<ParameterCase> {};

TEST_P(ParameterFile, WholeFileMatchesFixture) {
    const ParameterCase& c = GetParam();
    SCOPED_TRACE(c.why);
    const QString master = QStringLiteral("/opt/ordano/MASTER");
    const QString project = QStringLiteral("/opt/ordano/PROJECTS/Plant A");
    pugi::xml_document doc;
    doc.append_child("Leftover"); // whatever the document held is discarded
    UpdaterHandoff::buildParameterDocument(
        doc, {QString::fromLatin1(c.ip), c.option, c.readBack, master, project});
    EXPECT_EQ(XmlFile::serialize(doc),
              expectedFile(QString::fromLatin1(c.fixture), master, project));
}

INSTANTIATE_TEST_SUITE_P(
    Options, ParameterFile,
    testing::Values(
        // Three operations; only the last sends the device back to its application.
        ParameterCase{"firmware + configuration, read back", "firmware_configuration_read_back.xml",
                      "192.168.2.205", 0, true},
        // The firmware alone is the last operation, so it goes back to the application.
        ParameterCase{"firmware only", "firmware_no_read_back.xml", "192.168.2.205", 1, false},
        // The address is written exactly as typed, leading blank included.
        ParameterCase{"configuration, address with a blank", "configuration_blank_address.xml",
                      " 10.0.0.7", 2, false},
        // A hand-edited option position gives an empty operation list, not a guess.
        ParameterCase{"unknown option", "unknown_option.xml", "127.0.0.1", 7, false}));

TEST(UpdaterHandoff, CompileReplacesTheFileAndReportsWriteErrors) {
    TestFolder folder;
    const QString master = folder.file(QStringLiteral("MASTER"));
    const QString project = folder.file(QStringLiteral("PROJECTS/P"));
    ASSERT_EQ(UpdaterHandoff::ethernetUpdaterXml(
                  {QStringLiteral("192.168.2.205"), 0, true, master, project}, folder.path()),
              QString());
    ASSERT_EQ(UpdaterHandoff::ethernetUpdaterXml(
                  {QStringLiteral("192.168.2.205"), 1, false, master, project}, folder.path()),
              QString());
    // The second start's file holds only the second option's operation.
    EXPECT_EQ(folder.read(QStringLiteral("Ethernet_Update.xml")),
              expectedFile(QStringLiteral("firmware_no_read_back.xml"), master, project));

    EXPECT_NE(
        UpdaterHandoff::ethernetUpdaterXml({QStringLiteral("1.2.3.4"), 0, false, master, project},
                                           folder.file(QStringLiteral("missing/folder"))),
        QString());
}
