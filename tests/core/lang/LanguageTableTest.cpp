#include "core/lang/LanguageTable.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

namespace {

// Windows join these texts to names and numbers, so their blanks and spellings are part of
// what the user sees; a tidy-up of any of them would show on screen.
TEST(DefaultTexts, KeepTheirExactBlanksAndSpellings) {
    const std::vector<std::pair<int, QString>> rows = {
        {0, "Begin"},
        {9, "None Configuration Opened "},
        {11, "Opened Configuration of the Converter : "},
        {202, "List of Avaliable Configurations"},
        {304, "Selected Language : "},
        {305, "Page "},
        {306, " / "},
        {316, "Do you want to change the Language from "},
        {317, " to "},
        {318, "?"},
        {415, "Select the Parity for the M-Bus (Usuallly Even)"},
        {460, "Do you want to exit without saving changes?"},
        {605, "Nodes     "},
        {606, "Variables     "},
        {645, "Error!! Storage Number must be between 0x00000000 and 0xFFFFFFFF"},
        {829, "Serch Nelvari Device in Network"},
        {837, "Error!!! Check the Ip Address"},
        {908, "Cancel"},
    };
    LanguageTable table;
    for (const auto& [index, text] : rows) {
        EXPECT_EQ(table.text(index), text) << "index " << index;
        EXPECT_EQ(defaultLangText(index), text) << "index " << index;
    }
}

TEST(DefaultTexts, FillersHoldOneBlankSoEveryIndexExists) {
    LanguageTable table;
    ASSERT_EQ(table.size(), 1000);
    for (int index : {49, 99, 111, 199, 262, 335, 508, 599, 699, 799, 842, 929, 999})
        EXPECT_EQ(table.text(index), QStringLiteral(" ")) << "index " << index;
    int texts = 0;
    for (int i = 0; i < table.size(); ++i)
        texts += table.text(i) != QStringLiteral(" ");
    EXPECT_EQ(texts, 603); // every text of the master list
    // No window reads beyond the table; a stray index gives nothing rather than a crash.
    EXPECT_EQ(table.text(-1), QString());
    EXPECT_EQ(table.text(1000), QString());
}

TEST(DefaultTexts, CreateDefaultLangUndoesEveryOverlay) {
    LanguageTable table;
    table.loadText(QStringLiteral("STR0 = Inizio\nSTR50 = extra"));
    table.setText(999, QStringLiteral("x"));
    table.resetToEnglish();
    EXPECT_EQ(table.size(), 1000);
    EXPECT_EQ(table.text(0), QStringLiteral("Begin"));
    EXPECT_EQ(table.text(50), QStringLiteral(" "));
    EXPECT_EQ(table.text(999), QStringLiteral(" "));
}

class LoadLanguageTest : public testing::Test {
protected:
    TestFolder folder;
    QString dir() const { return folder.file("LANGUAGE"); }
    void writeLanguage(const QString& name, const QByteArray& bytes) {
        folder.write("LANGUAGE/" + name + ".lng", bytes);
    }
};

TEST_F(LoadLanguageTest, ChosenLanguageOverlaysFreshDefaults) {
    writeLanguage("Italiano", "STR0 = Inizio\r\n");
    writeLanguage("English", "STR0 = Start\r\n");
    LanguageTable table;
    table.setText(1, QStringLiteral("left over from the previous language"));
    QString language = QStringLiteral("Italiano");
    loadLanguage(table, language, dir());
    EXPECT_EQ(language, QStringLiteral("Italiano"));
    EXPECT_EQ(table.text(0), QStringLiteral("Inizio"));
    EXPECT_EQ(table.text(1), QStringLiteral("Step 1"));
}

// The fallback renames the language itself, so the settings file stops naming a lost file.
TEST_F(LoadLanguageTest, MissingLanguageFallsBackToEnglishFile) {
    writeLanguage("English", "STR0 = Start\r\n");
    LanguageTable table;
    QString language = QStringLiteral("Klingon");
    loadLanguage(table, language, dir());
    EXPECT_EQ(language, QStringLiteral("English"));
    EXPECT_EQ(table.text(0), QStringLiteral("Start"));
    EXPECT_EQ(table.text(1), QStringLiteral("Step 1"));
}

TEST_F(LoadLanguageTest, MissingLanguageWithoutEnglishFileKeepsDefaults) {
    LanguageTable table;
    table.setText(0, QStringLiteral("stale"));
    QString language = QStringLiteral("Klingon");
    loadLanguage(table, language, dir());
    EXPECT_EQ(language, QStringLiteral("English"));
    for (int i = 0; i < table.size(); ++i)
        ASSERT_EQ(table.text(i), defaultLangText(i)) << "index " << i;
}

TEST_F(LoadLanguageTest, EnglishFileOverridesBuiltInDefaults) {
    writeLanguage("English", "\xEF\xBB\xBFSTR18 = Error! No configuration is open\r\n");
    LanguageTable table;
    QString language = QStringLiteral("English");
    loadLanguage(table, language, dir());
    EXPECT_EQ(language, QStringLiteral("English"));
    EXPECT_EQ(table.text(18), QStringLiteral("Error! No configuration is open"));
}

// An installed program: the user's LANGUAGE first, then the shipped folder. The user's file
// wins for the same name; a shipped one serves where the user has none, English included.
TEST(LoadLanguageOrder, UsersOwnFileWinsOverTheShippedOne) {
    TestFolder folder;
    const QStringList folders{folder.file("user/LANGUAGE"), folder.file("shipped/LANGUAGE")};
    folder.write("user/LANGUAGE/Italiano.lng", "STR0 = Inizio mio\n");
    folder.write("shipped/LANGUAGE/Italiano.lng", "STR0 = Inizio\nSTR1 = Passo 1\n");
    folder.write("shipped/LANGUAGE/Deutsch.lng", "STR0 = Anfang\n");
    folder.write("shipped/LANGUAGE/English.lng", "STR0 = Start\n");
    struct Row {
        const char* asked;
        const char* loaded;
        const char* text0;
        const char* text1;
    };
    const Row rows[] = {
        {"Italiano", "Italiano", "Inizio mio", "Step 1"}, // the user's file alone, not merged
        {"Deutsch", "Deutsch", "Anfang", "Step 1"},
        {"Klingon", "English", "Start", "Step 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.asked);
        LanguageTable table;
        QString language = QLatin1String(row.asked);
        EXPECT_EQ(loadLanguage(table, language, folders), QString());
        EXPECT_EQ(language, QLatin1String(row.loaded));
        EXPECT_EQ(table.text(0), QLatin1String(row.text0));
        EXPECT_EQ(table.text(1), QLatin1String(row.text1));
    }
}

} // namespace
