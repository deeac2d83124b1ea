#include "core/report/HistorySections.h"

#include "core/history/HistoryTexts.h"
#include "core/history/UpdateHistory.h"
#include "core/lang/LanguageTable.h"

namespace InstallationReport {

using namespace HistoryTexts;

Section changesSinceLastUpdate(const QString& configDir, const LanguageTable& t) {
    Section s;
    s.title = t.text(T_ChangesSinceLast);
    const UpdateHistory::Comparison comparison = UpdateHistory::compareWithLastUpdate(configDir, t);
    // What the changes are measured against: a line of its own, not one of the changes.
    if (!comparison.first && comparison.error.isEmpty())
        s.lead = comparison.heading;
    s.notes << comparison.lines;
    return s;
}

Section pastUpdates(const QString& configDir, const LanguageTable& t) {
    Section s;
    s.title = t.text(T_PastUpdates);
    const QList<UpdateHistory::Record> records = UpdateHistory::list(configDir);
    if (records.isEmpty()) {
        s.notes << t.text(T_NoUpdateYet);
        return s;
    }
    s.table.header = {t.text(732).trimmed(), t.text(T_Path), t.text(T_Option), t.text(T_Outcome)};
    for (const UpdateHistory::Record& r : records)
        s.table.rows.append({UpdateHistory::dateText(r), r.path, UpdateHistory::optionText(r, t),
                             UpdateHistory::outcomeText(r, t)});
    return s;
}

} // namespace InstallationReport
