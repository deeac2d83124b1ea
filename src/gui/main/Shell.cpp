#include "gui/main/Shell.h"

#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/main/TFOrdanoreFirmWare.h"
#include "gui/platform/SystemPlatform.h"

struct Shell::Parts {
    SystemPlatform system;
    ProgramStarter starter{system.processes, system.clock, ProgramStarter::findWine()};
    SharedState state;
    std::unique_ptr<TFOrdanoreFirmWare> window;
};

Shell::Shell(const QString& programFolder)
    : Shell(Workspace::Layout{programFolder, QString(), programFolder}) {}

Shell::Shell(const Workspace::Layout& layout) : parts_(std::make_unique<Parts>()) {
    parts_->window = std::make_unique<TFOrdanoreFirmWare>(parts_->state, parts_->system.platform,
                                                          parts_->starter, layout);
}

Shell::~Shell() = default;

TFOrdanoreFirmWare& Shell::window() {
    return *parts_->window;
}
