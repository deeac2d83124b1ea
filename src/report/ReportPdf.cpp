#include "report/ReportPdf.h"

#include "common/AtomicFile.h"
#include "report/InstallationReport.h"

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

using namespace InstallationReport;

namespace {

// Measures in points; the writer's own resolution is only a drawing grid.
constexpr qreal BodyPt = 10;
constexpr qreal TablePt = 9;
constexpr qreal HeadPt = 9;
constexpr qreal TitlePt = 16;
constexpr qreal ChapterPt = 13;
constexpr qreal NodePt = 11;
constexpr qreal SideMargin = 42;    // about 15 mm
constexpr qreal TopMargin = 64;     // the running head sits above
constexpr qreal BottomMargin = 50;  // the page number sits below
constexpr qreal HeadBaseline = 36;
constexpr qreal FootBaseline = 24;  // from the bottom edge

const QColor Rule(150, 150, 150);
const QColor HeadingFill(232, 232, 232);
const QColor NoticeColour(170, 0, 0);

// A heading and the first lines below it, which must start on one page.
struct KeepTogether {
    int heading;
    int lastKept;
};

class Builder {
public:
    Builder(QTextDocument& document, qreal px) : doc_(document), cursor_(&document), px_(px) {}

    void build(const Document& d) {
        heading(d.title, TitlePt, 0);
        facts(d.facts);
        for (const QString& notice : d.notices) {
            QTextCharFormat format = text(BodyPt, true);
            format.setForeground(NoticeColour);
            paragraph(notice, format);
        }
        for (const Section& s : d.sections) {
            const int start = heading(s.title, s.level == 2 ? ChapterPt : NodePt, 10);
            facts(s.facts);
            int kept = cursor_.position();
            if (!s.table.header.isEmpty())
                kept = records(s.table);
            for (const QString& note : s.notes)
                paragraph(QStringLiteral("\u2022 ") + note, text(BodyPt, false));
            keep_.append({start, std::min(kept, cursor_.position())});
        }
    }

    const QList<KeepTogether>& keep() const { return keep_; }

private:
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
        format.setTopMargin(above * px_);
        format.setBottomMargin(4 * px_);
        newBlock(format);
        const int position = cursor_.position();
        cursor_.insertText(title, text(pt, true));
        return position;
    }

    void paragraph(const QString& line, const QTextCharFormat& format) {
        QTextBlockFormat block;
        block.setTopMargin(2 * px_);
        newBlock(block);
        cursor_.insertText(line, format);
    }

    QTextTableFormat tableFormat(bool ruled) const {
        QTextTableFormat format;
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setBorder(ruled ? 0.5 * px_ : 0);
        format.setBorderBrush(Rule);
        format.setBorderStyle(ruled ? QTextFrameFormat::BorderStyle_Solid
                                    : QTextFrameFormat::BorderStyle_None);
        format.setCellPadding((ruled ? 2.5 : 1.5) * px_);
        format.setTopMargin(3 * px_);
        format.setBottomMargin(3 * px_);
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

    // Returns a position in the first record row, which must not be parted from the heading.
    int records(const Table& t) {
        first_ = false;
        QTextTableFormat format = tableFormat(true);
        format.setHeaderRowCount(1);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        QTextTable* table =
            cursor_.insertTable(int(t.rows.size()) + 1, int(t.header.size()), format);
        fill(table, 0, t.header, text(TablePt, true));
        for (int column = 0; column < t.header.size(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
            cellFormat.setBackground(HeadingFill);
            cell.setFormat(cellFormat);
        }
        for (int row = 0; row < t.rows.size(); ++row)
            fill(table, row + 1, t.rows[row], text(TablePt, false));
        const int kept = table->cellAt(t.rows.isEmpty() ? 0 : 1, 0).lastCursorPosition().position();
        cursor_.movePosition(QTextCursor::End);
        return kept;
    }

    QTextDocument& doc_;
    QTextCursor cursor_;
    qreal px_;
    bool first_ = true;
    QList<KeepTogether> keep_;
};

int pageOf(const QTextDocument& doc, int position) {
    const QTextBlock block = doc.findBlock(position);
    const QRectF box = doc.documentLayout()->blockBoundingRect(block);
    const QTextLayout* layout = block.layout();
    qreal y = box.bottom();
    if (layout && layout->lineCount() > 0)
        y = box.top() + layout->lineForTextPosition(position - block.position()).rect().bottom();
    return int(y / doc.pageSize().height());
}

// A heading never stands alone at the foot of a page: when it and the first lines below it
// fall on different pages, the heading starts the next page.
void keepHeadingsWithTheirLines(QTextDocument& doc, const QList<KeepTogether>& keep) {
    for (const KeepTogether& k : keep) {
        if (pageOf(doc, k.heading) == pageOf(doc, k.lastKept))
            continue;
        QTextCursor cursor(&doc);
        cursor.setPosition(k.heading);
        QTextBlockFormat format = cursor.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.setBlockFormat(format);
    }
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
    painter.drawText(QRectF(left, headTop, width * 0.7, lineHeight), Qt::AlignLeft,
                     QFontMetricsF(bold).elidedText(d.configurationName, Qt::ElideRight,
                                                    width * 0.7));
    painter.setFont(font);
    painter.drawText(QRectF(left, headTop, width, lineHeight), Qt::AlignRight, d.date);
    painter.setPen(QPen(Rule, 0.5 * px));
    const qreal ruleY = (HeadBaseline + 6) * px;
    painter.drawLine(QPointF(left, ruleY), QPointF(right, ruleY));

    painter.setPen(Qt::black);
    const QString foot = d.pageOfPages.isEmpty()
                             ? QString::number(number)
                             : QString(d.pageOfPages).arg(number).arg(count);
    const qreal footTop = page.height() - FootBaseline * px - QFontMetricsF(font).ascent();
    painter.drawText(QRectF(left, footTop, width, QFontMetricsF(font).height()), Qt::AlignHCenter,
                     foot);
}

} // namespace

QString writeReportPdf(const Document& document, const QString& path) {
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
        // A long word without blanks breaks rather than pushing a table past the margin.
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        doc.setDefaultTextOption(option);
        doc.setPageSize(body);
        Builder builder(doc, px);
        builder.build(document);
        keepHeadingsWithTheirLines(doc, builder.keep());

        QPainter painter(&writer);
        const int count = doc.pageCount();
        for (int index = 0; index < count; ++index) {
            if (index > 0)
                writer.newPage();
            paintPageFrame(painter, document, page, px, index + 1, count);
            painter.save();
            painter.translate(SideMargin * px, TopMargin * px - index * body.height());
            const QRectF view(QPointF(0, index * body.height()), body);
            painter.setClipRect(view);
            QAbstractTextDocumentLayout::PaintContext context;
            context.clip = view;
            context.palette.setColor(QPalette::Text, Qt::black);
            doc.documentLayout()->draw(&painter, context);
            painter.restore();
        }
        painter.end();
    }
    return writeFileAtomically(path, bytes);
}
