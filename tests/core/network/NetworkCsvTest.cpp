#include "core/network/NetworkCsv.h"

#include "bench/FullNetwork.h"
#include "core/lang/LanguageSet.h"
#include "core/lang/LanguageTable.h"
#include "core/network/Network.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

using NetworkCsv::exportNetwork;
using NetworkCsv::importNetwork;

namespace {

const QByteArray Header =
    "Node Primary Address,Node Secondary Address,Node Description,Enable,Description,"
    "Type of Data,Scale,Function Field,Dimension,Length,Unit,Storage Number,Tariff,VIFE,"
    "Modbus Slave ID,Modbus Type of Data,Modbus Register,Modbus Number of Points,Modbus Swap\n";

// One row of a heat meter's energy record, as a spreadsheet writes it (no quotes needed).
const QByteArray EnergyRow = "1,12345678,Heat meter,1,Energy,Energy (Wh),Wh * (10 ^ 0),"
                             "Instantaneous Value,32,0,0,0,0,Not Selected,1,Holding Register,0,2,"
                             "None\n";

NetworkCsv::ImportResult import(const QByteArray& bytes) {
    return importNetwork(bytes, LanguageTable());
}

} // namespace

// What a spreadsheet program may do to the file: all of it reads the same network.
TEST(NetworkCsv, ReaderTakesWhatSpreadsheetsWrite) {
    struct Case {
        const char* why;
        QByteArray bytes;
    };
    QByteArray semicolons = Header + EnergyRow;
    semicolons.replace(',', ';');
    QByteArray tabs = Header + EnergyRow;
    tabs.replace(',', '\t');
    QByteArray crlf = Header + EnergyRow;
    crlf.replace("\n", "\r\n");
    const Case cases[] = {
        {"plain commas", Header + EnergyRow},
        {"byte-order mark", "\xEF\xBB\xBF" + Header + EnergyRow},
        {"European locale: semicolons", semicolons},
        {"tabs", tabs},
        {"Windows line ends", crlf},
        {"no line end at the end", Header + EnergyRow.chopped(1)},
        {"every field quoted",
         Header + "\"1\",\"12345678\",\"Heat meter\",\"1\",\"Energy\",\"Energy (Wh)\","
                  "\"Wh * (10 ^ 0)\",\"Instantaneous Value\",\"32\",\"0\",\"0\",\"0\",\"0\","
                  "\"Not Selected\",\"1\",\"Holding Register\",\"0\",\"2\",\"None\"\n"},
        {"empty lines between rows", Header + "\n" + EnergyRow + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto result = import(c.bytes);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        ASSERT_EQ(result.nodes.size(), 1);
        const Node& node = result.nodes[0];
        EXPECT_EQ(node.primary, 1);
        EXPECT_EQ(node.secondary, 12345678);
        EXPECT_EQ(node.description, QStringLiteral("Heat meter"));
        ASSERT_EQ(node.variables.size(), 1);
        const Variable& v = node.variables[0];
        EXPECT_TRUE(v.enabled);
        EXPECT_EQ(v.dimension, 2);
        EXPECT_EQ(v.scale, 3);
        EXPECT_EQ(v.modbusType, 2);
        EXPECT_EQ(v.modbusCount, 2);
    }
}

// Quotes, separators and line breaks inside a description, and blanks at the ends of
// captions ("Volume " and "Volume" are two VIFE entries), all survive the round trip.
TEST(NetworkCsv, QuotingKeepsEveryCharacter) {
    Node node;
    node.primary = 7;
    node.description = QStringLiteral("Boiler room; \"north\", level 2");
    Variable v;
    v.enabled = true;
    v.description = QStringLiteral("Line one\r\nline two, with \"quotes\"; and more");
    v.dataType = 19;
    v.vife = 53; // "Volume "
    v.scale = 1;
    v.modbusSlave = 1;
    v.modbusCount = 4;
    v.modbusType = 3;
    node.variables = {v};
    Node empty;
    empty.primary = 8;
    empty.description = QStringLiteral("spare, not yet wired");

    const QByteArray bytes = exportNetwork({node, empty}, LanguageTable());
    ASSERT_TRUE(bytes.startsWith("\xEF\xBB\xBF"));
    const auto result = import(bytes);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.nodes, (Network{node, empty}));

    QByteArray semicolons = bytes;
    semicolons.replace("\",\"", "\";\"");
    EXPECT_EQ(import(semicolons).nodes, (Network{node, empty}));
}

// The largest network, exported and imported, writes M_Bus.xml byte for byte as before.
TEST(NetworkCsv, FullNetworkRoundTripIsAFixedPoint) {
    TestFolder folder;
    const QString before = folder.file(QStringLiteral("before.xml"));
    const QString after = folder.file(QStringLiteral("after.xml"));
    Network nodes = fullNetwork();
    nodes[3].variables[2].enabled = false;
    nodes[4].variables[1].dataType = 22; // no scale list: 255
    nodes[4].variables[1].scale = 255;
    nodes[5].variables[0].dimension = 7;
    nodes[5].variables[0].length = 191;
    nodes[6].variables[0].storageNumber = 4294967295u;
    nodes[6].variables[0].tariff = 1048575;
    ASSERT_EQ(saveNetwork(nodes, before), QString());
    const auto result = import(exportNetwork(loadNetwork(before).nodes, LanguageTable()));
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.nodes, nodes);
    ASSERT_EQ(saveNetwork(result.nodes, after), QString());
    EXPECT_EQ(folder.read(QStringLiteral("after.xml")), folder.read(QStringLiteral("before.xml")));
}

// The editor's own checks, messages and order; the first failing row refuses the whole file,
// named by line, column and rule.
TEST(NetworkCsv, BadRowsNameLineColumnAndRule) {
    struct Case {
        const char* why;
        QByteArray rows;
        QString error;
    };
    auto row = [](const char* replaceFrom, const char* replaceTo) {
        QByteArray r = EnergyRow;
        r.replace(replaceFrom, replaceTo);
        return r;
    };
    const Case cases[] = {
        {"register beyond 65535", row(",Holding Register,0,", ",Holding Register,65536,"),
         "Line 2, column 17 (Modbus Register): Error!! ModBus Register must be between 0 and "
         "65535"},
        {"slave ID before register",
         row(",Not Selected,1,Holding Register,0,", ",Not Selected,0,Holding Register,70000,"),
         "Line 2, column 15 (Modbus Slave ID): Error!! ModBus Slave ID must be between 1 and 247"},
        {"primary address 251", row("1,12345678,", "251,12345678,"),
         "Line 2, column 1 (Node Primary Address): Error!! M-Bus Node Primary Address must be "
         "between 1 and 250"},
        {"secondary address of nine digits", row("1,12345678,", "1,100000000,"),
         "Line 2, column 2 (Node Secondary Address): Error!! M-Bus Node Secondary Address must "
         "be between 0 and 99999999"},
        {"a caption not in the list", row(",Energy (Wh),", ",Energy (kWh),"),
         "Line 2, column 6 (Type of Data): \"Energy (kWh)\" is not an entry of this list"},
        {"a scale of another type", row(",Wh * (10 ^ 0),", ",J * (10 ^ 0),"),
         "Line 2, column 7 (Scale): \"J * (10 ^ 0)\" is not an entry of this list"},
        {"a caption in other case", row(",None\n", ",none\n"),
         "Line 2, column 19 (Modbus Swap): \"none\" is not an entry of this list"},
        {"enable as a word", row(",1,Energy,", ",yes,Energy,"),
         "Line 2, column 4 (Enable): Enable must be 1 or 0"},
        {"tariff beyond 20 bits", row(",0,0,Not", ",0,1048576,Not"),
         "Line 2, column 13 (Tariff): Error!! Tariff must be between 0x00000 and 0xFFFFF"},
        {"a missing field", row(",None\n", "\n"), "Line 2: the row has 18 fields, the header 19"},
        // Reported where the row with the open quote starts.
        {"an open quote", row("Heat meter", "\"Heat meter"),
         "Line 2: a quoted field is not closed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto result = import(Header + c.rows);
        EXPECT_EQ(result.error, c.error);
        EXPECT_TRUE(result.nodes.isEmpty());
    }
}

// A description that M_Bus.xml could not hold is refused where it stands, never cut: a NUL
// would otherwise end the text, the others make the saved file unreadable.
TEST(NetworkCsv, DescriptionsThatCannotBeStoredAreRefused) {
    const QString node = QStringLiteral(
        "Line 3, column 3 (Node Description): Error!! M-Bus Node Description holds a character "
        "that cannot be stored (a control character, U+FFFE or U+FFFF)");
    const QString variable = QStringLiteral(
        "Line 3, column 5 (Description): Error!! Variable Description holds a character that "
        "cannot be stored (a control character, U+FFFE or U+FFFF)");
    struct Case {
        QByteArray nodeDescription;
        QByteArray description;
        QString error;
    };
    const Case cases[] = {
        {"Heat\vmeter", "Energy", node},
        {"Heat meter",
         "\x01"
         "Energy",
         variable},
        {"Heat meter", QByteArray("En\0ergy", 7), variable},
        {"Heat meter", "Energy\xEF\xBF\xBE", variable}, // U+FFFE
        {"\xEF\xBF\xBFHeat", "Energy", node},           // U+FFFF
        {"Heat\x1Fmeter", "\x1B[31m", node},            // the node comes first
        // Tab, line breaks and characters beyond the first plane are stored as they are.
        {"\"Heat\tmeter\r\nhall\"", "Energy \xF0\x9F\x94\xA5", QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nodeDescription.toHex().toStdString() + " " +
                     c.description.toHex().toStdString());
        QByteArray second = EnergyRow;
        second.replace("1,12345678,Heat meter,1,Energy,",
                       "2,1," + c.nodeDescription + ",1," + c.description + ",");
        const auto result = import(Header + EnergyRow + second);
        EXPECT_EQ(result.error, c.error);
        if (c.error.isEmpty()) {
            ASSERT_EQ(result.nodes.size(), 2);
            EXPECT_EQ(result.nodes[1].description, QStringLiteral("Heat\tmeter\r\nhall"));
            EXPECT_EQ(result.nodes[1].variables.value(0).description,
                      QString::fromUtf8("Energy \xF0\x9F\x94\xA5"));
        } else {
            EXPECT_TRUE(result.nodes.isEmpty());
        }
    }
}

// Numbers follow the editor's rule (hex, leading blanks), positions stand in for captions,
// and a caption that is itself a number wins over the position.
TEST(NetworkCsv, NumbersAndPositions) {
    QByteArray row = EnergyRow;
    row.replace("1,12345678,", "0x1F,12345678,");
    row.replace(",Energy (Wh),Wh * (10 ^ 0),", ",0,3,");
    row.replace(",Instantaneous Value,32,", ",1,8,"); // "8" is the caption of position 0
    row.replace(",1,Holding Register,0,2,", ", 5,3,$10,2,");
    const auto result = import(Header + row);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    const Variable& v = result.nodes[0].variables[0];
    EXPECT_EQ(result.nodes[0].primary, 31);
    EXPECT_EQ(v.dataType, 0);
    EXPECT_EQ(v.scale, 3);
    EXPECT_EQ(v.function, 1);
    EXPECT_EQ(v.dimension, 0);
    EXPECT_EQ(v.modbusSlave, 5);
    EXPECT_EQ(v.modbusType, 3);
    EXPECT_EQ(v.modbusRegister, 16);
}

// Rows with one primary address form one node wherever they stand; the node's own columns
// must then agree. Limits come before the fields, as in the editor.
TEST(NetworkCsv, NodesAndLimits) {
    QByteArray second = EnergyRow;
    second.replace("1,12345678,Heat meter,", "2,5,Water,");
    QByteArray again = EnergyRow;
    again.replace(",Energy,", ",Energy tariff 1,");
    again.replace(",0,0,Not", ",0,1,Not");
    const auto grouped = import(Header + EnergyRow + second + again);
    ASSERT_TRUE(grouped.ok()) << grouped.error.toStdString();
    ASSERT_EQ(grouped.nodes.size(), 2);
    EXPECT_EQ(grouped.nodes[0].variables.size(), 2);
    EXPECT_EQ(grouped.nodes[1].variables.size(), 1);

    QByteArray renamed = EnergyRow;
    renamed.replace("Heat meter", "Cold meter");
    EXPECT_EQ(import(Header + EnergyRow + renamed).error,
              QStringLiteral("Line 3, column 3 (Node Description): differs from the first row "
                             "of this node (line 2)"));

    // The eleventh variable also has a bad slave ID: the limit is what the editor reports.
    QByteArray eleven = Header;
    for (int i = 0; i < 10; ++i)
        eleven += EnergyRow;
    QByteArray badSlave = EnergyRow;
    badSlave.replace(",1,Holding Register,", ",0,Holding Register,");
    EXPECT_EQ(import(eleven + badSlave).error,
              QStringLiteral("Line 12, column 5 (Description): Error!! Max number of Variables "
                             "reached"));

    QByteArray sixtyFive = Header;
    for (int n = 1; n <= 65; ++n)
        sixtyFive += QByteArray::number(n) + ",0,,,,,,,,,,,,,,,,,\n";
    sixtyFive.replace("65,0,", "999,0,"); // the limit is reported, not the address
    EXPECT_EQ(import(sixtyFive).error,
              QStringLiteral("Line 66, column 1 (Node Primary Address): Error!! Max number of "
                             "nodes M-Bus reached"));
}

// A header the reader cannot map refuses the file before any row.
TEST(NetworkCsv, HeaderProblems) {
    QByteArray unknown = Header;
    unknown.replace("Tariff", "Tarif");
    EXPECT_EQ(import(unknown + EnergyRow).error,
              QStringLiteral("Line 1: unknown column \"Tarif\""));
    QByteArray missing = Header;
    missing.replace(",Modbus Swap", "");
    EXPECT_EQ(import(missing).error,
              QStringLiteral("Line 1: the column \"Modbus Swap\" is missing"));
    EXPECT_EQ(import(QByteArray()).error, QStringLiteral("The file has no header line"));
    EXPECT_EQ(import(Header + "1,\xFF\xFE,x\n").error,
              QStringLiteral("The file is not UTF-8 text: save it from the spreadsheet as CSV "
                             "UTF-8"));
}

// Lines end at LF, CR LF or a lone CR (old Mac spreadsheets); rows are named by the line
// they start on, also after a description that spans lines.
TEST(NetworkCsv, LineNumbersForEveryLineEnd) {
    QByteArray bad = EnergyRow;
    bad.replace(",Holding Register,0,", ",Holding Register,65536,");
    QByteArray spanning = EnergyRow;
    spanning.replace(",Energy,", ",\"Energy\nfirst\nsecond\",");
    for (const char* end : {"\n", "\r\n", "\r"}) {
        SCOPED_TRACE(QByteArray(end).toPercentEncoding().toStdString());
        QByteArray bytes = Header + EnergyRow + "\n" + spanning + bad;
        bytes.replace("\n", end);
        EXPECT_EQ(import(bytes).error,
                  QStringLiteral("Line 7, column 17 (Modbus Register): Error!! ModBus Register "
                                 "must be between 0 and 65535"));
    }
}

// Each row is checked as it is read: the first bad one decides, whatever follows it, and a
// row of many fields is only counted.
TEST(NetworkCsv, FirstBadRowEndsTheReading) {
    QByteArray bad = EnergyRow;
    bad.replace(",Energy (Wh),", ",Energy (kWh),");
    const QString badError =
        QStringLiteral("Line 3, column 6 (Type of Data): \"Energy (kWh)\" is not an entry of "
                       "this list");
    struct Case {
        const char* why;
        QByteArray bytes;
        QString error;
    };
    const Case cases[] = {
        {"an open quote after it", Header + EnergyRow + bad + "\"never closed", badError},
        {"a stray quote after it", Header + EnergyRow + bad + "1,a\"b\n", badError},
        {"a bad header before a broken file", "Tarif\n\"never closed",
         QStringLiteral("Line 1: unknown column \"Tarif\"")},
        {"a row of 100000 fields", Header + QByteArray(99999, ',') + "\n",
         QStringLiteral("Line 2: the row has 100000 fields, the header 19")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(import(c.bytes).error, c.error);
    }
}

// A cell that spreadsheets would run as a formula is written behind an apostrophe, and the
// apostrophe is removed on reading: every text comes back exactly.
TEST(NetworkCsv, FormulaCellsAreWrittenAsText) {
    const QString texts[] = {
        QStringLiteral("=1+2"),     QStringLiteral("+1"),   QStringLiteral("-1"),
        QStringLiteral("@SUM(A1)"), QStringLiteral("\tx"),  QStringLiteral("\rx"),
        QStringLiteral("'=x"),      QStringLiteral("''+y"), QStringLiteral("'plain"),
        QStringLiteral("'"),        QStringLiteral("a=b"),  QString(),
    };
    Network nodes;
    for (const QString& text : texts) {
        Node node;
        node.primary = int(nodes.size()) + 1;
        node.description = text;
        Variable v;
        v.description = text;
        v.dimension = 2;
        v.scale = 3;
        v.modbusSlave = 1;
        v.modbusCount = 2;
        node.variables = {v};
        nodes.append(node);
    }
    const QByteArray bytes = exportNetwork(nodes, LanguageTable());
    for (const char* cell : {"\"'=1+2\"", "\"'+1\"", "\"'-1\"", "\"'@SUM(A1)\"", "\"'\tx\"",
                             "\"'\rx\"", "\"''=x\"", "\"'''+y\"", "\"'plain\"", "\"a=b\""})
        EXPECT_TRUE(bytes.contains(cell)) << cell;
    EXPECT_FALSE(bytes.contains("\"=")) << "no cell starts a formula";
    const auto result = import(bytes);
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    EXPECT_EQ(result.nodes, nodes);

    // A cell typed in a spreadsheet with the apostrophe reads as the text the user sees.
    QByteArray typed = EnergyRow;
    typed.replace(",Energy,", ",'=Energy,");
    typed.replace(",Heat meter,", ",'Heat meter,");
    const auto read = import(Header + typed);
    ASSERT_TRUE(read.ok()) << read.error.toStdString();
    EXPECT_EQ(read.nodes[0].variables[0].description, QStringLiteral("=Energy"));
    EXPECT_EQ(read.nodes[0].description, QStringLiteral("'Heat meter"));
}

// The reader hands every field on exactly: a NUL is neither dropped nor the end of the text.
// Either the text arrives whole or the row's checks refuse it by line, column and field.
TEST(NetworkCsv, FieldsReachTheChecksWhole) {
    QByteArray row = EnergyRow;
    row.replace(",Energy,", QByteArray(",En\0ergy,", 9));
    const auto result = import(Header + row);
    if (result.ok()) {
        ASSERT_EQ(result.nodes.size(), 1);
        EXPECT_EQ(result.nodes[0].variables[0].description, QString::fromUtf8("En\0ergy", 7));
    } else {
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("Line 2, column 5 (Description)")))
            << result.error.toStdString();
    }
}

namespace {

QList<LanguageSet::Language> shippedLanguages() {
    return LanguageSet::loadAll({QStringLiteral(ORDANO_LANGUAGE_DIR)});
}

// Every Modbus type and swap (the lists that have words in each language), and a node
// without variables.
Network travellingNetwork() {
    Network nodes = fullNetwork();
    nodes.resize(8);
    for (int v = 0; v < 10; ++v) {
        nodes[1].variables[v].modbusType = v % 4;
        nodes[1].variables[v].modbusSwap = v % 2;
        nodes[1].variables[v].modbusCount = 64;
    }
    nodes[2].variables[3].enabled = false;
    nodes[3].variables[0].modbusRegister = 65535;
    nodes[4].variables.clear();
    return nodes;
}

// What a spreadsheet program does when it saves the file with another separator.
QByteArray withSeparator(QByteArray bytes, char from, char to) {
    bytes.replace(QByteArray("\"") + from + '"', QByteArray("\"") + to + '"');
    bytes.replace(QByteArray("\"") + from + "\r\n", QByteArray("\"") + to + "\r\n");
    return bytes;
}

} // namespace

// A file travels between colleagues: written in language A, read by a program in language B
// (after a spreadsheet saved it with any separator), written in A again, it is the same file,
// and M_Bus.xml is the same file throughout.
TEST(NetworkCsv, TravelsBetweenEveryPairOfLanguagesAndSeparators) {
    const QList<LanguageSet::Language> languages = shippedLanguages();
    QStringList names;
    for (const auto& language : languages)
        names << language.name;
    ASSERT_TRUE(names.contains(QStringLiteral("English")) &&
                names.contains(QStringLiteral("Italiano")))
        << names.join(u',').toStdString();
    const QList<LanguageTable> tables = LanguageSet::tables(languages);

    TestFolder folder;
    const QString stored = folder.file(QStringLiteral("M_Bus.xml"));
    ASSERT_EQ(saveNetwork(travellingNetwork(), stored), QString());
    const QByteArray storedBytes = folder.read(QStringLiteral("M_Bus.xml"));
    const Network nodes = loadNetwork(stored).nodes;

    for (const auto& a : languages) {
        const QByteArray written = exportNetwork(nodes, a.table);
        const char separator = NetworkCsv::separatorFor(a.table);
        for (const auto& b : languages) {
            for (const char spreadsheet : {',', ';', '\t'}) {
                SCOPED_TRACE(QStringLiteral("%1 -> %2, separator %3")
                                 .arg(a.name, b.name, QString(QLatin1Char(spreadsheet)))
                                 .toStdString());
                const auto read =
                    importNetwork(withSeparator(written, separator, spreadsheet), b.table, tables);
                ASSERT_TRUE(read.ok()) << read.error.toStdString();
                EXPECT_EQ(exportNetwork(read.nodes, a.table), written);
                const QString again = folder.file(QStringLiteral("again.xml"));
                ASSERT_EQ(saveNetwork(read.nodes, again), QString());
                EXPECT_EQ(folder.read(QStringLiteral("again.xml")), storedBytes);
            }
        }
    }
}

// The file speaks the program's language: its column names and Modbus words, with ";" where
// the decimal separator is a comma, and the register as manuals number it beside the stored
// protocol address.
TEST(NetworkCsv, WritesTheLanguageItIsGiven) {
    Network nodes = travellingNetwork();
    nodes.resize(2);
    nodes[1].variables.resize(3);
    nodes[1].variables[2].modbusRegister = 40;
    LanguageTable italian;
    for (const auto& language : shippedLanguages())
        if (language.name == QStringLiteral("Italiano"))
            italian = language.table;
    ASSERT_EQ(italian.text(617), QStringLiteral("Registro holding"));

    const QList<QByteArray> english = exportNetwork(nodes, LanguageTable()).split('\n');
    EXPECT_EQ(english[0],
              "\xEF\xBB\xBF\"Node Primary Address\",\"Node Secondary Address\",\"Node "
              "Description\",\"Enable\",\"Description\",\"Type of Data\",\"Scale\",\"Function "
              "Field\",\"Dimension\",\"Length\",\"Unit\",\"Storage Number\",\"Tariff\",\"VIFE\","
              "\"Modbus Slave ID\",\"Modbus Type of Data\",\"Modbus Register\",\"Register as in "
              "Manuals\",\"Modbus Number of Points\",\"Modbus Swap\"\r");
    EXPECT_TRUE(english[13].endsWith("\"Holding Register\",\"40\",\"40041\",\"64\",\"None\"\r"))
        << english[13].toStdString();

    const QList<QByteArray> italianRows = exportNetwork(nodes, italian).split('\n');
    EXPECT_TRUE(italianRows[0].startsWith("\xEF\xBB\xBF\"Indirizzo primario nodo\";"))
        << italianRows[0].toStdString();
    EXPECT_TRUE(italianRows[0].contains("\"Registro Modbus\";\"Registro come nei manuali\""));
    EXPECT_TRUE(italianRows[12].endsWith("\"Stato ingressi\";\"22\";\"10023\";\"64\";\"Tipo 1\"\r"))
        << italianRows[12].toStdString();

    // An Italian file read by an English program without the Italian words is refused by
    // its first unknown column, in the reader's language.
    const auto refused = importNetwork(exportNetwork(nodes, italian), LanguageTable());
    EXPECT_EQ(refused.error.left(7), QStringLiteral("Line 1:"));
}
