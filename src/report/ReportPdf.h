#pragma once

#include <QString>
#include <QStringList>

// Prints a report's HTML to a PDF file with Qt's own printing support (A4 landscape, for the wide
// record tables). The file is one the user named, written as writeUserFile writes it (never one
// of `reserved`). Needs a QGuiApplication. Empty text on success, else what failed.
QString writeReportPdf(const QString& html, const QString& path, const QStringList& reserved = {});
