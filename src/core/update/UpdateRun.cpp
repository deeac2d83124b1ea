#include "core/update/UpdateRun.h"

#include "core/history/HistoryTexts.h"
#include "core/lang/LanguageTable.h"
#include "core/platform/Clock.h"
#include "core/update/UpdaterHandoff.h"

namespace UpdateRun {

Result run(const Request& request, ProgramStarter& starter, Clock& clock,
           const LanguageTable& texts, const ProgramStarter::Watcher& watcher) {
    Result result;
    UpdateHistory::Record details;
    details.formType = request.formType;
    details.path = request.path;
    details.option = request.option;
    details.readBack = request.readBack;
    details.images = request.images;
    details.limitMs = starter.limitMs();
    UpdateHistory::Created created =
        UpdateHistory::create(request.projectDir, details, clock.now().toUTC());
    if (!created.ok()) {
        result.kind = Result::Kind::NotRecorded;
        result.text = texts.text(HistoryTexts::T_HistoryNotWritten).arg(created.error);
        return result;
    }

    // The updater shows its own window: the user follows it there.
    const ProgramStarter::Run ran = starter.run(request.program, request.arguments, 0, watcher);
    UpdateHistory::Record& record = created.record;
    QString unrecorded;
    switch (ran.outcome) {
    case ProgramStarter::Outcome::Missing:
    case ProgramStarter::Outcome::NotStarted:
        // Nothing was handed over: the entry would claim otherwise.
        UpdateHistory::discard(record);
        result.kind = Result::Kind::NotStarted;
        result.text = UpdaterHandoff::startProblemText(texts, ran.outcome, request.program,
                                                       starter.lacksWine(request.program));
        return result;
    case ProgramStarter::Outcome::Ended:
        unrecorded =
            ran.exitCode
                ? UpdateHistory::setOutcome(record, UpdateHistory::Outcome::Finished, *ran.exitCode)
                : UpdateHistory::setOutcome(record, UpdateHistory::Outcome::Crashed, 0);
        break;
    case ProgramStarter::Outcome::LeftRunning:
        unrecorded = UpdateHistory::setOutcome(record, UpdateHistory::Outcome::LeftRunning, 0);
        break;
    }
    result.kind = Result::Kind::Ran;
    // A record that could not be completed is said after the outcome, not instead of it.
    result.text = UpdateHistory::outcomeText(record, texts) +
                  (unrecorded.isEmpty() ? QString() : QStringLiteral("\n") + unrecorded);
    result.fine = record.outcome == UpdateHistory::Outcome::Finished && record.exitCode == 0;
    result.record = record;
    return result;
}

} // namespace UpdateRun
