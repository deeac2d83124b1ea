#include "core/image/ImageSources.h"

#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "support/ImageTestSupport.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <optional>
#include <utility>

namespace {

using ImageSources::State;
using Bytes = std::optional<QByteArray>;

const QByteArray ParGen = "<ParGen><Mod_TO>500</Mod_TO></ParGen>";
const QByteArray Network = "<M_Bus><Nodo/></M_Bus>";

} // namespace

// The decision as a table: the record of what was compiled against the files as they are.
TEST(ImageSources, TheDecisionByFingerprints) {
    const QByteArray compiled = ImageSources::record(ParGen, Network);
    struct Row {
        const char* name;
        std::optional<QByteArray> record;
        Bytes parGen;
        Bytes mbus;
        State state;
        QStringList changed;
    };
    const Row rows[] = {
        {"matching", compiled, ParGen, Network, State::Match, {}},
        {"M_Bus.xml changed", compiled, ParGen, Network + " ", State::Differs, {"M_Bus.xml"}},
        {"ParGen.xml changed",
         compiled,
         QByteArray(ParGen).replace("500", "501"),
         Network,
         State::Differs,
         {"ParGen.xml"}},
        {"both changed",
         compiled,
         ParGen + "\n",
         QByteArray(),
         State::Differs,
         {"ParGen.xml", "M_Bus.xml"}},
        {"a file removed", compiled, std::nullopt, Network, State::Differs, {"ParGen.xml"}},
        {"no record", std::nullopt, ParGen, Network, State::Unknown, {}},
        {"a record without M_Bus.xml",
         compiled.left(compiled.indexOf("\n", 70) + 1),
         ParGen,
         Network,
         State::Unknown,
         {}},
        {"a record that is no record", QByteArray("garbage"), ParGen, Network, State::Unknown, {}},
        {"compiled without ParGen.xml, still none",
         ImageSources::record(std::nullopt, Network),
         std::nullopt,
         Network,
         State::Match,
         {}},
        {"compiled without ParGen.xml, one now",
         ImageSources::record(std::nullopt, Network),
         ParGen,
         Network,
         State::Differs,
         {"ParGen.xml"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ImageSources::Verdict verdict = ImageSources::judge(row.record, row.parGen, row.mbus);
        EXPECT_EQ(int(verdict.state), int(row.state));
        EXPECT_EQ(verdict.changed, row.changed);
    }
    // The exact bytes are fingerprinted: SHA-256, in the record's two lines.
    EXPECT_TRUE(compiled.contains(
        QCryptographicHash::hash(Network, QCryptographicHash::Sha256).toHex() + "  M_Bus.xml\n"));
}

// Through the files: compile records its source with the images; file dates play no part;
// images written without a record never inherit the old one.
TEST(ImageSources, AConfigurationsImagesKnowTheirSource) {
    TestFolder folder;
    const QString dir = folder.file(QStringLiteral("cfg"));
    const QByteArray network =
        ImageTest::networkXml(ImageTest::nodeXml(5, ImageTest::variableXml()));
    folder.write(QStringLiteral("cfg/M_Bus.xml"), network);
    folder.write(QStringLiteral("cfg/ParGen.xml"), ImageTest::parGenXml());
    EXPECT_EQ(int(ImageSources::judgeConfiguration(dir).state), int(State::NoImages));
    const CompileResult compiled = compileBanksFromFiles(dir + QStringLiteral("/M_Bus.xml"),
                                                         dir + QStringLiteral("/ParGen.xml"));
    ASSERT_TRUE(compiled.ok());
    ASSERT_EQ(writeBanks(dir, compiled.banks), QString());
    EXPECT_TRUE(ImageSources::judgeConfiguration(dir).matches());

    // Written again with the same bytes (a newer date): still the source.
    folder.write(QStringLiteral("cfg/M_Bus.xml"), network);
    EXPECT_TRUE(ImageSources::judgeConfiguration(dir).matches());

    folder.write(QStringLiteral("cfg/M_Bus.xml"), QByteArray(network).replace("Nodo", "Nodo "));
    const ImageSources::Verdict changed = ImageSources::judgeConfiguration(dir);
    EXPECT_EQ(int(changed.state), int(State::Differs));
    EXPECT_EQ(ImageSources::text(changed, LanguageTable()),
              QStringLiteral("The images in the bin folder do not match the configuration: "
                             "M_Bus.xml changed after they were compiled. Compile again (step 4) "
                             "before updating a device."));

    ASSERT_EQ(writeBanks(dir, {compiled.banks.bank, compiled.banks.bank2, {}}), QString());
    const ImageSources::Verdict unknown = ImageSources::judgeConfiguration(dir);
    EXPECT_EQ(int(unknown.state), int(State::Unknown));
    EXPECT_EQ(ImageSources::text(unknown, LanguageTable()),
              QStringLiteral("The images in the bin folder are not known to match the "
                             "configuration: compile again (step 4) before updating a device."));
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/bin/") + ImageSources::RecordName));
}
