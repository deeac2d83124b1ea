#include "core/image/BankDump.h"
#include "core/image/Compiler.h"
#include "core/image/ImageDecode.h"
#include "support/ImageTestSupport.h"

#include "support/QtPrinters.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace ImageTest;

namespace {

CompiledBanks workedExample() {
    const QDir dir(fixtureDir("worked_example"));
    const CompileResult r = compileBanksFromFiles(dir.filePath(QStringLiteral("M_Bus.xml")),
                                                  dir.filePath(QStringLiteral("ParGen.xml")));
    EXPECT_TRUE(r.ok()) << r.error.toStdString();
    return r.banks;
}

void expectMentions(const QString& text, const QStringList& words) {
    for (const QString& word : words)
        EXPECT_TRUE(text.contains(word)) << "missing: " << word.toStdString() << "\nin:\n"
                                         << text.toStdString();
}

} // namespace

// Support staff read an image back with every field named and decoded.
TEST(BankDump, NetworkImageNamesEveryField) {
    const BankDump d = dumpImage(workedExample().bank);
    EXPECT_TRUE(d.ok) << d.text.toStdString();
    expectMentions(d.text, {"bank.bin",
                            "55 bytes",
                            "primary address 1",
                            "secondary address 12345678",
                            "records at offset 19",
                            "\"Energy (Wh)\"",
                            "\"Instantaneous Value\"",
                            "code 4 = position 2 \"32\"",
                            "\"Not Selected\"",
                            "record code         4 = \"Energy (Wh)\", scale 3 \"Wh * (10 ^ 0)\"",
                            "Modbus type         2 \"Holding Register\"",
                            "Modbus points       2",
                            "Modbus swap         0 \"None\"",
                            "1 \"RS232\"",
                            "7 \"115200\"",
                            "Modbus time-out     1000 ms",
                            "Modbus cyclic delay 100 ms",
                            "0 binary",
                            "M-Bus baud          3 \"2400\"",
                            "M-Bus parity        1 \"EVEN\""});
}

TEST(BankDump, ParameterBlockNamesEveryField) {
    const BankDump d = dumpImage(workedExample().bank2);
    EXPECT_TRUE(d.ok) << d.text.toStdString();
    expectMentions(d.text, {"bank2.bin", "fixed value 250000", "Modbus time-out 1000 ms",
                            "IP address 192.168.0.10", "subnet mask 255.255.255.0",
                            "255.255.255.255 (not used)", "Modbus baud rate 115200 bit/s",
                            "M-Bus baud rate 2400 bit/s", "M-Bus parity 2 even",
                            "node records in bank.bin 1", "0x80000", "stored 3907, computed 3907"});
}

// A VIFE-coded record reads back through the VIFE's own scale list.
TEST(BankDump, VifeRecordCodeReadsBack) {
    const QByteArray net =
        networkXml(nodeXml(3, variableXml({{"Type", "19"}, {"VIFE", "38"}, {"Scale", "15"}}) +
                                  variableXml({{"Type", "19"}, {"VIFE", "70"}, {"Scale", "255"}})));
    const CompileResult r = compileBanksFromBytes(net, std::nullopt);
    ASSERT_TRUE(r.ok());
    const BankDump d = dumpImage(r.banks.bank);
    EXPECT_TRUE(d.ok) << d.text.toStdString();
    expectMentions(d.text, {"188 = VIFE 38 \"Volts \", scale 15 \"10^6 Volts\"",
                            "300 = VIFE 70 \"per second\", no scale list", "No parameter section"});
}

// A file cut anywhere is reported, never read past its end. Only the cut right after the
// tables is itself a whole image (a compile without ParGen.xml).
TEST(BankDump, EveryTruncationIsReported) {
    const QByteArray bank = workedExample().bank;
    for (int length = 0; length < bank.size(); ++length) {
        const BankDump d = dumpImage(bank.left(length));
        EXPECT_EQ(d.ok, length == 41) << length << "\n" << d.text.toStdString();
    }
    const QByteArray block = workedExample().bank2;
    for (const int length : {0, 4, 2044, 2047, 2049}) {
        const BankDump d = dumpParameterBlock(block.left(length) + QByteArray(length > 2048, 0));
        EXPECT_FALSE(d.ok) << length;
    }
}

// Bytes the compiler never writes: named, with where.
TEST(BankDump, InconsistenciesAreNamed) {
    struct Row {
        const char* why;
        int offset;
        quint8 value;
        const char* mentioned;
    };
    const Row rows[] = {
        {"non-BCD nibble", 18, 0x7F, "1234567?"},
        {"node table offset", 0, 9, "node table offset is 9"},
        {"parameter offset past the end", 4, 0xFF, "outside the file"},
        {"record offset", 11, 0x14, "first node record"},
        {"dimension code", 19 + 2, 8, "data-field code 8"},
        {"record code of another type", 19 + 14, 9, "does not belong to type of data 0"},
        {"unused record code", 19 + 15, 0x02, "record code 516 is not a code of any choice"},
        {"counts in the section", 41 + 12, 2, "counts 1 nodes and 2 variables"},
        {"more records than the table", 9, 2, "run past the variable table"},
    };
    const QByteArray bank = workedExample().bank;
    for (const Row& row : rows) {
        QByteArray changed = bank;
        changed[row.offset] = char(row.value);
        const BankDump d = dumpImage(changed);
        EXPECT_FALSE(d.ok) << row.why;
        expectMentions(d.text, {QString::fromLatin1(row.mentioned)});
    }
}

// A block with a byte nobody defined, or whose checksum fails, is not passed as good.
TEST(BankDump, BlockProblemsAreNamed) {
    QByteArray block = workedExample().bank2;
    block[0x100] = 5;
    block[0x7FC] = char(quint8(block.at(0x7FC)) + 5); // checksum kept right
    BankDump d = dumpImage(block);
    EXPECT_FALSE(d.ok);
    expectMentions(d.text, {"bank2.bin", "1 unexpected non-zero byte(s): 0x100=5", "holds"});

    QByteArray broken = workedExample().bank2;
    broken[0x028] = 1;
    d = dumpImage(broken);
    EXPECT_FALSE(d.ok);
    expectMentions(d.text, {"neither a parameter block", "DOES NOT HOLD"});
}

// bank2.bin has one reading: the dump shows each of its problems, and exactly those the device
// would refuse keep the update's comparison from taking the block.
TEST(BankDump, BlockProblemsComeFromTheOneReading) {
    using Place = ImageDecode::BlockProblem::Place;
    struct Row {
        const char* why;
        int offset;
        quint8 value;
        Place place;
        bool refuses;
        const char* text;
    };
    const Row rows[] = {
        {"fixed rate", 0x000, 1, Place::Field, false, "fixed value at 0x000 is 249857, not 250000"},
        {"fixed port", 0x036, 0, Place::Field, false, "fixed value at 0x036 is 9984, not 10001"},
        {"an eight", 0x219, 7, Place::Field, false, "fixed value at 0x219 is 7, not 8"},
        {"bank address", 0x2ED, 0x12, Place::Field, false, "the device loads it at 0x"},
        {"stray byte", 0x400, 9, Place::Stray, false, "1 unexpected non-zero byte(s): 0x400=9"},
    };
    for (const Row& row : rows) {
        QByteArray block = workedExample().bank2;
        block[row.offset] = char(row.value);
        // The checksum is kept right, so that only the change itself is wrong.
        const quint32 sum = ImageDecode::readBlock(block).block.computedChecksum;
        for (int i = 0; i < 4; ++i)
            block[0x7FC + i] = char((sum >> (8 * i)) & 0xFF);
        const ImageDecode::BlockRead read = ImageDecode::readBlock(block);
        ASSERT_EQ(read.problems.size(), 1) << row.why;
        EXPECT_EQ(read.problems[0].place, row.place) << row.why;
        EXPECT_EQ(read.problems[0].refuses, row.refuses) << row.why;
        EXPECT_TRUE(read.problems[0].text.contains(QLatin1String(row.text)))
            << row.why << ": " << read.problems[0].text.toStdString();
        ImageDecode::Block decoded;
        EXPECT_EQ(ImageDecode::decodeBlock(block, decoded).isEmpty(), !row.refuses) << row.why;
        const BankDump d = dumpParameterBlock(block);
        EXPECT_FALSE(d.ok) << row.why;
        expectMentions(d.text, {QStringLiteral("PROBLEM: ") + read.problems[0].text});
    }

    // What the device refuses: a wrong length, a checksum that does not hold.
    QByteArray broken = workedExample().bank2;
    broken[0x028] = 1;
    for (const QByteArray& bytes : {broken, workedExample().bank2.left(2047)}) {
        const ImageDecode::BlockRead read = ImageDecode::readBlock(bytes);
        ASSERT_FALSE(read.refusal().isEmpty());
        ImageDecode::Block decoded;
        EXPECT_EQ(ImageDecode::decodeBlock(bytes, decoded), read.refusal());
        expectMentions(dumpParameterBlock(bytes).text,
                       {QStringLiteral("PROBLEM: ") + read.refusal()});
    }
    EXPECT_TRUE(ImageDecode::readBlock(workedExample().bank2).problems.isEmpty());
}

// Every single-byte change of an image decodes without reading past its end (the sanitizers
// watch). The network image carries no checksum, so only changes that break its structure are
// caught: 98 of these 275 in the worked example.
TEST(BankDump, AnyByteChangeIsSafe) {
    const QByteArray bank = workedExample().bank;
    int caught = 0;
    for (int at = 0; at < bank.size(); ++at) {
        for (const quint8 value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
            QByteArray changed = bank;
            changed[at] = char(value);
            caught += dumpImage(changed).ok ? 0 : 1;
        }
    }
    EXPECT_EQ(caught, 98);
}
