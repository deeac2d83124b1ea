#include "core/lang/LanguageExport.h"
#include "core/lang/LangFile.h"
#include "core/lang/LanguageTable.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString P = QStringLiteral("\u00B6");
const QByteArray Utf8Bom("\xEF\xBB\xBF");

struct ValueCase {
    const char* why;
    QString text;
    std::optional<QString> written;
};

void PrintTo(const ValueCase& row, std::ostream* os) {
    *os << row.why;
}

std::vector<ValueCase> valueCases() {
    return {
        {"plain text is written as is", "Begin", QString("Begin")},
        {"a trailing blank needs pilcrows", "Page ", P + "Page " + P},
        {"blanks at both ends", " / ", P + " / " + P},
        {"several trailing blanks", "Nodes     ", P + "Nodes     " + P},
        {"a lone blank at a text's index", " ", P + " " + P},
        {"an empty value would be ignored, so a single pilcrow", "", P},
        {"a control character at an end would be trimmed", "\tTab", P + "\tTab" + P},
        {"= inside the value is safe", "= a = b", QString("= a = b")},
        {"/# without the closing slash is no comment", "a/# b", QString("a/# b")},
        {"a pilcrow cannot be carried", "a" + P + "b", std::nullopt},
        {"a text starting with a pilcrow cannot be carried", P + "a", std::nullopt},
        {"/#/ would always be cut", "a /#/ b", std::nullopt},
        {"a line break would end the entry", "two\nlines", std::nullopt},
    };
}

class EntryValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(EntryValueTest, WrittenValueReadsBackToTheText) {
    const ValueCase& row = GetParam();
    const auto written = LanguageExport::entryValue(row.text);
    ASSERT_EQ(written, row.written) << row.why;
    if (!written)
        return;
    const auto entry = LangFile::parseLine(QStringLiteral("STR42 = ") + *written, 1000);
    ASSERT_TRUE(entry.has_value()) << row.why;
    EXPECT_EQ(entry->index, 42);
    EXPECT_EQ(entry->text, row.text) << row.why;
}

INSTANTIATE_TEST_SUITE_P(Texts, EntryValueTest, testing::ValuesIn(valueCases()));

LanguageTable loadedOver(LanguageTable table, const QByteArray& bytes) {
    table.loadText(LangFile::decode(bytes));
    return table;
}

TEST(LanguageExport, DefaultsComeBackOverATableWithEveryTextChanged) {
    const LanguageTable defaults;
    const auto result = LanguageExport::exportTable(defaults, "English defaults");
    EXPECT_TRUE(result.skipped.isEmpty());
    ASSERT_TRUE(result.bytes.startsWith(Utf8Bom));

    LanguageTable changed;
    for (int i = 0; i < changed.size(); ++i)
        changed.setText(i, QStringLiteral("changed %1").arg(i));
    const LanguageTable back = loadedOver(changed, result.bytes);
    for (int i = 0; i < back.size(); ++i) {
        // Fillers are left out of the file: a translator has nothing to translate there.
        const QString expected = defaultLangText(i) == QStringLiteral(" ")
                                     ? QStringLiteral("changed %1").arg(i)
                                     : defaultLangText(i);
        ASSERT_EQ(back.text(i), expected) << "index " << i;
    }

    int entries = 0;
    for (const QString& line : LangFile::splitLines(LangFile::decode(result.bytes))) {
        entries += line.startsWith(QStringLiteral("STR"));
        EXPECT_TRUE(line.isEmpty() || line.startsWith(u';') || line.startsWith("STR"))
            << line.toStdString();
    }
    EXPECT_EQ(entries, 603);
}

// An old translation brought up to date: its own texts, blanks and all, plus every text it
// lacks in English; a filler index set to a blank stays out, a real text set to one does not.
TEST(LanguageExport, TranslationOverDefaultsIsReproduced) {
    TestFolder folder;
    LanguageTable table;
    ASSERT_TRUE(table.loadFile(folder.copyFixture("lang/italiano_old.lng", "it.lng")));
    ASSERT_EQ(table.text(316), QStringLiteral("  Cambiare la lingua da "));
    ASSERT_EQ(table.text(318), QString());
    ASSERT_EQ(table.text(605), QStringLiteral(" "));

    const auto result = LanguageExport::exportTable(table, "italiano_old.lng");
    EXPECT_TRUE(result.skipped.isEmpty());
    const LanguageTable back = loadedOver(LanguageTable(), result.bytes);
    for (int i = 0; i < back.size(); ++i)
        ASSERT_EQ(back.text(i), table.text(i)) << "index " << i;
    // Exporting what was read back is a fixed point.
    EXPECT_EQ(LanguageExport::exportTable(back, "italiano_old.lng").bytes, result.bytes);
}

TEST(LanguageExport, TextsNoLineCanCarryAreNamedAndLeftOut) {
    LanguageTable table;
    table.setText(5, "Passo" + P + "5");
    table.setText(6, QStringLiteral("Passo /#/ 6"));
    const auto result = LanguageExport::exportTable(table, "test");
    EXPECT_EQ(result.skipped, QList<int>({5, 6}));
    const QString text = LangFile::decode(result.bytes);
    EXPECT_TRUE(text.contains(QStringLiteral("; STR5 is left out")));
    EXPECT_TRUE(text.contains(QStringLiteral("; STR6 is left out")));
    const LanguageTable back = loadedOver(LanguageTable(), result.bytes);
    EXPECT_EQ(back.text(5), defaultLangText(5));
    EXPECT_EQ(back.text(6), defaultLangText(6));
}

} // namespace
