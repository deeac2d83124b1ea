#pragma once

#include "core/platform/ProcessLauncher.h"

#include <QList>

class Clock;

// Records every start; a started program "runs" for runMs of the given clock.
class FakeProcessLauncher final : public ProcessLauncher {
public:
    explicit FakeProcessLauncher(Clock& clock) : clock_(clock) {}

    struct Start {
        QString program;
        QStringList arguments;
        bool shown;
    };
    QList<Start> starts;
    bool failStart = false;
    qint64 runMs = 0;
    // What a program reports when it ends; nullopt for one that ends without a code.
    std::optional<int> exitCode = 0;

    std::unique_ptr<LaunchedProcess> start(const QString& program, const QStringList& arguments,
                                           bool shown) override;

private:
    Clock& clock_;
};
