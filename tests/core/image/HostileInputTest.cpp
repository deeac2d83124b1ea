#include "core/image/Compiler.h"
#include "support/ImageTestSupport.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using namespace ImageTest;

// Files written by hand, damaged or made to hurt: each either fails with a short message that
// names the file, or compiles exactly as the configuration it amounts to; none crashes (the
// sanitizers watch).
TEST(HostileInput, EachFileFailsWithItsMessageOrCompilesAsItsEquivalent) {
    const QByteArray deep = QByteArray("<a>").repeated(20000) + QByteArray("</a>").repeated(20000);
    const QByteArray hugeAttribute =
        networkXml(nodeXml(1, variableXml({{"Desc", QString(4 * 1024 * 1024, QLatin1Char('x'))},
                                           {"Type", QString(100000, QLatin1Char('9'))}})));
    QByteArray manyDisabled;
    for (int n = 0; n < 3000; ++n)
        manyDisabled += nodeXml(n, variableXml({{"Enable", "0"}}));
    const QByteArray entities = "<!DOCTYPE a [<!ENTITY x \"xxxxxxxxxx\"><!ENTITY y \"&x;&x;&x;\">]>"
                                "<a><n ID=\"&y;\"><v Enable=\"1\" Type=\"&y;\"/></n></a>";
    const QString hugeTypeError =
        QStringLiteral("M_Bus.xml: node 1 (ID 1), variable 1: attribute \"Type\" is not an "
                       "integer: \"%1...\"")
            .arg(QString(40, QLatin1Char('9')));
    struct Row {
        const char* why;
        std::optional<QByteArray> mbus;
        std::optional<QByteArray> parGen;
        // Failing rows: how the message starts (the reader's own wording follows a file name).
        // Compiling rows (empty): the same images as `same`'s files.
        QString error;
        std::pair<std::optional<QByteArray>, std::optional<QByteArray>> same = {};
    };
    const std::vector<Row> rows = {
        {"deep nesting", deep, deep,
         QStringLiteral("M_Bus.xml: elements nested deeper than 256 at line 1, column 769")},
        {"huge attribute", hugeAttribute, std::nullopt, hugeTypeError},
        {"thousands of disabled nodes",
         networkXml(manyDisabled),
         parGenXml(),
         {},
         {networkXml({}), parGenXml()}},
        {"entities", entities, entities,
         QStringLiteral("M_Bus.xml: Document type declarations are not allowed")},
        {"NUL and invalid UTF-8", QByteArray("<a>\0\xff\xfe<n ID=\"1\"/></a>", 22),
         QByteArray("\xff\xfe<P\0>", 6), QStringLiteral("M_Bus.xml: ")},
        {"empty files", QByteArray(), QByteArray(), QStringLiteral("M_Bus.xml: ")},
        {"text only", QByteArray("just text"), QByteArray("12"), QStringLiteral("M_Bus.xml: ")},
        {"settings as attributes", std::nullopt, "<Par_Gen Mod_Ser=\"1\"/>",
         QStringLiteral("ParGen.xml: element \"Mod_Ser\" is missing")},
        {"nested settings", std::nullopt, "<Par_Gen><x><Mod_Ser>1</Mod_Ser></x></Par_Gen>",
         QStringLiteral("ParGen.xml: element \"Mod_Ser\" is missing")},
        {"nodes in a comment",
         "<!--<n ID=\"1\"/>--><a/>",
         std::nullopt,
         {},
         {networkXml({}), std::nullopt}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const CompileResult r = compileBanksFromBytes(row.mbus, row.parGen);
        if (!row.error.isEmpty()) {
            ASSERT_FALSE(r.ok());
            EXPECT_TRUE(r.error.startsWith(row.error)) << r.error.left(300).toStdString();
            EXPECT_LT(r.error.size(), 300) << "errors quote values shortly";
            continue;
        }
        ASSERT_TRUE(r.ok()) << r.error.left(300).toStdString();
        const CompileResult same = compileBanksFromBytes(row.same.first, row.same.second);
        ASSERT_TRUE(same.ok()) << same.error.toStdString();
        EXPECT_EQ(r.banks.bank, same.banks.bank);
        EXPECT_EQ(r.banks.bank2, same.banks.bank2);
    }
}

// A file far beyond any configuration is refused before it is read whole.
TEST(HostileInput, OversizedFileIsRefused) {
    TestFolder folder;
    const QString path = folder.file(QStringLiteral("M_Bus.xml"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(33 * 1024 * 1024)); // sparse: costs no disk
    }
    const CompileResult r = compileBanksFromFiles(path, folder.file(QStringLiteral("ParGen.xml")));
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("M_Bus.xml"))) << r.error.toStdString();
}
