// The printed report measured as a reader sees it: every word's box from poppler's
// `pdftotext -bbox`, in points.

#include "render/ReportPdf.h"
#include "core/lang/LanguageTable.h"
#include "core/report/InstallationReport.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRectF>
#include <QXmlStreamReader>
#include <algorithm>
#include <gtest/gtest.h>

using namespace InstallationReport;

namespace {

const QDateTime ReportDate(QDate(2026, 3, 14), QTime(9, 30));

// A4 landscape in points, and the side margin the tables must keep (10 mm at least).
constexpr qreal PageWidth = 841.9;
constexpr qreal PageHeight = 595.3;
constexpr qreal SideMargin = 28.3;

struct Word {
    QString text;
    QRectF box;
};

struct Page {
    QSizeF size;
    QList<Word> words;

    QList<Word> find(const QString& text) const {
        QList<Word> found;
        for (const Word& w : words) {
            if (w.text == text)
                found << w;
        }
        return found;
    }
    // The words of the line whose middle lies nearest to `y`, left to right.
    QString lineAt(qreal y) const {
        QList<Word> line;
        for (const Word& w : words) {
            if (std::abs(w.box.center().y() - y) < 3)
                line << w;
        }
        std::sort(line.begin(), line.end(),
                  [](const Word& a, const Word& b) { return a.box.left() < b.box.left(); });
        QStringList texts;
        for (const Word& w : line)
            texts << w.text;
        return texts.join(QLatin1Char(' '));
    }
    qreal top() const {
        qreal y = size.height();
        for (const Word& w : words)
            y = std::min(y, w.box.top());
        return y;
    }
    qreal bottom() const {
        qreal y = 0;
        for (const Word& w : words)
            y = std::max(y, w.box.bottom());
        return y;
    }
};

QList<Page> readPages(const TestFolder& folder, const QString& pdf) {
    const QString html = folder.file(QStringLiteral("words.html"));
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, html});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    QFile file(html);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QList<Page> pages;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const auto a = xml.attributes();
        auto number = [&a](const char* name) { return a.value(QLatin1String(name)).toDouble(); };
        if (xml.name() == QLatin1String("page")) {
            pages.append({QSizeF(number("width"), number("height")), {}});
        } else if (xml.name() == QLatin1String("word") && !pages.isEmpty()) {
            const QRectF box(QPointF(number("xMin"), number("yMin")),
                             QPointF(number("xMax"), number("yMax")));
            pages.last().words.append({xml.readElementText(), box});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return pages;
}

// The ruling lines of the first page, as a reader sees them: the page drawn at 72 dpi in grey,
// and the runs of rule grey (neither the heading fill nor text) long enough to be lines.
struct Rules {
    int across = 0; // horizontal lines at least 300 pt long
    int down = 0;   // vertical lines at least 20 pt long
};

Rules rulesOf(const TestFolder& folder, const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
                  {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
                   QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                   QStringLiteral("1"), QStringLiteral("-singlefile"), pdf,
                   folder.file(QStringLiteral("page"))});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    const QImage image(folder.file(QStringLiteral("page.pgm")));
    EXPECT_FALSE(image.isNull());
    const auto isRule = [&image](int x, int y) {
        const int grey = qGray(image.pixel(x, y));
        return grey > 90 && grey < 215;
    };
    // Counts groups of neighbouring lines, each line a run of at least `length` pixels; a
    // pixel's gap where two rules join does not part a line.
    const auto count = [&isRule](int lines, int along, int length, bool horizontal) {
        int groups = 0;
        bool previous = false;
        for (int line = 0; line < lines; ++line) {
            int run = 0;
            int gap = 0;
            int longest = 0;
            for (int i = 0; i < along; ++i) {
                if (horizontal ? isRule(i, line) : isRule(line, i)) {
                    run += 1 + gap;
                    gap = 0;
                } else if (run > 0 && gap < 1) {
                    ++gap;
                } else {
                    run = 0;
                    gap = 0;
                }
                longest = std::max(longest, run);
            }
            const bool found = longest >= length;
            groups += found && !previous;
            previous = found;
        }
        return groups;
    };
    return {count(image.height(), image.width(), 300, true),
            count(image.width(), image.height(), 20, false)};
}

QList<Page> printed(const TestFolder& folder, const Input& input) {
    const QString pdf = folder.file(QStringLiteral("report.pdf"));
    EXPECT_EQ(writeReportPdf(build(input, LanguageTable()), pdf), QString());
    return readPages(folder, pdf);
}

Input workedExample(const TestFolder& folder) {
    folder.copyFixture(QStringLiteral("image/worked_example/ParGen.xml"),
                       QStringLiteral("Plant North/ParGen.xml"));
    folder.copyFixture(QStringLiteral("image/worked_example/M_Bus.xml"),
                       QStringLiteral("Plant North/M_Bus.xml"));
    const Gathered g =
        gather(folder.file(QStringLiteral("Plant North")), ReportDate, QStringLiteral("2.005"));
    EXPECT_TRUE(g.ok()) << g.error.toStdString();
    return g.input;
}

// The largest network the device takes: 64 nodes of 10 variables, each like the worked
// example's one variable.
Input fullNetwork(const TestFolder& folder) {
    Input input = workedExample(folder);
    const Node model = input.nodes.value(0);
    EXPECT_EQ(model.variables.size(), 1);
    input.nodes.clear();
    for (int n = 1; n <= 64; ++n) {
        Node node = model;
        node.primary = n;
        node.secondary = 10000000 + n;
        node.description = QStringLiteral("Meter %1").arg(n);
        node.variables.clear();
        for (int v = 0; v < 10; ++v) {
            Variable variable = model.variables.value(0);
            variable.description = QStringLiteral("Value %1").arg(v + 1);
            variable.storageNumber = v; // no two records alike: no warnings
            node.variables.append(variable);
        }
        input.nodes.append(node);
    }
    return input;
}

// What every page must show: A4 landscape, the running head with the configuration's name and
// the date at the top, "Page n of N" at the foot, every word within the margins, and body text
// that reads at 9 to 11 pt. A word's box is its font's ascent plus descent, 1.0 to 1.35 times
// the point size in common fonts: 0.84 pt text would give boxes of about 1 pt.
void expectReadablePages(const QList<Page>& pages) {
    ASSERT_FALSE(pages.isEmpty());
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const Page& page = pages[i];
        EXPECT_NEAR(page.size.width(), PageWidth, 1);
        EXPECT_NEAR(page.size.height(), PageHeight, 1);
        const QString head = page.lineAt(page.top() + 5);
        EXPECT_TRUE(head.startsWith(QStringLiteral("Plant North"))) << head.toStdString();
        EXPECT_TRUE(head.endsWith(QStringLiteral("2026-03-14 09:30"))) << head.toStdString();
        EXPECT_EQ(page.lineAt(page.bottom() - 5),
                  QStringLiteral("Page %1 of %2").arg(i + 1).arg(pages.size()));
        EXPECT_LT(page.bottom(), PageHeight - 14);
        EXPECT_GT(page.top(), 14);

        QList<qreal> heights;
        for (const Word& w : page.words) {
            EXPECT_GE(w.box.left(), SideMargin) << w.text.toStdString();
            EXPECT_LE(w.box.right(), PageWidth - SideMargin) << w.text.toStdString();
            EXPECT_GE(w.box.height(), 9.0) << w.text.toStdString();
            heights << w.box.height();
        }
        // Titles are larger; what most words have is the body size.
        std::sort(heights.begin(), heights.end());
        const qreal median = heights[heights.size() / 2];
        EXPECT_GE(median, 9.0);
        EXPECT_LE(median, 11.0 * 1.35);
    }
}

} // namespace

TEST(ReportPdf, WorkedExampleReadsWellOnPaper) {
    TestFolder folder;
    const QList<Page> pages = printed(folder, workedExample(folder));
    // The summary, the settings and the network first; the history on a page of its own.
    ASSERT_EQ(pages.size(), 2);
    expectReadablePages(pages);

    // The record table spans the width between the margins, its cells in reading order.
    const Page& page = pages[0];
    const QList<Word> record = page.find(QStringLiteral("Record"));
    const QList<Word> swap = page.find(QStringLiteral("None"));
    ASSERT_EQ(record.size(), 1);
    ASSERT_FALSE(swap.isEmpty());
    EXPECT_LT(record[0].box.left(), 60);
    EXPECT_GT(swap.last().box.right(), PageWidth - 250);
    EXPECT_EQ(page.lineAt(page.find(QStringLiteral("Heat")).value(0).box.center().y()),
              QStringLiteral("Description Heat meter"));
    // A short value stays whole on the record's first line: "Wh * (10 ^ 0)", "Energy (Wh)",
    // a dash for unit and VIFE 0; the long Modbus source takes two lines, not more.
    const QString line = page.lineAt(page.find(QStringLiteral("Wh")).value(0).box.center().y());
    for (const char* word : {"(10", "0)", "(Wh)", "\u2014 \u2014 Slave"})
        EXPECT_TRUE(line.contains(QString::fromUtf8(word))) << line.toStdString();
    const qreal sourceTop = page.find(QStringLiteral("Slave")).value(0).box.top();
    EXPECT_LT(swap.last().box.top() - sourceTop, 2 * 9 * 1.5) << "the source on two lines";

    // The record table is ruled: above and below its heading row and its record, and between
    // its eleven columns; the running head has its own rule.
    const Rules rules = rulesOf(folder, folder.file(QStringLiteral("report.pdf")));
    EXPECT_EQ(rules.across, 4);
    EXPECT_EQ(rules.down, 12);
}

// Every node's table has the same columns at the same places, however different their
// contents, and a scale's formula is never split across lines, even in a narrow column.
TEST(ReportPdf, NodeTablesShareOneLayoutAndKeepFormulasWhole) {
    TestFolder folder;
    Input input = workedExample(folder);
    Node narrow = input.nodes.value(0);
    narrow.primary = 2;
    Variable volume = narrow.variables.value(0);
    volume.description = QStringLiteral("A description long enough to need many lines in any "
                                        "column the table could give it");
    volume.dataType = 9; // "Volume Flow Ext. (m³/min)"
    volume.scale = 0;    // "m^3/min * (10 ^ -7)": wider than a short value
    narrow.variables = {volume};
    input.nodes.append(narrow);
    const QList<Page> pages = printed(folder, input);
    ASSERT_FALSE(pages.isEmpty());

    // The heading row's words, table by table, from left to right.
    QList<QList<qreal>> headings;
    for (const Page& page : pages) {
        for (const Word& record : page.find(QStringLiteral("Record"))) {
            QList<qreal> lefts;
            for (const Word& w : page.words)
                if (std::abs(w.box.top() - record.box.top()) < 1)
                    lefts << w.box.left();
            std::sort(lefts.begin(), lefts.end());
            headings << lefts;
        }
    }
    ASSERT_EQ(headings.size(), 2);
    ASSERT_EQ(headings[0].size(), headings[1].size());
    for (qsizetype i = 0; i < headings[0].size(); ++i)
        EXPECT_NEAR(headings[0][i], headings[1][i], 0.5) << "word " << i;

    bool found = false;
    for (const Page& page : pages) {
        for (const Word& w : page.words) {
            if (!w.text.startsWith(QStringLiteral("m^3/min")))
                continue;
            found = true;
            QString line = page.lineAt(w.box.center().y());
            line.replace(QChar(0x00A0), QLatin1Char(' '));
            EXPECT_TRUE(line.contains(QStringLiteral("m^3/min * (10 ^ -7)"))) << line.toStdString();
        }
    }
    EXPECT_TRUE(found);
}

// 64 nodes of 10 records fill many pages: every table that crosses a page starts again with
// its heading row, and a node's heading never stays behind alone at the foot of a page.
TEST(ReportPdf, FullNetworkBreaksTablesWithTheirHeadingRow) {
    TestFolder folder;
    const QList<Page> pages = printed(folder, fullNetwork(folder));
    ASSERT_GT(pages.size(), 20);
    expectReadablePages(pages);

    int rows = 0;
    int nodes = 0;
    for (int i = 0; i < pages.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "page " << i + 1);
        const Page& page = pages[i];
        // "Slave ID n, ..." opens each record's Modbus source cell; "source" is only in the
        // heading row.
        qreal firstRow = PageHeight;
        for (const Word& w : page.find(QStringLiteral("Slave"))) {
            firstRow = std::min(firstRow, w.box.top());
            ++rows;
        }
        if (firstRow < PageHeight) {
            const QList<Word> headings = page.find(QStringLiteral("source"));
            ASSERT_FALSE(headings.isEmpty()) << "records without their heading row";
            EXPECT_LT(headings.first().box.bottom(), firstRow + 1);
        }
        for (const Word& node : page.find(QStringLiteral("Node"))) {
            ++nodes;
            // Below the heading on the same page: its addresses and the first record.
            EXPECT_FALSE(page.find(QStringLiteral("Slave")).isEmpty());
            EXPECT_LT(node.box.bottom(), page.bottom() - 60) << "a heading alone at the foot";
        }
    }
    EXPECT_EQ(rows, 640);
    EXPECT_EQ(nodes, 64);
}
