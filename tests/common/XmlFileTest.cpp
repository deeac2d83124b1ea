#include "common/XmlFile.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(XmlFile, RootIsTheFirstTopLevelElement) {
    pugi::xml_document doc;
    ASSERT_TRUE(
        XmlFile::parse(doc, "<?pi x?><!-- c --><A><b>1</b></A>", QStringLiteral("f")).isEmpty());
    EXPECT_STREQ(XmlFile::root(doc).name(), "A");
    EXPECT_EQ(XmlFile::childText(XmlFile::root(doc), "b"), QStringLiteral("1"));
    EXPECT_EQ(XmlFile::childText(XmlFile::root(doc), "c"), std::nullopt);
}

TEST(XmlFile, ParseErrorsNameTheFileLineAndColumn) {
    pugi::xml_document doc;
    const QString error = XmlFile::parse(doc, "<A>\n  <b>1</c>\n</A>", QStringLiteral("M_Bus.xml"));
    EXPECT_TRUE(error.startsWith(QStringLiteral("M_Bus.xml: "))) << error.toStdString();
    EXPECT_TRUE(error.contains(QStringLiteral("line 2, column"))) << error.toStdString();

    TestFolder folder;
    EXPECT_FALSE(XmlFile::load(doc, folder.file(QStringLiteral("absent.xml"))).isEmpty());
}

// Columns count characters, not bytes: an editor shows "é" as one column.
TEST(XmlFile, ErrorColumnsCountCharacters) {
    struct Row {
        const char* why;
        QByteArray bytes;
        const char* position;
    };
    const Row rows[] = {
        {"ASCII", "<A>\n  <b>ab</c>\n</A>", "line 2, column 10"},
        {"two-byte letters", "<A>\n  <b>\xc3\xa9\xc3\xa9</c>\n</A>", "line 2, column 10"},
        {"three-byte letters", "<A>\n  <b>\xe2\x82\xac\xe2\x82\xac</c>\n</A>", "line 2, column 10"},
        {"after a byte-order mark", "\xef\xbb\xbf<A>\xc3\xa9\xc3\xa9</c>", "line 1, column 8"},
    };
    for (const Row& row : rows) {
        pugi::xml_document doc;
        const QString error = XmlFile::parse(doc, row.bytes, QStringLiteral("f.xml"));
        EXPECT_TRUE(error.endsWith(QLatin1String(row.position)))
            << row.why << ": " << error.toStdString();
    }
}

// Blank-only texts are values, as typed; blanks between elements are not.
TEST(XmlFile, BlankOnlyTextIsKept) {
    pugi::xml_document doc;
    ASSERT_TRUE(XmlFile::parse(doc, "<A>\n <b>  </b>\n <c/>\n</A>", QStringLiteral("f")).isEmpty());
    EXPECT_EQ(XmlFile::childText(XmlFile::root(doc), "b"), QStringLiteral("  "));
    EXPECT_EQ(XmlFile::childText(XmlFile::root(doc), "c"), QString());
    EXPECT_STREQ(XmlFile::root(doc).first_child().name(), "b");
}

TEST(XmlFile, SavesWithoutDeclarationOrIndentationAndReplacesTheFile) {
    pugi::xml_document doc;
    pugi::xml_node root = XmlFile::startDocument(doc, "Par_Gen", "SW_VERSION = 2.005");
    root.append_child("Select_Device").text().set("1");
    root.append_attribute("a").set_value("é");
    TestFolder folder;
    const QString path = folder.write(QStringLiteral("ParGen.xml"), "old content, longer");
    ASSERT_TRUE(XmlFile::save(doc, path).isEmpty());
    EXPECT_EQ(folder.read(QStringLiteral("ParGen.xml")),
              QByteArray("<Par_Gen a=\"\xc3\xa9\"><Select_Device>1</Select_Device></Par_Gen>"
                         "<!--SW_VERSION = 2.005-->"));
    EXPECT_FALSE(XmlFile::save(doc, folder.file(QStringLiteral("no/such/dir/x.xml"))).isEmpty());
}
