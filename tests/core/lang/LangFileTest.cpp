#include "core/lang/LangFile.h"
#include "core/lang/LanguageTable.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QMap>
#include <gtest/gtest.h>

namespace {

struct GrammarCase {
    const char* why;
    QString file;
    QMap<int, QString> changed; // every other index must keep its default
};

void PrintTo(const GrammarCase& row, std::ostream* os) {
    *os << row.why;
}

const QString P = QStringLiteral("\u00B6");

std::vector<GrammarCase> grammarCases() {
    return {
        {"one entry for index 0 changes text 0 and nothing else", "STR0 = Inizio", {{0, "Inizio"}}},
        {"pilcrows keep the trailing blank that labels rely on",
         "STR9 = " + P + "Nessuna configurazione " + P,
         {{9, "Nessuna configurazione "}}},
        {"without pilcrows the trailing blank is trimmed",
         "STR9 = Nessuna configurazione ",
         {{9, "Nessuna configurazione"}}},
        {"the translator's comment after /#/ is cut off",
         "STR18 = Errore /#/ no project",
         {{18, "Errore"}}},
        {"a comment is cut before pilcrows are read",
         "STR305 = " + P + "Pagina " + P + "/#/ x",
         {{305, "Pagina "}}},
        {"an empty value keeps the text", "STR18 = ", {}},
        {"a value that is only a comment keeps the text", "STR18 = /#/ to do", {}},
        {"a single pilcrow empties the text", "STR18 = " + P, {{18, ""}}},
        {"whatever follows the closing pilcrow is dropped",
         "STR306 = " + P + " di " + P + " junk",
         {{306, " di "}}},
        {"a pilcrow inside an unmarked value cuts it", "STR4 = Passo" + P + "4", {{4, "Passo"}}},
        {"a leading pilcrow alone keeps leading blanks",
         "STR10 = " + P + "  lead",
         {{10, "  lead"}}},
        {"index 1000 is beyond the table", "STR1000 = x", {}},
        {"a negative index is ignored", "STR-1 = x", {}},
        {"an index that is not a number is ignored", "STRabc = x", {}},
        {"a hexadecimal index is not a decimal number", "STR0x1F = x", {}},
        {"an index that overflows is ignored", "STR99999999999999999999 = x", {}},
        {"lower-case str is not an entry", "str5 = x", {}},
        {"a line without = is ignored", "STR5 x", {}},
        {"no room for a number before = is ignored", "STR = x\nSTR5= x", {}},
        {"the character before = is never part of the index", "STR12=Text", {{1, "Text"}}},
        {"blanks around the index are trimmed", "STR  14  = Chiudi", {{14, "Chiudi"}}},
        {"a sign is part of a decimal integer", "STR+5 = Passo 5", {{5, "Passo 5"}}},
        {"the later line for an index wins", "STR7 = first\nSTR7 = second", {{7, "second"}}},
        {"only the first = separates the value", "STR7 = a = b", {{7, "a = b"}}},
        {"lines may end at CR alone", "STR1 = one\rSTR2 = two\r", {{1, "one"}, {2, "two"}}},
        {"CR LF leaves no CR in the text",
         "STR1 = one\r\nSTR2 = two\r\n",
         {{1, "one"}, {2, "two"}}},
        {"blanks and control characters are trimmed from line and value",
         "\t STR3 = \tThree\x01 \x1f\x7f",
         {{3, "Three"}}},
        {"control characters between pilcrows are kept",
         "STR8 = " + P + "\tTab" + P,
         {{8, "\tTab"}}},
        {"headers, comments and empty lines are ignored",
         "; Italiano\n// STR5 = no\n\n[STR6 = no]\nSTR5 = Passo 5",
         {{5, "Passo 5"}}},
        {"a filler index may be given a text", "STR50 = extra", {{50, "extra"}}},
    };
}

class GrammarTest : public testing::TestWithParam<GrammarCase> {};

TEST_P(GrammarTest, OverlaysOnlyWhatTheLineSays) {
    const GrammarCase& row = GetParam();
    LanguageTable table;
    table.loadText(row.file);
    ASSERT_EQ(table.size(), LanguageTable::TextCount);
    for (int i = 0; i < LanguageTable::TextCount; ++i)
        ASSERT_EQ(table.text(i), row.changed.value(i, defaultLangText(i)))
            << row.why << " (index " << i << ")";
}

INSTANTIATE_TEST_SUITE_P(Lines, GrammarTest, testing::ValuesIn(grammarCases()));

class EncodingTest : public testing::TestWithParam<const char*> {};

// Translators save with whatever editor they have; all five must give the same texts.
TEST_P(EncodingTest, EveryEncodingGivesTheSameTexts) {
    TestFolder folder;
    const QString path = folder.copyFixture(QStringLiteral("lang/") + GetParam(), "x.lng");
    LanguageTable table;
    ASSERT_TRUE(table.loadFile(path));
    EXPECT_EQ(table.text(0), QStringLiteral("D\u00E9but"));
    EXPECT_EQ(table.text(9), QStringLiteral("Aucune configuration "));
    EXPECT_EQ(table.text(12), QStringLiteral("Information \u20AC"));
    EXPECT_EQ(table.text(1), defaultLangText(1));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, EncodingTest,
                         testing::Values("utf8_bom.lng", "utf8_plain.lng", "utf16le_bom.lng",
                                         "utf16be_bom.lng", "cp1252_plain.lng"));

TEST(LangFileDecode, WindowsCodePageCoversTheWholeHighHalf) {
    // 0x80..0x9F are not Latin-1: the euro sign and typographic quotes live there.
    EXPECT_EQ(LangFile::decode("\x80\x8A\x91\x92\x9F\x81"),
              QStringLiteral("\u20AC\u0160\u2018\u2019\u0178\u0081"));
    EXPECT_EQ(LangFile::decode("\xA0\xB6\xE9\xFF"), QStringLiteral("\u00A0\u00B6\u00E9\u00FF"));
    // One invalid sequence makes the whole file Windows-1252, valid UTF-8 parts included.
    EXPECT_EQ(LangFile::decode("\xC3\xA9 \xE9"), QStringLiteral("\u00C3\u00A9 \u00E9"));
}

TEST(LangFileDecode, ByteOrderMarksAreNotText) {
    EXPECT_EQ(LangFile::decode("\xEF\xBB\xBF"), QString());
    EXPECT_EQ(LangFile::decode("\xFF\xFE"), QString());
    // A truncated UTF-16 file loses only its half character.
    EXPECT_EQ(LangFile::decode(QByteArray("\xFF\xFE"
                                          "A\0B",
                                          5)),
              QStringLiteral("A"));
    EXPECT_EQ(LangFile::decode(QByteArray("\xFE\xFF\0A\0", 5)), QStringLiteral("A"));
}

TEST(LangFileLines, EndAtCrLfOrCrLf) {
    EXPECT_EQ(LangFile::splitLines(u"a\rb\nc\r\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(LangFile::splitLines(u"a\n\nb\r\r\n"), QStringList({"a", "", "b", ""}));
    EXPECT_EQ(LangFile::splitLines(u""), QStringList());
}

TEST(LangFileLoad, UnreadableFileLeavesTheTableUnchanged) {
    TestFolder folder;
    LanguageTable table;
    table.setText(3, QStringLiteral("kept"));
    EXPECT_FALSE(table.loadFile(folder.file("missing.lng")));
    EXPECT_FALSE(table.loadFile(folder.path())); // a folder named like a language
    EXPECT_EQ(table.text(3), QStringLiteral("kept"));
    EXPECT_EQ(table.text(4), defaultLangText(4));
}

} // namespace
