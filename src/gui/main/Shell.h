#pragma once

#include "common/Workspace.h"

#include <QString>
#include <memory>

class MainWindow;

// The whole program: the real operating-system services, the shared state and the windows.
// `main` builds one; so does the start-up benchmark.
class Shell {
public:
    explicit Shell(const QString& programFolder);
    explicit Shell(const Workspace::Layout& layout);
    ~Shell();
    MainWindow& window();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
