#include "ImageTestSupport.h"
#include "image/BankDump.h"
#include "image/BankLayout.h"
#include "image/Compiler.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ImageTest;

// Files written by hand, damaged or made to hurt: the compile either fails with a message or
// gives images the device can hold, and never crashes (the sanitizers watch).
TEST(HostileInput, NeverCrashesAndStaysWithinTheDevice) {
    const QByteArray deep = QByteArray("<a>").repeated(20000) + QByteArray("</a>").repeated(20000);
    const QByteArray hugeAttribute =
        networkXml(nodeXml(1, variableXml({{"Desc", QString(4 * 1024 * 1024, QLatin1Char('x'))},
                                           {"Type", QString(100000, QLatin1Char('9'))}})));
    QByteArray manyDisabled;
    for (int n = 0; n < 3000; ++n)
        manyDisabled += nodeXml(n, variableXml({{"Enable", "0"}}));
    const QByteArray entities = "<!DOCTYPE a [<!ENTITY x \"xxxxxxxxxx\"><!ENTITY y \"&x;&x;&x;\">]>"
                                "<a><n ID=\"&y;\"><v Enable=\"1\" Type=\"&y;\"/></n></a>";
    struct Row {
        const char* why;
        std::optional<QByteArray> mbus;
        std::optional<QByteArray> parGen;
    };
    const std::vector<Row> rows = {
        {"deep nesting", deep, deep},
        {"huge attribute", hugeAttribute, std::nullopt},
        {"thousands of disabled nodes", networkXml(manyDisabled), parGenXml()},
        {"entities", entities, entities},
        {"NUL and invalid UTF-8", QByteArray("<a>\0\xff\xfe<n ID=\"1\"/></a>", 22),
         QByteArray("\xff\xfe<P\0>", 6)},
        {"empty files", QByteArray(), QByteArray()},
        {"text only", QByteArray("just text"), QByteArray("12")},
        {"settings as attributes", std::nullopt, "<Par_Gen Mod_Ser=\"1\"/>"},
        {"nested settings", std::nullopt, "<Par_Gen><x><Mod_Ser>1</Mod_Ser></x></Par_Gen>"},
        {"nodes in a comment", "<!--<n ID=\"1\"/>--><a/>", std::nullopt},
    };
    for (const Row& row : rows) {
        const CompileResult r = compileBanksFromBytes(row.mbus, row.parGen);
        if (!r.ok()) {
            EXPECT_LT(r.error.size(), 1000) << row.why << ": errors quote values shortly";
            continue;
        }
        EXPECT_EQ(r.banks.bank2.size(), BankLayout::BlockSize) << row.why;
        EXPECT_LE(r.banks.bank.size(), BankLayout::MaxBankSize) << row.why;
        EXPECT_TRUE(dumpImage(r.banks.bank).ok) << row.why;
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
    const CompileResult r = Compile_Banks(path, folder.file(QStringLiteral("ParGen.xml")));
    ASSERT_FALSE(r.ok());
    EXPECT_TRUE(r.error.contains(QStringLiteral("M_Bus.xml"))) << r.error.toStdString();
}
