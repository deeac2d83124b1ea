// The dump and the decoder read every image, good or broken, exactly as they always have: the
// texts support staff compare and the fields the update comparison uses never drift.
#include "core/image/BankDump.h"
#include "core/image/Compiler.h"
#include "core/image/ImageDecode.h"
#include "support/ImageTestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <gtest/gtest.h>

using namespace ImageTest;

namespace {

QByteArray compiled(const QByteArray& network, bool withParGen) {
    const CompileResult r = compileBanksFromBytes(
        network, withParGen ? std::optional<QByteArray>(parGenXml()) : std::nullopt);
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.banks.bank;
}

// Good images of several shapes, and every truncation, extension and single-byte change of
// each.
QList<QByteArray> networkCorpus() {
    const QDir dir(fixtureDir("worked_example"));
    const CompileResult worked = compileBanksFromFiles(dir.filePath(QStringLiteral("M_Bus.xml")),
                                                       dir.filePath(QStringLiteral("ParGen.xml")));
    EXPECT_TRUE(worked.ok());
    const QList<QByteArray> bases = {
        worked.banks.bank,
        compiled(networkXml(nodeXml(
                     3, variableXml({{"Type", "19"}, {"VIFE", "38"}, {"Scale", "15"}}) +
                            variableXml({{"Type", "19"}, {"VIFE", "70"}, {"Scale", "255"}}))),
                 false),
        compiled(networkXml(nodeXml(1, variableXml() + variableXml()) + nodeXml(2, variableXml()) +
                            nodeXml(7, variableXml({{"Type", "5"}}), QStringLiteral("00000099"))),
                 true),
        compiled(networkXml({}), true),
        compiled(networkXml({}), false),
    };
    QList<QByteArray> corpus;
    for (const QByteArray& base : bases) {
        for (int length = 0; length <= base.size(); ++length)
            corpus << base.left(length);
        for (const int extra : {1, 13, 14, 15, 22})
            corpus << base + QByteArray(extra, '\x01');
        for (int at = 0; at < base.size(); ++at) {
            for (const quint8 value : {0x00, 0x01, 0x02, 0x0A, 0x7F, 0x80, 0xFF}) {
                QByteArray changed = base;
                changed[at] = char(value);
                corpus << changed;
            }
        }
    }
    return corpus;
}

QList<QByteArray> blockCorpus() {
    const QDir dir(fixtureDir("worked_example"));
    const CompileResult worked = compileBanksFromFiles(dir.filePath(QStringLiteral("M_Bus.xml")),
                                                       dir.filePath(QStringLiteral("ParGen.xml")));
    const QByteArray block = worked.banks.bank2;
    QList<QByteArray> corpus{block, block.left(2047), block + '\0', QByteArray()};
    for (int at = 0; at < block.size(); at += 7) {
        QByteArray changed = block;
        changed[at] = char(quint8(changed.at(at)) ^ 0x5A);
        corpus << changed;
    }
    return corpus;
}

QString networkText(const ImageDecode::Network& n) {
    QString text;
    for (const ImageDecode::Node& node : n.nodes) {
        text += QStringLiteral("N%1 %2:").arg(node.id).arg(node.secondary);
        for (const ImageDecode::Variable& v : node.variables)
            text += QStringLiteral(" [%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11 %12 %13 %14]")
                        .arg(v.type)
                        .arg(v.function)
                        .arg(v.dimensionCode)
                        .arg(v.unit)
                        .arg(v.storage)
                        .arg(v.tariff)
                        .arg(v.vife)
                        .arg(v.length)
                        .arg(v.recordCode)
                        .arg(v.modId)
                        .arg(v.modType)
                        .arg(v.modRegister)
                        .arg(v.modPoints)
                        .arg(v.modSwap);
        text += u'\n';
    }
    if (n.parameters) {
        const ImageDecode::Parameters& p = *n.parameters;
        text += QStringLiteral("P %1 %2 %3 %4 %5 %6 %7 %8\n")
                    .arg(p.modSer)
                    .arg(p.modBaud)
                    .arg(p.modPar)
                    .arg(p.modTimeout)
                    .arg(p.modCyclicDelay)
                    .arg(p.framing)
                    .arg(p.meterBaud)
                    .arg(p.meterPar);
    }
    return text;
}

QString sha(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

} // namespace

TEST(ImageReadStable, TheDumpReadsEveryImageAsBefore) {
    QByteArray all;
    int images = 0;
    for (const QList<QByteArray>& corpus : {networkCorpus(), blockCorpus()}) {
        for (const QByteArray& image : corpus) {
            const BankDump d = dumpImage(image);
            all += d.text.toUtf8() + (d.ok ? "\n+ok\n" : "\n-bad\n");
            ++images;
        }
    }
    EXPECT_EQ(images, 2655);
    // Changed once on purpose: the dump and the decoder name a failing block checksum alike,
    // and a wrong fixed eight stands under its line.
    EXPECT_EQ(sha(all),
              QStringLiteral("cc5d75de2e05fdea5bb2a3e49e4f441182b560d8921a1b1466b04f0775725fb3"));
}

TEST(ImageReadStable, TheDecoderReadsEveryImageAsBefore) {
    QByteArray all;
    for (const QByteArray& image : networkCorpus()) {
        ImageDecode::Network network;
        const QString error = ImageDecode::decodeNetwork(image, network);
        // Which images are refused, and what an accepted one holds; the reason is the dump's.
        all += (error.isEmpty() ? QStringLiteral("accepted\n") + networkText(network)
                                : QStringLiteral("refused\n"))
                   .toUtf8();
    }
    for (const QByteArray& image : blockCorpus()) {
        ImageDecode::Block block;
        const QString error = ImageDecode::decodeBlock(image, block);
        all += error.toUtf8() + '\n';
    }
    EXPECT_EQ(sha(all),
              QStringLiteral("90d3a4df45fbce4bc9ca64043b396f0e33fa23246ad2fcfc7ae4216cd9219683"));
}
