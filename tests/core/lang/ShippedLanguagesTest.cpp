// What ships in LANGUAGE beside the program: every translation must cover every text of the
// English table, so a text added to the program without its translations fails here.
#include "core/lang/LangFile.h"
#include "core/lang/LanguageExport.h"
#include "core/lang/LanguageTable.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QRegularExpression>
#include <cctype>
#include <gtest/gtest.h>

namespace {

const QString Shipped = QStringLiteral(ORDANO_LANGUAGE_DIR);
const QString Sources = QStringLiteral(ORDANO_TRANSLATION_SOURCES);
const QString Filler = QStringLiteral(" ");

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QList<int> textIndexes() {
    QList<int> indexes;
    for (int i = 0; i < LanguageTable::TextCount; ++i)
        if (defaultLangText(i) != Filler)
            indexes.append(i);
    return indexes;
}

struct ReadFile {
    QMap<int, QString> entries;
    QStringList problems; // one line each, naming the file's line
};

// Reads a shipped file line by line with the loader's own grammar. Besides entries only blank
// lines and ";" comments are allowed: any other line would be dropped by the loader unseen.
ReadFile readShipped(const QString& path) {
    ReadFile result;
    const QByteArray bytes = readAll(path);
    if (!bytes.startsWith("\xEF\xBB\xBF"))
        result.problems << QStringLiteral("no UTF-8 byte-order mark");
    const QStringList lines = LangFile::splitLines(LangFile::decode(bytes));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString where = QStringLiteral("line %1: %2").arg(n + 1).arg(lines[n]);
        const QStringView line = LangFile::trimmed(lines[n]);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        const auto entry = LangFile::parseLine(line, LanguageTable::TextCount);
        if (!entry) {
            result.problems << where + QStringLiteral(" (not an entry the loader takes)");
        } else if (defaultLangText(entry->index) == Filler) {
            result.problems << where + QStringLiteral(" (read as index %1, which no window shows)")
                                           .arg(entry->index);
        } else if (result.entries.contains(entry->index)) {
            result.problems
                << where + QStringLiteral(" (read as index %1, set before)").arg(entry->index);
        } else {
            result.entries.insert(entry->index, entry->text);
        }
    }
    return result;
}

qsizetype trailingBlanks(const QString& text) {
    return text.size() - LangFile::trimmedEnd(text).size();
}

qsizetype leadingBlanks(const QString& text) {
    return text.size() - LangFile::trimmed(text).size() - trailingBlanks(text);
}

QStringList numbers(const QString& text) {
    QStringList found;
    for (const auto& match : QRegularExpression(QStringLiteral("[0-9]+")).globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

QStringList translations() {
    return QDir(Sources).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
}

std::vector<std::string> translationNames() {
    std::vector<std::string> names;
    for (const QString& name : translations())
        names.push_back(name.toStdString());
    return names;
}

TEST(ShippedLanguages, ItalianShipsBesideTheGeneratedEnglish) {
    EXPECT_TRUE(translations().contains(QStringLiteral("Italiano.lng")));
    const QStringList shipped =
        QDir(Shipped).entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Name);
    EXPECT_TRUE(shipped.contains(QStringLiteral("English.lng")))
        << shipped.join(u' ').toStdString();
    for (const QString& name : translations())
        EXPECT_EQ(readAll(QDir(Shipped).filePath(name)), readAll(QDir(Sources).filePath(name)))
            << name.toStdString() << " in the program folder differs from its source";
}

TEST(ShippedLanguages, GeneratedEnglishIsCurrentAndReadsBackToTheDefaults) {
    const QString path = QDir(Shipped).filePath(QStringLiteral("English.lng"));
    const QByteArray bytes = readAll(path);
    ASSERT_FALSE(bytes.isEmpty()) << path.toStdString();
    EXPECT_EQ(bytes, LanguageExport::exportTable(LanguageTable(), "English defaults").bytes);

    const ReadFile read = readShipped(path);
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join(u'\n').toStdString();
    EXPECT_EQ(read.entries.keys(), textIndexes());

    LanguageTable table;
    for (int i = 0; i < table.size(); ++i)
        table.setText(i, QStringLiteral("changed"));
    ASSERT_TRUE(table.loadFile(path));
    for (int index : textIndexes())
        EXPECT_EQ(table.text(index), defaultLangText(index)) << "index " << index;
}

class TranslationTest : public testing::TestWithParam<std::string> {
protected:
    QString name() const { return QString::fromStdString(GetParam()); }
    QString path() const { return QDir(Sources).filePath(name()); }
};

TEST_P(TranslationTest, EveryLineIsAnEntryACommentOrBlank) {
    const ReadFile read = readShipped(path());
    EXPECT_TRUE(read.problems.isEmpty()) << read.problems.join(u'\n').toStdString();
}

TEST_P(TranslationTest, CoversEveryTextOfTheEnglishTable) {
    const ReadFile read = readShipped(path());
    QStringList missing;
    for (int index : textIndexes())
        if (!read.entries.contains(index))
            missing << QStringLiteral("STR%1 (%2)").arg(index).arg(defaultLangText(index));
    EXPECT_TRUE(missing.isEmpty()) << GetParam() << " lacks:\n"
                                   << missing.join(u'\n').toStdString();
}

// Texts are joined to names and numbers without separators, and messages quote limits: a
// translation keeps the blanks at both ends and every number of the English text.
TEST_P(TranslationTest, KeepsBlanksAtTheEndsAndEveryNumber) {
    const ReadFile read = readShipped(path());
    for (auto it = read.entries.cbegin(); it != read.entries.cend(); ++it) {
        const QString english = defaultLangText(it.key());
        const QString& text = it.value();
        EXPECT_FALSE(LangFile::trimmed(text).isEmpty()) << "STR" << it.key();
        EXPECT_EQ(leadingBlanks(text), leadingBlanks(english)) << "STR" << it.key();
        EXPECT_EQ(trailingBlanks(text), trailingBlanks(english)) << "STR" << it.key();
        EXPECT_EQ(numbers(text), numbers(english))
            << "STR" << it.key() << ": " << text.toStdString();
    }
}

// Loaded the way the program loads a chosen language, from the program folder.
TEST_P(TranslationTest, LoadsAsTheChosenLanguage) {
    const ReadFile read = readShipped(path());
    QString language = name().chopped(4);
    LanguageTable table;
    loadLanguage(table, language, Shipped);
    EXPECT_EQ(language, name().chopped(4));
    for (auto it = read.entries.cbegin(); it != read.entries.cend(); ++it)
        EXPECT_EQ(table.text(it.key()), it.value()) << "STR" << it.key();
}

// The program reads some texts back and tells them apart by their words (a Modbus list caption
// typed in a paste grid or a spreadsheet, the caption of the editor's add/modify buttons): a
// translation that gave two of them the same words would make one unreachable.
TEST_P(TranslationTest, KeepsTextsTheProgramTellsApartDistinct) {
    const ReadFile read = readShipped(path());
    const QList<QList<int>> groups{{610, 611}, {634, 635}, {615, 616, 617, 618}, {622, 623}};
    for (const QList<int>& group : groups) {
        QMap<QString, int> seen;
        for (int index : group) {
            const QString words = LangFile::trimmed(read.entries.value(index)).toString();
            EXPECT_FALSE(seen.contains(words)) << "STR" << index << " and STR" << seen.value(words)
                                               << " both read \"" << words.toStdString() << '"';
            seen.insert(words, index);
        }
    }
}

TEST_P(TranslationTest, HasItsOwnFlag) {
    const QString flag = QDir(Shipped).filePath(name().chopped(4) + QStringLiteral(".bmp"));
    EXPECT_FALSE(QImage(flag).isNull()) << flag.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Shipped, TranslationTest, testing::ValuesIn(translationNames()),
                         [](const auto& info) {
                             std::string label = info.param.substr(0, info.param.size() - 4);
                             for (char& c : label)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return label;
                         });

// Flags are shown at their own size in 48 by 48 slots, transparent around the flag.
TEST(ShippedFlags, AreSlotSizedWithATransparentSurround) {
    for (const char* name : {"English.bmp", "Italiano.bmp", "DefaultFlag.bmp"}) {
        const QImage image(QDir(Shipped).filePath(QString::fromLatin1(name)));
        ASSERT_FALSE(image.isNull()) << name;
        EXPECT_EQ(image.size(), QSize(48, 48)) << name;
        EXPECT_TRUE(image.hasAlphaChannel()) << name;
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(image.pixel(0, 47)), 0) << name;
        EXPECT_EQ(qAlpha(image.pixel(24, 24)), 255) << name;

        // Twice the size for screens that scale by two: the same flag in finer pixels.
        const QString large = QString::fromLatin1(name).chopped(4) + QStringLiteral("@2x.bmp");
        const QImage twice(QDir(Shipped).filePath(large));
        ASSERT_EQ(twice.size(), QSize(96, 96)) << large.toStdString();
        for (const QPoint p : {QPoint(0, 0), QPoint(0, 47), QPoint(24, 24), QPoint(47, 20)})
            EXPECT_EQ(qAlpha(twice.pixel(p * 2 + QPoint(1, 1))), qAlpha(image.pixel(p))) << name;
    }
}

} // namespace
