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

// Every reader turns a raw carriage return into a line feed: the writer keeps line ends in
// element texts and attributes as they were given.
TEST(XmlFile, LineEndsInTextsAndAttributesReadBackUnchanged) {
    const char* const texts[] = {"a\rb", "a\r\nb", "\r", "a\nb\tc", " \r\n "};
    for (const char* text : texts) {
        SCOPED_TRACE(QByteArray(text).toHex().toStdString());
        pugi::xml_document doc;
        pugi::xml_node root = XmlFile::startDocument(doc, "R", "c");
        root.append_child("e").text().set(text);
        root.append_attribute("a").set_value(text);
        const QByteArray bytes = XmlFile::serialize(doc);
        EXPECT_FALSE(bytes.contains('\r')) << bytes.toStdString();
        pugi::xml_document read;
        ASSERT_EQ(XmlFile::parse(read, bytes, QStringLiteral("f")), QString());
        EXPECT_EQ(XmlFile::childText(XmlFile::root(read), "e"), QString::fromLatin1(text));
        EXPECT_EQ(XmlFile::attributeText(XmlFile::root(read), "a"), QString::fromLatin1(text));
    }
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

namespace {

QString xmlFixture(const char* name) {
    return fixturePath(QStringLiteral("xml/") + QLatin1String(name));
}

} // namespace

// What is not well-formed is refused with the parser's message, line and column, like any
// other malformed file; a lenient reading would drop the second network or take the first of
// two values without a word.
TEST(XmlFile, NotWellFormedIsRefused) {
    struct Row {
        const char* fixture;
        const char* error;
    };
    const Row rows[] = {
        {"two_roots.xml", "two_roots.xml: junk after document element at line 2, column 1"},
        {"text_before_root.xml",
         "text_before_root.xml: not well-formed (invalid token) at line 1, column 2"},
        {"text_after_root.xml",
         "text_after_root.xml: junk after document element at line 2, column 1"},
        {"after_nul.xml", "after_nul.xml: not well-formed (invalid token) at line 1, column 11"},
        {"nul_in_text.xml",
         "nul_in_text.xml: not well-formed (invalid token) at line 1, column 19"},
        {"control_character.xml",
         "control_character.xml: not well-formed (invalid token) at line 1, column 19"},
        {"duplicate_attribute.xml",
         "duplicate_attribute.xml: duplicate attribute at line 1, column 29"},
        {"invalid_utf8.xml",
         "invalid_utf8.xml: not well-formed (invalid token) at line 1, column 18"},
        {"undefined_entity.xml", "undefined_entity.xml: undefined entity at line 1, column 18"},
        {"doctype.xml",
         "doctype.xml: Document type declarations are not allowed at line 1, column 19"},
    };
    for (const Row& row : rows) {
        pugi::xml_document doc;
        EXPECT_EQ(XmlFile::load(doc, xmlFixture(row.fixture)), QString::fromUtf8(row.error));
        EXPECT_FALSE(XmlFile::root(doc)) << row.fixture << ": nothing half-read is left";
    }
}

// An encoding error is placed at the first bad byte, wherever the parser noticed it.
TEST(XmlFile, EncodingErrorsPointAtTheBadByte) {
    struct Row {
        const char* why;
        QByteArray bytes;
        const char* position;
    };
    const Row rows[] = {
        {"lone continuation byte", "<A>ab\x80</A>", "line 1, column 6"},
        {"overlong slash", "<A>\xc0\xaf</A>", "line 1, column 4"},
        {"encoded surrogate", "<A>\n\xc3\xa9\xed\xa0\x80</A>", "line 2, column 2"},
        {"above U+10FFFF", "<A b=\"\xf4\x90\x80\x80\"/>", "line 1, column 7"},
        {"cut sequence", "<A>\xe2\x82</A>", "line 1, column 4"},
    };
    for (const Row& row : rows) {
        pugi::xml_document doc;
        EXPECT_EQ(XmlFile::parse(doc, row.bytes, QStringLiteral("f.xml")),
                  QStringLiteral("f.xml: not well-formed (invalid token) at ") +
                      QLatin1String(row.position))
            << row.why;
    }
}

// What the system writes, and what a person may add around it, stays readable.
TEST(XmlFile, WellFormedVariantsAreRead) {
    const QByteArray rows[] = {
        "<A><b>1</b></A><!--SW_VERSION = 2.005-->",
        "\xef\xbb\xbf<A><b>1</b></A>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<A><b>1</b></A>\n",
        "<!-- before --><?pi x?>\n<A><b>1</b></A>\n\n",
        "<A><b>&#49;</b></A>",
    };
    for (const QByteArray& bytes : rows) {
        pugi::xml_document doc;
        EXPECT_EQ(XmlFile::parse(doc, bytes, QStringLiteral("f.xml")), QString())
            << bytes.toStdString();
        EXPECT_EQ(XmlFile::childText(XmlFile::root(doc), "b"), QStringLiteral("1"))
            << bytes.toStdString();
    }
}

// The pass is linear in what a hostile file can multiply: attributes of one element and depth.
// Nesting beyond what any file of the system needs is refused before the parser's stack grows.
TEST(XmlFile, ManyAttributesAreReadAndDeepNestingIsRefused) {
    QByteArray many = "<A";
    for (int i = 0; i < 80000; ++i)
        many += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + '"';
    many += "/>";
    pugi::xml_document doc;
    ASSERT_EQ(XmlFile::parse(doc, many, QStringLiteral("f.xml")), QString());
    const pugi::xml_node root = XmlFile::root(doc);
    EXPECT_EQ(std::distance(root.attributes_begin(), root.attributes_end()), 80000);
    EXPECT_EQ(XmlFile::attributeText(root, "a79999"), QStringLiteral("79999"));

    const auto nested = [](int depth) {
        return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
    };
    EXPECT_EQ(XmlFile::parse(doc, nested(XmlFile::MaxDepth), QStringLiteral("f.xml")), QString());
    EXPECT_EQ(XmlFile::parse(doc, nested(XmlFile::MaxDepth + 1), QStringLiteral("f.xml")),
              QStringLiteral("f.xml: elements nested deeper than 256 at line 1, column 769"));
    EXPECT_FALSE(XmlFile::root(doc));
}

// A text arrives in pieces (references, sections, line ends); readers see it whole, with
// line ends normalised as XML defines them.
TEST(XmlFile, TextPiecesAreJoined) {
    pugi::xml_document doc;
    ASSERT_EQ(XmlFile::parse(doc,
                             "<A><b>x&amp;y&#65;<![CDATA[<z>]]>\r\nw</b><c>\r\n</c>"
                             "<d v=\"1&#10;2\r\n3\"/></A>",
                             QStringLiteral("f.xml")),
              QString());
    const pugi::xml_node root = XmlFile::root(doc);
    EXPECT_EQ(XmlFile::childText(root, "b"), QStringLiteral("x&yA<z>\nw"));
    EXPECT_EQ(XmlFile::childText(root, "c"), QStringLiteral("\n"));
    EXPECT_EQ(XmlFile::attributeText(root.child("d"), "v"), QStringLiteral("1\n2 3"));
}

namespace {

// Writes each event as a line: depth, then the element's name and attributes or the text.
class EventLog final : public XmlFile::Handler {
public:
    void startElement(int depth, const char* name, const char** attributes) override {
        QString line = QStringLiteral("%1 <%2").arg(depth).arg(QString::fromUtf8(name));
        for (const char** a = attributes; *a; a += 2)
            line += QStringLiteral(" %1=%2").arg(QString::fromUtf8(a[0]), QString::fromUtf8(a[1]));
        lines << line;
    }
    void endElement(int depth) override { lines << QStringLiteral("%1 >").arg(depth); }
    void text(int depth, const char* data, int length) override {
        lines << QStringLiteral("%1 %2").arg(depth).arg(QString::fromUtf8(data, length));
    }
    bool wantsText() const override { return true; }
    QStringList lines;
};

} // namespace

TEST(XmlFile, EventsComeInDocumentOrderWithTheirDepth) {
    EventLog log;
    ASSERT_EQ(XmlFile::read("<!--c--><R k=\"1\"><N ID=\"2\" Sec_Add=\"3\">t<V/></N></R><?p?>",
                            QStringLiteral("f.xml"), log),
              QString());
    EXPECT_EQ(log.lines,
              (QStringList{"0 <R k=1", "1 <N ID=2 Sec_Add=3", "1 t", "2 <V", "2 >", "1 >", "0 >"}));
}

// A UTF-8 byte-order mark settles the encoding: a declaration of another one contradicts it and
// is refused like any other fault, with its place; one that agrees is read.
TEST(XmlFile, AByteOrderMarkAndADeclarationMustAgree) {
    const QByteArray bom = "\xef\xbb\xbf";
    for (const char* other : {"ISO-8859-1", "windows-1252", "US-ASCII", "UTF-16"}) {
        pugi::xml_document doc;
        const QByteArray bytes =
            bom + "<?xml version=\"1.0\" encoding=\"" + other + "\"?>\n<A><b>1</b></A>";
        EXPECT_EQ(XmlFile::parse(doc, bytes, QStringLiteral("f.xml")),
                  QStringLiteral("f.xml: encoding specified in XML declaration is incorrect at "
                                 "line 1, column 1"))
            << other;
        EXPECT_FALSE(XmlFile::root(doc));
    }
    for (const char* same : {"UTF-8", "utf-8"}) {
        pugi::xml_document doc;
        const QByteArray bytes =
            bom + "<?xml version=\"1.0\" encoding=\"" + same + "\"?>\n<A><b>1</b></A>";
        EXPECT_EQ(XmlFile::parse(doc, bytes, QStringLiteral("f.xml")), QString()) << same;
    }
    // Without the mark the declaration alone decides, as before.
    pugi::xml_document doc;
    EXPECT_EQ(XmlFile::parse(doc, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><A><b>1</b></A>",
                             QStringLiteral("f.xml")),
              QString());
}

// Lookups in the written order take one comparison each; any other order, a repeated or a
// missing name still finds what the element holds.
TEST(XmlFile, AttributesAreFoundInAnyOrder) {
    const char* list[] = {"a", "1", "b", "2", "c", "3", nullptr};
    struct Row {
        std::vector<const char*> asked;
        std::vector<const char*> found;
    };
    const Row rows[] = {
        {{"a", "b", "c"}, {"1", "2", "3"}},
        {{"c", "b", "a"}, {"3", "2", "1"}},
        {{"b", "x", "c", "a", "a"}, {"2", nullptr, "3", "1", "1"}},
        {{"c", "c", "x", "b"}, {"3", "3", nullptr, "2"}},
    };
    for (const Row& row : rows) {
        const XmlFile::Attributes element(list);
        for (size_t i = 0; i < row.asked.size(); ++i) {
            const char* value = element.value(row.asked[i]);
            if (row.found[i])
                EXPECT_STREQ(value, row.found[i]) << "asking " << row.asked[i];
            else
                EXPECT_EQ(value, nullptr) << "asking " << row.asked[i];
        }
    }
    const char* none[] = {nullptr};
    EXPECT_EQ(XmlFile::Attributes(none).value("a"), nullptr);
}
