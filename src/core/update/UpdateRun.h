#pragma once

#include "core/history/UpdateHistory.h"
#include "core/update/ProgramStarter.h"

#include <QString>
#include <QStringList>

class Clock;
class LanguageTable;

// One update start after the reachability check and the hand-off files: the history entry,
// the updater's start and wait, and how it ended, in the user's words.
namespace UpdateRun {

struct Request {
    QString projectDir;
    QString program; // the updater's file
    QStringList arguments;
    int formType = 0; // 0 serial, 1 Ethernet
    QString path;     // the port or the device address, as handed over
    int option = 0;
    bool readBack = false;
    UpdateHistory::ImagesSent images = UpdateHistory::ImagesSent::NotJudged; // and the answer
};

struct Result {
    enum class Kind {
        NotRecorded, // the history entry could not be written: nothing was started
        NotStarted,  // the updater is missing or could not be started; the entry is gone again
        Ran,         // the updater ran; it ended or was left running at the limit
    };
    Kind kind = Kind::NotRecorded;
    // NotRecorded, NotStarted: the error to show. Ran: the outcome, with a note when the entry
    // could not be completed.
    QString text;
    // Ran: the updater ended with exit code 0 and its entry says so.
    bool fine = false;
    UpdateHistory::Record record;
};

// Records the update in the configuration's history (dated by `clock`), starts the updater
// shown, waits with `starter` and records the outcome. With a `watcher` (called at every step)
// window events are dispatched during the wait.
Result run(const Request& request, ProgramStarter& starter, Clock& clock,
           const LanguageTable& texts, const ProgramStarter::Watcher& watcher = {});

} // namespace UpdateRun
