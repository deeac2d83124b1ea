#pragma once

#include <QString>

// Prints a report's HTML to a PDF file with Qt's own printing support (A4 landscape, for the wide
// record tables), replacing the file atomically. Needs a QGuiApplication. Empty text on success.
QString writeReportPdf(const QString& html, const QString& path);
