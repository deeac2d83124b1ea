#include "core/shell/Settings.h"
#include "core/state/SharedState.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

SharedState read(const QByteArray& bytes) {
    TestFolder folder;
    const QString path = folder.write(QStringLiteral("Ordano.xml"), bytes);
    SharedState state;
    state.projectName = QStringLiteral("stale");
    state.internetEnabled = true;
    Settings::readSettings(state, path);
    return state;
}

const QByteArray Defaults =
    "<Conf_Settings><lastproj><projectname></projectname></lastproj>"
    "<lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd>"
    "<lastlang><language>English</language></lastlang>"
    "<lastinternet><enable_internet>0</enable_internet><enable_update>0</enable_update>"
    "<enable_jump_field_tables>0</enable_jump_field_tables>"
    "<Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet></Conf_Settings>";

} // namespace

TEST(Settings, WritesEveryValueInOrderWithExactNames) {
    SharedState state;
    EXPECT_EQ(Settings::settingsBytes(state).toStdString(), Defaults.toStdString());

    state.projectName = QStringLiteral("Plant A");
    state.lastIpAddress = QStringLiteral("10.0.0.7");
    state.language = QStringLiteral("Italiano");
    state.updateCheckEnabled = true;
    state.doubleClickAutoSize = true;
    const SharedState back = read(Settings::settingsBytes(state));
    EXPECT_EQ(back.projectName, state.projectName);
    EXPECT_EQ(back.lastIpAddress, state.lastIpAddress);
    EXPECT_EQ(back.language, state.language);
    EXPECT_FALSE(back.internetEnabled);
    EXPECT_TRUE(back.updateCheckEnabled);
    EXPECT_FALSE(back.jumpTableEnabled);
    EXPECT_TRUE(back.doubleClickAutoSize);
}

TEST(Settings, ReadsEachValueIndependently) {
    struct Case {
        const char* why;
        QByteArray file;
        QString project;
        QString ip;
        QString language;
        bool internet;
    };
    const Case cases[] = {
        // Only the exact text "1" switches a flag on.
        {"true is not 1",
         "<Conf_Settings><lastinternet><enable_internet>true</enable_internet></lastinternet>"
         "</Conf_Settings>",
         "", "192.168.2.205", "English", false},
        {"2 is not 1",
         "<Conf_Settings><lastinternet><enable_internet>2</enable_internet></lastinternet>"
         "</Conf_Settings>",
         "", "192.168.2.205", "English", false},
        // Hand-edited files may rename the root; only its children matter.
        {"other root name",
         "<Other><lastproj><projectname>P1</projectname></lastproj><lastinternet>"
         "<enable_internet>1</enable_internet></lastinternet></Other>",
         "P1", "192.168.2.205", "English", true},
        // A comment before the root must not cost the settings.
        {"comment before root",
         "<!-- kept by hand --><Conf_Settings><lastlang><language>Deutsch</language></lastlang>"
         "</Conf_Settings>",
         "", "192.168.2.205", "Deutsch", false},
        {"missing group keeps the others",
         "<Conf_Settings><lastipadd><ipaddress>10.1.1.1</ipaddress></lastipadd></Conf_Settings>",
         "", "10.1.1.1", "English", false},
        // A broken file gives all defaults and start-up goes on.
        {"not well-formed", "<Conf_Settings><lastproj><projectname>P1</projectname></lastproj", "",
         "192.168.2.205", "English", false},
        {"empty file", "", "", "192.168.2.205", "English", false},
        // Not well-formed though a lenient parser would read the first root.
        {"two roots",
         "<Conf_Settings><lastproj><projectname>P1</projectname></lastproj></Conf_Settings>"
         "<Conf_Settings/>",
         "", "192.168.2.205", "English", false},
        {"duplicated attribute",
         "<Conf_Settings a=\"1\" a=\"2\"><lastproj><projectname>P1</projectname></lastproj>"
         "</Conf_Settings>",
         "", "192.168.2.205", "English", false},
        // A configuration may be named by blanks only: it must come back as written.
        {"blank-only name",
         "<Conf_Settings><lastproj><projectname>   </projectname></lastproj></Conf_Settings>",
         "   ", "192.168.2.205", "English", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const SharedState s = read(c.file);
        EXPECT_EQ(s.projectName, c.project);
        EXPECT_EQ(s.lastIpAddress, c.ip);
        EXPECT_EQ(s.language, c.language);
        EXPECT_EQ(s.internetEnabled, c.internet);
        EXPECT_FALSE(s.updateCheckEnabled);
    }
}

// The name written is the name read, blanks and non-ASCII letters included.
TEST(Settings, ProjectNameRoundTripsAsWritten) {
    for (const QString& name : {QStringLiteral(" "), QStringLiteral("  \t "),
                                QStringLiteral(" Plant B "), QStringLiteral("Caf\u00e9 \u00e0")}) {
        SharedState state;
        state.projectName = name;
        EXPECT_EQ(read(Settings::settingsBytes(state)).projectName, name)
            << "\"" << name.toStdString() << "\"";
    }
}

TEST(Settings, HandAddedElementsDisappearAtTheNextWrite) {
    TestFolder folder;
    const QString path = folder.write(
        QStringLiteral("Ordano.xml"),
        "<Conf_Settings><extra>x</extra><lastlang><language>English</language></lastlang>"
        "</Conf_Settings>");
    SharedState state;
    Settings::readSettings(state, path);
    ASSERT_TRUE(Settings::saveSettings(state, path).isEmpty());
    EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")).toStdString(), Defaults.toStdString());
}

// Every entry refuses such texts; if one slipped through, the file that can still be read
// stays and the message names the value, instead of a file that loses every setting.
TEST(Settings, TextsTheFileCannotStoreLeaveTheFileAlone) {
    TestFolder folder;
    const QString path = folder.write(QStringLiteral("Ordano.xml"), Defaults);
    struct Row {
        QString SharedState::*field;
        QString text;
        const char* error;
    };
    const Row rows[] = {
        {&SharedState::projectName, QStringLiteral("a\x01"),
         "\"projectname\" holds U+0001 at position 2, which the file cannot store"},
        {&SharedState::lastIpAddress, QString::fromUtf16(u"1\0", 2),
         "\"ipaddress\" holds U+0000 at position 2, which the file cannot store"},
        {&SharedState::language, QString(QChar(0xFFFE)),
         "\"language\" holds U+FFFE at position 1, which the file cannot store"},
    };
    for (const Row& row : rows) {
        SharedState state;
        state.*(row.field) = row.text;
        EXPECT_EQ(Settings::saveSettings(state, path), QString::fromLatin1(row.error));
        EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")), Defaults);
    }
}

TEST(Settings, UnwritableFileReturnsTheSystemMessage) {
    TestFolder folder;
    const QString error =
        Settings::saveSettings(SharedState(), folder.file(QStringLiteral("missing/Ordano.xml")));
    EXPECT_FALSE(error.isEmpty());
}

// Whatever stands where Ordano.xml belongs, start-up goes on with the defaults, as for a file
// that is not well-formed: no wait for a FIFO, no gigabytes read for a huge file.
TEST(Settings, RefusedFilesGiveTheDefaults) {
    const QByteArray valid =
        "<Conf_Settings><lastproj><projectname>P1</projectname></lastproj>"
        "<lastinternet><enable_internet>1</enable_internet></lastinternet></Conf_Settings>";
    struct Case {
        const char* why;
        std::function<QString(const TestFolder&)> make;
        bool read; // else the defaults
    };
    const Case cases[] = {
        {"a valid file", [&](const TestFolder& f) { return f.write("Ordano.xml", valid); }, true},
        {"just within the limit",
         [&](const TestFolder& f) {
             QByteArray bytes = valid + "<!--";
             bytes += QByteArray(1024 * 1024 - bytes.size() - 3, 'x') + "-->";
             return f.write("Ordano.xml", bytes);
         },
         true},
        {"one byte over the limit",
         [&](const TestFolder& f) {
             QByteArray bytes = valid + "<!--";
             bytes += QByteArray(1024 * 1024 - bytes.size() - 2, 'x') + "-->";
             return f.write("Ordano.xml", bytes);
         },
         false},
        {"a FIFO",
         [](const TestFolder& f) {
             const QString path = f.file("Ordano.xml");
             EXPECT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
             return path;
         },
         false},
        {"a folder",
         [](const TestFolder& f) { return QFileInfo(f.write("Ordano.xml/x", "")).path(); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestFolder folder;
        const QString path = c.make(folder);
        SharedState state;
        Settings::readSettings(state, path);
        EXPECT_EQ(state.projectName, c.read ? QStringLiteral("P1") : QString());
        EXPECT_EQ(state.internetEnabled, c.read);
    }
}
