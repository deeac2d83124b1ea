#pragma once

#include <QString>

namespace InstallationReport {
struct Document;
}

// Prints a report as a document to hand a customer: A4 landscape (for the wide record tables),
// body text at 10 pt, tables within the margins whose heading row is repeated on every page
// they cross, a running head with the configuration's name and the date, and "Page n of N" at
// the foot. The file is replaced atomically. Needs a QGuiApplication. Empty text on success.
QString writeReportPdf(const InstallationReport::Document& document, const QString& path);
