#pragma once

#include "core/report/ReportDocument.h"

class LanguageTable;

// The report's account of the updates of a configuration: what the images in bin/ change
// compared with the last update that sent images, and the updates kept in its history.
namespace InstallationReport {

Section changesSinceLastUpdate(const QString& configDir, const LanguageTable& texts);
Section pastUpdates(const QString& configDir, const LanguageTable& texts);

} // namespace InstallationReport
