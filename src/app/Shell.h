#pragma once

#include <QString>
#include <memory>

class TFOrdanoreFirmWare;

// The whole program: the real operating-system services, the shared state and the windows.
// `main` builds one; so does the start-up benchmark.
class Shell {
public:
    explicit Shell(const QString& programFolder);
    ~Shell();
    TFOrdanoreFirmWare& window();

private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};
