#include "gui/main/Shell.h"

#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/main/MainWindow.h"
#include "gui/platform/SystemPlatform.h"

struct Shell::Parts {
    SystemPlatform system;
    ProgramStarter starter{system.processes, system.clock, ProgramStarter::findWine()};
    SharedState state;
    std::unique_ptr<MainWindow> window;
};

Shell::Shell(const QString& programFolder)
    : Shell(Workspace::Layout{programFolder, QString(), programFolder}) {}

Shell::Shell(const Workspace::Layout& layout) : parts_(std::make_unique<Parts>()) {
    parts_->window = std::make_unique<MainWindow>(parts_->state, parts_->system.platform,
                                                  parts_->starter, layout);
}

Shell::~Shell() = default;

MainWindow& Shell::window() {
    return *parts_->window;
}
