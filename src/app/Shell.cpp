#include "app/Shell.h"

#include "app/TFOrdanoreFirmWare.h"
#include "platform/Clock.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/HttpGetter.h"
#include "platform/IcmpEchoService.h"
#include "platform/MessageBoxPrompts.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/SystemSerialProbe.h"
#include "state/SharedState.h"
#include "update/ProgramStarter.h"

struct Shell::Parts {
    MessageBoxPrompts prompts;
    SystemProcessLauncher processes;
    SystemClock clock;
    DesktopUrlOpener urls;
    NetworkHttpGetter http;
    IcmpEchoService echo;
    SystemSerialProbe serial;
    Platform platform{prompts, processes, clock, urls, http, echo, serial};
    ProgramStarter starter{processes, clock, ProgramStarter::findWine()};
    SharedState state;
    std::unique_ptr<TFOrdanoreFirmWare> window;
};

Shell::Shell(const QString& programFolder) : parts_(std::make_unique<Parts>()) {
    parts_->window = std::make_unique<TFOrdanoreFirmWare>(parts_->state, parts_->platform,
                                                          parts_->starter, programFolder);
}

Shell::~Shell() = default;

TFOrdanoreFirmWare& Shell::window() {
    return *parts_->window;
}
