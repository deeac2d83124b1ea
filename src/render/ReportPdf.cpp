#include "render/ReportPdf.h"

#include "common/AtomicFile.h"
#include "core/report/InstallationReport.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <algorithm>
#include <numeric>
#include <utility>

using namespace InstallationReport;

namespace {

// Measures in points; the writer's own resolution is only a drawing grid.
constexpr qreal BodyPt = 10;
constexpr qreal TablePt = 9;
constexpr qreal HeadPt = 9;
constexpr qreal TitlePt = 16;
constexpr qreal ChapterPt = 13;
constexpr qreal NodePt = 11;
constexpr qreal SideMargin = 42;   // about 15 mm
constexpr qreal TopMargin = 56;    // the running head sits above
constexpr qreal BottomMargin = 44; // the page number sits below
constexpr qreal HeadBaseline = 36;
constexpr qreal FootBaseline = 24; // from the bottom edge

// Margins, paddings and borders of the text layout are given in pixels of 1/96 inch; the
// layout scales them to the writer itself.
constexpr qreal CssPx = 96.0 / 72.0;
// Of the record tables, in points.
constexpr qreal RecordRule = 0.5;
constexpr qreal RecordPadding = 2.5;
constexpr qreal ShortValue = 72; // a value this wide or less never breaks

const QColor Rule(150, 150, 150);
const QColor HeadingFill(232, 232, 232);
const QColor NoticeColour(170, 0, 0);

// A heading and the first lines below it, which must start on one page.
struct KeepTogether {
    int heading;
    int lastKept;
};

// Where a page may end: before a top-level paragraph or table, or between two record rows
// (then the next page repeats the table's heading row).
struct Break {
    qreal y;
    const QTextTable* table; // the record table the break parts, or none
};

class Builder {
public:
    explicit Builder(QTextDocument& document) : doc_(document), cursor_(&document) {}

    void build(const Document& d) {
        // One edit: the layout runs once at the end, not at every cell.
        cursor_.beginEditBlock();
        fillIn(d);
        cursor_.endEditBlock();
    }

    const QList<KeepTogether>& keep() const { return keep_; }
    const QList<QTextTable*>& recordTables() const { return tables_; }

private:
    void fillIn(const Document& d) {
        // Every node's records in one layout: measured over all of them together.
        Table nodes;
        for (const Section& s : d.sections) {
            if (s.level != 3 || s.table.header.isEmpty())
                continue;
            nodes.header = s.table.header;
            nodes.rows += wholeCells(s.table).rows;
        }
        if (!nodes.header.isEmpty())
            nodeWidths_ = columnWidths(nodes);
        heading(d.title, TitlePt, 0);
        facts(d.facts);
        for (const QString& notice : d.notices) {
            QTextCharFormat format = text(BodyPt, true);
            format.setForeground(NoticeColour);
            paragraph(notice, format);
        }
        for (const Section& s : d.sections) {
            const int start = heading(s.title, s.level == 2 ? ChapterPt : NodePt, 10);
            if (!s.lead.isEmpty())
                paragraph(s.lead, text(BodyPt, false));
            facts(s.facts);
            int kept = cursor_.position();
            if (!s.table.header.isEmpty())
                kept = records(wholeCells(s.table), s.level == 3 && !nodeWidths_.isEmpty()
                                                        ? nodeWidths_
                                                        : columnWidths(s.table));
            // A heading over nothing but notes keeps its first note.
            bool keepNote = s.facts.isEmpty() && s.table.header.isEmpty();
            for (const QString& note : s.notes) {
                paragraph(QStringLiteral("\u2022 ") + note, text(BodyPt, false));
                if (std::exchange(keepNote, false))
                    kept = cursor_.position();
            }
            keep_.append({start, std::min(kept, cursor_.position())});
        }
    }

    // A formula ("m^3 * (10 ^ -3)") reads as one: the blanks beside its operators and
    // brackets do not break; words ("Operation Time : Hours") still may.
    static QString keepFormula(QString text) {
        static const QString Binding = QStringLiteral("*^()");
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] != u' ')
                continue;
            const bool before = i > 0 && Binding.contains(text[i - 1]);
            const bool after = i + 1 < text.size() && Binding.contains(text[i + 1]);
            if (before || after)
                text[i] = QChar(0x00A0);
        }
        return text;
    }

    static Table wholeCells(Table t) {
        for (QStringList& row : t.rows)
            for (int column : std::as_const(t.wholeColumns))
                if (column < row.size())
                    row[column] = keepFormula(row[column]);
        return t;
    }

    QTextCharFormat text(qreal pt, bool bold) const {
        QTextCharFormat format;
        format.setFontPointSize(pt);
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        return format;
    }

    void newBlock(const QTextBlockFormat& format) {
        if (first_)
            cursor_.setBlockFormat(format);
        else
            cursor_.insertBlock(format);
        first_ = false;
    }

    int heading(const QString& title, qreal pt, qreal above) {
        QTextBlockFormat format;
        format.setTopMargin(above * CssPx);
        format.setBottomMargin(4 * CssPx);
        newBlock(format);
        const int position = cursor_.position();
        cursor_.insertText(title, text(pt, true));
        return position;
    }

    void paragraph(const QString& line, const QTextCharFormat& format) {
        QTextBlockFormat block;
        block.setTopMargin(2 * CssPx);
        newBlock(block);
        cursor_.insertText(line, format);
    }

    QTextTableFormat tableFormat(bool ruled) const {
        QTextTableFormat format;
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setBorder(ruled ? RecordRule * CssPx : 0);
        format.setBorderBrush(Rule);
        format.setBorderStyle(ruled ? QTextFrameFormat::BorderStyle_Solid
                                    : QTextFrameFormat::BorderStyle_None);
        format.setCellPadding((ruled ? RecordPadding : 1.5) * CssPx);
        format.setTopMargin(3 * CssPx);
        format.setBottomMargin(3 * CssPx);
        return format;
    }

    void fill(QTextTable* table, int row, const QStringList& cells, const QTextCharFormat& format,
              int boldColumns = 0) {
        for (int column = 0; column < cells.size(); ++column) {
            QTextCursor cell = table->cellAt(row, column).firstCursorPosition();
            QTextCharFormat f = format;
            if (column < boldColumns)
                f.setFontWeight(QFont::Bold);
            cell.insertText(cells[column], f);
        }
    }

    void facts(const QList<std::pair<QString, QString>>& list) {
        if (list.isEmpty())
            return;
        first_ = false;
        QTextTable* table = cursor_.insertTable(int(list.size()), 2, tableFormat(false));
        for (int row = 0; row < list.size(); ++row)
            fill(table, row, {list[row].first.trimmed(), list[row].second}, text(BodyPt, false), 1);
        cursor_.movePosition(QTextCursor::End);
    }

    // Widths measured on the page. Records take as few lines as the page allows: the long
    // columns get the width for that, the short ones their whole value where there is room,
    // and what is left is shared out equally, never below a column's longest word. Headings
    // may break between words.
    QList<QTextLength> columnWidths(const Table& t) const {
        QFont plain = doc_.defaultFont();
        plain.setPointSizeF(TablePt);
        QFont bold = plain;
        bold.setBold(true);
        const QFontMetricsF body(plain, doc_.documentLayout()->paintDevice());
        const QFontMetricsF head(bold, doc_.documentLayout()->paintDevice());
        const qreal point = doc_.documentLayout()->paintDevice()->logicalDpiX() / 72.0;
        // Padding and rules of both sides, plus a hair for rounding.
        const qreal frame = (2 * (RecordPadding + RecordRule) + 0.5) * point;
        const qsizetype columns = t.header.size();
        QList<qreal> natural(columns, 0);
        QList<qreal> least(columns, 0);
        const auto widest = [](const QFontMetricsF& m, const QString& text, bool words) {
            qreal width = 0;
            for (const QString& part : words ? text.split(u' ') : QStringList{text})
                width = std::max(width, m.horizontalAdvance(part));
            return width;
        };
        for (qsizetype c = 0; c < columns; ++c) {
            natural[c] = least[c] = widest(head, t.header[c], true);
            for (const QStringList& row : t.rows) {
                const qreal whole = widest(body, row.value(c), false);
                natural[c] = std::max(natural[c], whole);
                // A short value ("Wh * (10 ^ 0)", "Not Selected") reads as one word.
                least[c] = std::max(least[c], whole <= ShortValue * point
                                                  ? whole
                                                  : widest(body, row.value(c), true));
            }
            natural[c] += frame;
            least[c] += frame;
        }
        const qreal room = doc_.textWidth();
        const auto sum = [](const QList<qreal>& list) {
            return std::accumulate(list.begin(), list.end(), 0.0);
        };
        // The fewest lines a record can take: every column wide enough to hold its longest
        // value on that many lines (with a margin for where the words break).
        for (int lines = 2; lines <= 8; ++lines) {
            QList<qreal> need = least;
            for (qsizetype c = 0; c < columns; ++c)
                need[c] = std::max(least[c], (natural[c] - frame) / lines * 1.1 + frame);
            if (sum(need) <= room) {
                least = need;
                break;
            }
        }
        const auto widthAt = [&](qreal cap) {
            QList<qreal> widths(columns);
            for (qsizetype c = 0; c < columns; ++c)
                widths[c] = std::min(natural[c], std::max(least[c], cap));
            return widths;
        };
        QList<qreal> widths = natural;
        if (sum(natural) > room) {
            qreal low = 0;
            qreal high = room;
            for (int step = 0; step < 40; ++step) {
                const qreal cap = (low + high) / 2;
                (sum(widthAt(cap)) > room ? high : low) = cap;
            }
            widths = widthAt(low);
        } else {
            // The table spans the page: the spare room goes to every column by its width.
            const qreal scale = room / sum(natural);
            for (qreal& w : widths)
                w *= scale;
        }
        QList<QTextLength> lengths;
        for (qreal w : widths)
            lengths << QTextLength(QTextLength::PercentageLength, 100 * w / room);
        return lengths;
    }

    // Returns a position in the first record row, which must not be parted from the heading.
    int records(const Table& t, const QList<QTextLength>& widths) {
        first_ = false;
        QTextTableFormat format = tableFormat(true);
        format.setHeaderRowCount(1);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setColumnWidthConstraints(widths);
        QTextTable* table =
            cursor_.insertTable(int(t.rows.size()) + 1, int(t.header.size()), format);
        tables_ << table;
        fill(table, 0, t.header, text(TablePt, true));
        for (int row = 0; row < t.rows.size(); ++row)
            fill(table, row + 1, t.rows[row], text(TablePt, false));
        // A collapsed table draws the rules its cells carry, not the table's own.
        for (int row = 0; row < table->rows(); ++row) {
            for (int column = 0; column < table->columns(); ++column) {
                QTextTableCell cell = table->cellAt(row, column);
                QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
                cellFormat.setBorder(RecordRule * CssPx);
                cellFormat.setBorderBrush(Rule);
                cellFormat.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
                if (row == 0)
                    cellFormat.setBackground(HeadingFill);
                cell.setFormat(cellFormat);
            }
        }
        const int kept = table->cellAt(t.rows.isEmpty() ? 0 : 1, 0).lastCursorPosition().position();
        cursor_.movePosition(QTextCursor::End);
        return kept;
    }

    QTextDocument& doc_;
    QTextCursor cursor_;
    bool first_ = true;
    QList<KeepTogether> keep_;
    QList<QTextTable*> tables_;
    QList<QTextLength> nodeWidths_;
};

qreal topOf(const QTextDocument& doc, int position) {
    return doc.documentLayout()->blockBoundingRect(doc.findBlock(position)).top();
}

qreal bottomOf(const QTextDocument& doc, int position) {
    const QTextBlock block = doc.findBlock(position);
    const QRectF box = doc.documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return box.bottom();
    return box.top() + layout->lineForTextPosition(position - block.position()).rect().bottom();
}

// The top of row `row` (its cell frame included); the table's bottom past the last row.
qreal rowTop(const QTextDocument& doc, const QTextTable* table, int row) {
    if (row >= table->rows())
        return doc.documentLayout()->frameBoundingRect(const_cast<QTextTable*>(table)).bottom();
    const QTextTableFormat format = table->format();
    return topOf(doc, table->cellAt(row, 0).firstCursorPosition().position()) -
           format.cellPadding() * CssPx - format.border() * CssPx;
}

// Every place a page may end, in order, none inside a heading's keep.
QList<Break> breaksOf(const QTextDocument& doc, const QList<QTextTable*>& tables,
                      const QList<KeepTogether>& keep) {
    QList<Break> breaks;
    QTextFrame* root = doc.rootFrame();
    for (auto it = root->begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            breaks.append({doc.documentLayout()->frameBoundingRect(frame).top(), nullptr});
            const QRectF box = doc.documentLayout()->frameBoundingRect(frame);
            breaks.append({box.bottom(), nullptr});
            if (auto* table = qobject_cast<QTextTable*>(frame); table && tables.contains(table)) {
                for (int row = 2; row < table->rows(); ++row)
                    breaks.append({rowTop(doc, table, row), table});
            }
        } else if (!it.currentBlock().text().isEmpty()) {
            // The empty block that closes a table has no place of its own.
            breaks.append({topOf(doc, it.currentBlock().position()), nullptr});
        }
    }
    QList<std::pair<qreal, qreal>> kept;
    for (const KeepTogether& k : keep)
        kept.append({topOf(doc, k.heading), bottomOf(doc, k.lastKept)});
    QList<Break> allowed;
    for (const Break& b : breaks) {
        const bool inside = std::any_of(kept.begin(), kept.end(), [&b](const auto& range) {
            return b.y > range.first + 0.5 && b.y < range.second;
        });
        if (!inside && b.y > 0.5)
            allowed.append(b);
    }
    std::stable_sort(allowed.begin(), allowed.end(),
                     [](const Break& x, const Break& y) { return x.y < y.y; });
    return allowed;
}

// A stripe of the laid-out document and where it goes on its page.
struct Slice {
    qreal from;
    qreal to;
    qreal at;
};

// Pages cut at the allowed places: as much as fits, and a table parted between two rows goes
// on below its heading row, repeated.
QList<QList<Slice>> paginate(const QTextDocument& doc, const QList<Break>& breaks,
                             qreal pageHeight) {
    const qreal end = doc.documentLayout()->documentSize().height();
    QList<QList<Slice>> pages;
    qreal y = 0;
    const QTextTable* continued = nullptr;
    while (y < end - 0.5) {
        QList<Slice> page;
        qreal room = pageHeight;
        if (continued) {
            const qreal top = rowTop(doc, continued, 0);
            const qreal bottom = rowTop(doc, continued, 1);
            page.append({top, bottom, 0});
            room -= bottom - top;
        }
        qreal to = std::min(end, y + room);
        const QTextTable* parted = nullptr;
        if (to < end) {
            for (const Break& b : breaks) {
                if (b.y <= y + 0.5 || b.y > y + room)
                    continue;
                to = b.y;
                parted = b.table;
            }
        }
        page.append({y, to, pageHeight - room});
        pages.append(page);
        y = to;
        continued = parted;
    }
    return pages;
}

void paintPageFrame(QPainter& painter, const Document& d, const QSizeF& page, qreal px, int number,
                    int count) {
    QFont font = painter.font();
    font.setPointSizeF(HeadPt);
    QFont bold = font;
    bold.setBold(true);
    const qreal left = SideMargin * px;
    const qreal right = page.width() - SideMargin * px;
    const qreal width = right - left;
    painter.setPen(Qt::black);

    painter.setFont(bold);
    const qreal headTop = HeadBaseline * px - QFontMetricsF(bold).ascent();
    const qreal lineHeight = QFontMetricsF(bold).height();
    painter.drawText(
        QRectF(left, headTop, width * 0.7, lineHeight), Qt::AlignLeft,
        QFontMetricsF(bold).elidedText(d.configurationName, Qt::ElideRight, width * 0.7));
    painter.setFont(font);
    painter.drawText(QRectF(left, headTop, width, lineHeight), Qt::AlignRight, d.date);
    painter.setPen(QPen(Rule, 0.5 * px));
    const qreal ruleY = (HeadBaseline + 6) * px;
    painter.drawLine(QPointF(left, ruleY), QPointF(right, ruleY));

    painter.setPen(Qt::black);
    const QString foot = d.pageOfPages.isEmpty() ? QString::number(number)
                                                 : QString(d.pageOfPages).arg(number).arg(count);
    const qreal footTop = page.height() - FootBaseline * px - QFontMetricsF(font).ascent();
    painter.drawText(QRectF(left, footTop, width, QFontMetricsF(font).height()), Qt::AlignHCenter,
                     foot);
}

} // namespace

QString writeReportPdf(const Document& document, const QString& path, const QStringList& reserved) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Point);
        writer.setCreator(QStringLiteral("Ordano"));
        writer.setTitle(document.title);
        // Device pixels per point: the whole page is laid out in the writer's own units, so
        // a point size means the same on paper as in the layout.
        const qreal px = writer.resolution() / 72.0;
        const QSizeF page(writer.width(), writer.height());
        const QSizeF body(page.width() - 2 * SideMargin * px,
                          page.height() - (TopMargin + BottomMargin) * px);

        QTextDocument doc;
        doc.documentLayout()->setPaintDevice(&writer);
        doc.setDocumentMargin(0);
        QFont font = doc.defaultFont();
        font.setPointSizeF(BodyPt);
        doc.setDefaultFont(font);
        QTextOption option = doc.defaultTextOption();
        option.setWrapMode(QTextOption::WordWrap); // headings and cells break between words only
        doc.setDefaultTextOption(option);
        doc.setTextWidth(body.width()); // one long page, cut below
        Builder builder(doc);
        builder.build(document);
        const QList<QList<Slice>> pages =
            paginate(doc, breaksOf(doc, builder.recordTables(), builder.keep()), body.height());

        QPainter painter(&writer);
        for (qsizetype index = 0; index < pages.size(); ++index) {
            if (index > 0)
                writer.newPage();
            paintPageFrame(painter, document, page, px, int(index) + 1, int(pages.size()));
            for (const Slice& slice : pages[index]) {
                painter.save();
                painter.translate(SideMargin * px, TopMargin * px + slice.at - slice.from);
                // A hair inside the cut: a line that starts at the cut belongs to the next one.
                const QRectF view(0, slice.from, body.width(), slice.to - slice.from - 1);
                painter.setClipRect(view);
                QAbstractTextDocumentLayout::PaintContext context;
                context.clip = view;
                context.palette.setColor(QPalette::Text, Qt::black);
                doc.documentLayout()->draw(&painter, context);
                painter.restore();
            }
        }
        painter.end();
    }
    return writeUserFile(path, bytes, reserved);
}
