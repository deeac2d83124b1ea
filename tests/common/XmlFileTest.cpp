#include "common/XmlFile.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <gtest/gtest.h>

TEST(XmlFile, RootIsTheFirstTopLevelElement) {
    pugi::xml_document doc;
    ASSERT_TRUE(XmlFile::parse(doc, "<?pi x?><!-- c --><A><b>1</b></A>", QStringLiteral("f"),
                               pugi::parse_default | pugi::parse_comments | pugi::parse_pi)
                    .isEmpty());
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
