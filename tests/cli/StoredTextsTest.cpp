// Properties over many generated inputs (fixed seeds, so every run checks the same cases):
// what an entry accepts is written and read back unchanged by every file and every reader, and
// a configuration that `check` passes keeps its device images through the windows and through
// a spreadsheet round trip.
#include "common/XmlChars.h"
#include "core/shell/Settings.h"
#include "core/check/ConfigCheck.h"
#include "core/comm/GeneralParameters.h"
#include "core/comm/ParGenRules.h"
#include "core/comm/ParGenXml.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "core/network/NetworkRules.h"
#include "core/state/SharedState.h"

#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

// Characters that have broken a file format somewhere: markup, quotes, line ends, blanks of
// every kind, a byte-order mark, and the ones XML 1.0 cannot hold.
QString randomText(QRandomGenerator& random) {
    static const QList<QString> pieces = {QStringLiteral("a"),
                                          QStringLiteral(" "),
                                          QStringLiteral("\t"),
                                          QStringLiteral("\n"),
                                          QStringLiteral("\r"),
                                          QStringLiteral("\r\n"),
                                          QStringLiteral("<"),
                                          QStringLiteral("&"),
                                          QStringLiteral("&amp;"),
                                          QStringLiteral("\""),
                                          QStringLiteral("'"),
                                          QStringLiteral("]]>"),
                                          QStringLiteral("="),
                                          QStringLiteral("-"),
                                          QStringLiteral("%1"),
                                          QStringLiteral(","),
                                          QStringLiteral(";"),
                                          QStringLiteral("\\"),
                                          QString::fromUtf8("\xC3\xA8"),
                                          QString(QChar(0x00A0)),
                                          QString(QChar(0x0085)),
                                          QString(QChar(0x2028)),
                                          QString(QChar(0xFEFF)),
                                          QString(QChar(0xFFFD)),
                                          QString::fromUtf8("\xF0\x9F\x94\xA5"),
                                          QString(QChar(0x007F)),
                                          QString(QChar(0x0000)),
                                          QString(QChar(0x0001)),
                                          QString(QChar(0x000B)),
                                          QString(QChar(0x001F)),
                                          QString(QChar(0xFFFE)),
                                          QString(QChar(0xFFFF)),
                                          QString(QChar(0xD800)),
                                          QString(QChar(0xDFFF))};
    QString text;
    const int count = int(random.bounded(8));
    for (int i = 0; i < count; ++i)
        text += pieces[random.bounded(int(pieces.size()))];
    return text;
}

Variable plainVariable() {
    Variable v;
    v.enabled = true;
    v.dimension = 2;
    v.modbusType = 2;
    v.modbusCount = 2;
    return v;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

} // namespace

TEST(StoredTexts, WhateverIsAcceptedReadsBackIdentically) {
    QRandomGenerator random(20261210);
    const LanguageTable texts;
    QStringList accepted;
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        const QString text = randomText(random);
        SCOPED_TRACE(text.toUtf8().toHex().toStdString());
        // The entries' own checks: the editor (and a spreadsheet row), the settings window.
        const bool nodeTakes = NetworkRules::nodeAddressFailures(1, 0, text).isEmpty();
        NetworkRules::VariableNumbers numbers{1, 0, 2, 0, 0, 0, 2, text};
        const bool variableTakes = NetworkRules::variableFailures(numbers).isEmpty();
        GeneralParameters record;
        record.deviceModel = 0; // its address fields are kept as typed, never range-checked
        record.ethernetIp3 = text;
        const bool settingsTakes = settingsFailures(record).isEmpty();
        EXPECT_EQ(nodeTakes, XmlChars::storable(text));
        EXPECT_EQ(variableTakes, nodeTakes);
        EXPECT_EQ(settingsTakes, nodeTakes);
        if (nodeTakes)
            accepted << text;
        else
            ++refused;
    }
    EXPECT_GT(accepted.size(), 80);
    EXPECT_GT(refused, 80);

    // Twelve accepted texts at a time: as descriptions of nodes and variables, as the twelve
    // address fields, as the three texts of the settings file.
    TestFolder folder;
    const QString mbus = folder.file(QStringLiteral("M_Bus.xml"));
    const QString parGen = folder.file(QStringLiteral("ParGen.xml"));
    const QString settings = folder.file(QStringLiteral("Ordano.xml"));
    for (qsizetype first = 0; first < accepted.size(); first += 12) {
        const QStringList batch = accepted.mid(first, 12);
        SCOPED_TRACE(batch.join(QLatin1Char('|')).toUtf8().toHex().toStdString());
        Network network;
        for (int i = 0; i < batch.size(); ++i) {
            Node node;
            node.primary = i + 1;
            node.description = batch[i];
            Variable v = plainVariable();
            v.description = batch[batch.size() - 1 - i];
            node.variables = {v};
            network.append(node);
        }
        writeFile(mbus, networkBytes(network));
        const NetworkLoad loaded = loadNetwork(mbus);
        ASSERT_TRUE(loaded.ok()) << loaded.error.toStdString();
        EXPECT_EQ(loaded.nodes, network);
        EXPECT_TRUE(compileBanksFromBytes(networkBytes(network), std::nullopt).ok());
        const auto imported =
            NetworkCsv::importNetwork(NetworkCsv::exportNetwork(network, texts), texts);
        EXPECT_EQ(imported.error, QString());
        EXPECT_EQ(imported.nodes, network);

        GeneralParameters record;
        record.deviceModel = 0;
        QString* const fields[] = {
            &record.ethernetIp1,      &record.ethernetIp2,      &record.ethernetIp3,
            &record.ethernetIp4,      &record.ethernetMask1,    &record.ethernetMask2,
            &record.ethernetMask3,    &record.ethernetMask4,    &record.ethernetGateway1,
            &record.ethernetGateway2, &record.ethernetGateway3, &record.ethernetGateway4};
        for (int i = 0; i < batch.size(); ++i)
            *fields[i] = batch[i];
        EXPECT_TRUE(settingsFailures(record).isEmpty());
        writeFile(parGen, generalParametersBytes(record));
        const GeneralParametersLoad parLoaded = loadGeneralParameters(parGen);
        ASSERT_TRUE(parLoaded.ok()) << parLoaded.error.toStdString();
        EXPECT_EQ(parLoaded.value, record);
        EXPECT_TRUE(compileBanksFromBytes(std::nullopt, generalParametersBytes(record)).ok());

        SharedState state;
        state.projectName = batch.value(0);
        state.lastIpAddress = batch.value(1);
        state.language = batch.value(2);
        writeFile(settings, Settings::settingsBytes(state));
        SharedState read;
        Settings::readSettings(read, settings);
        EXPECT_EQ(read.projectName, state.projectName);
        EXPECT_EQ(read.lastIpAddress, state.lastIpAddress);
        EXPECT_EQ(read.language, state.language);
    }
}

namespace {

// Attribute and element texts around every edge the readers treat differently.
QString randomNumberText(QRandomGenerator& random) {
    static const char* const texts[] = {
        "0",   "1",   "2",          "7",          "-1",          "255",
        "256", "300", "65535",      "65536",      "4294967295",  "4294967296",
        "+7",  "007", "2147483647", "2147483648", "-2147483649", "9223372036854775808",
        "x",   "",    "1.0",        " 1"};
    return QString::fromLatin1(texts[random.bounded(int(std::size(texts)))]);
}

QByteArray randomNetwork(QRandomGenerator& random) {
    static const char* const nodeAttributes[] = {"ID", "Sec_Add"};
    static const char* const varAttributes[] = {"Enable", "Unit",   "StoNumber", "Tariff",
                                                "VIFE",   "Length", "Scale",     "Mod_ID",
                                                "Mod_TD", "Mod_NR", "Mod_NP",    "Mod_Swap"};
    QByteArray xml = "<M-Bus_Network>";
    const int nodes = 1 + int(random.bounded(2));
    for (int n = 0; n < nodes; ++n) {
        xml += "<Nodo Descrizione=\"n\"";
        for (const char* name : nodeAttributes) {
            // Mostly a valid address, so that some configurations pass.
            const QString text =
                random.bounded(6) == 0 ? randomNumberText(random) : QString::number(n + 1);
            xml += QByteArray(" ") + name + "=\"" + text.toLatin1() + "\"";
        }
        xml += ">";
        const int variables = int(random.bounded(3));
        for (int v = 0; v < variables; ++v) {
            xml += "<Variabile Desc=\"v\" Type=\"0\" Fun_Field=\"0\" Dim=\"2\"";
            for (const char* name : varAttributes) {
                if (random.bounded(10) != 0)
                    continue; // missing: the readers' defaults
                xml += QByteArray(" ") + name + "=\"" + randomNumberText(random).toLatin1() + "\"";
            }
            xml += "/>";
        }
        xml += "</Nodo>";
    }
    return xml + "</M-Bus_Network>";
}

QByteArray randomParGen(QRandomGenerator& random) {
    static const char* const elements[] = {"Mod_Ser",    "Mod_Baud",  "Mod_Par",
                                           "Mod_TO",     "Mod_CD",    "Mod_Protocol",
                                           "Meter_Baud", "Meter_Par", "Ethernet_EN_GAT"};
    QByteArray xml = "<Par_Gen><Select_Device>0</Select_Device>";
    for (const char* name : elements) {
        const QString text =
            random.bounded(8) == 0 ? randomNumberText(random) : QStringLiteral("1");
        xml += QByteArray("<") + name + ">" + text.toLatin1() + "</" + name + ">";
    }
    for (const auto* group :
         {&ParGenXml::Ethernet_IP, &ParGenXml::Ethernet_SM, &ParGenXml::Ethernet_GAT}) {
        for (const char* name : *group) {
            if (random.bounded(12) == 0)
                continue; // missing: the device's default in the image
            const QString text =
                random.bounded(8) == 0 ? randomNumberText(random) : QStringLiteral("10");
            xml += QByteArray("<") + name + ">" + text.toLatin1() + "</" + name + ">";
        }
    }
    return xml + "</Par_Gen>";
}

} // namespace

TEST(StoredTexts, WhatCheckPassesKeepsItsImagesThroughTheWindowsAndASpreadsheet) {
    QRandomGenerator random(424242);
    const LanguageTable texts;
    int passed = 0;
    int found = 0;
    TestFolder folder;
    for (int round = 0; round < 24; ++round) {
        const QByteArray mbusBytes = randomNetwork(random);
        const QByteArray parGenBytes = randomParGen(random);
        SCOPED_TRACE(mbusBytes.toStdString() + "\n" + parGenBytes.toStdString());
        const QString mbus = folder.write(QStringLiteral("M_Bus.xml"), mbusBytes);
        const QString parGen = folder.write(QStringLiteral("ParGen.xml"), parGenBytes);
        const ConfigCheckResult checked = checkConfiguration(folder.path(), texts);
        if (!checked.errors.isEmpty() || !checked.findings.isEmpty()) {
            ++found;
            continue;
        }
        ++passed;
        const CompileResult original = compileBanksFromFiles(mbus, parGen);
        ASSERT_TRUE(original.ok()) << original.error.toStdString();

        // The windows read the files and write them back on OK.
        const Network network = loadNetwork(mbus).nodes;
        const GeneralParameters parameters = loadGeneralParameters(parGen).value;
        const CompileResult windows =
            compileBanksFromBytes(networkBytes(network), generalParametersBytes(parameters));
        ASSERT_TRUE(windows.ok()) << windows.error.toStdString();
        EXPECT_EQ(windows.banks.bank, original.banks.bank);
        EXPECT_EQ(windows.banks.bank2, original.banks.bank2);

        const auto imported =
            NetworkCsv::importNetwork(NetworkCsv::exportNetwork(network, texts), texts);
        ASSERT_TRUE(imported.ok()) << imported.error.toStdString();
        const CompileResult spreadsheet =
            compileBanksFromBytes(networkBytes(imported.nodes), generalParametersBytes(parameters));
        ASSERT_TRUE(spreadsheet.ok()) << spreadsheet.error.toStdString();
        EXPECT_EQ(spreadsheet.banks.bank, original.banks.bank);
    }
    EXPECT_GT(passed, 4);
    EXPECT_GT(found, 4);
}
