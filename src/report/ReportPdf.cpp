#include "report/ReportPdf.h"

#include "common/AtomicFile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

QString writeReportPdf(const QString& html, const QString& path, const QStringList& reserved) {
    // Printed in memory first: the file is replaced only by a complete document.
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
        writer.setCreator(QStringLiteral("Ordano"));
        QTextDocument document;
        document.setHtml(html);
        document.setPageSize(writer.pageLayout().paintRectPixels(writer.resolution()).size());
        document.print(&writer);
    }
    buffer.close();
    return writeUserFile(path, pdf, reserved);
}
