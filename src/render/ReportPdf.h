#pragma once

#include <QString>
#include <QStringList>

namespace InstallationReport {
struct Document;
}

// Prints a report as a document to hand a customer: A4 landscape (for the wide record tables),
// body text at 10 pt, tables within the margins whose heading row is repeated on every page
// they cross, a running head with the configuration's name and the date, and "Page n of N" at
// the foot. The file is one the user named, written as writeUserFile writes it (never one of
// `reserved`). Needs a QGuiApplication. Empty text on success, else what failed.
QString writeReportPdf(const InstallationReport::Document& document, const QString& path,
                       const QStringList& reserved = {});
