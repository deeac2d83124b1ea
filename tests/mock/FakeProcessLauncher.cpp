#include "mock/FakeProcessLauncher.h"

#include "core/platform/Clock.h"

namespace {

class FakeProcess final : public LaunchedProcess {
public:
    FakeProcess(Clock& clock, qint64 endAt, std::optional<int> code)
        : clock_(clock), endAt_(endAt), code_(code) {}
    bool hasExited() override { return clock_.ticks() >= endAt_; }
    std::optional<int> exitCode() override { return code_; }

private:
    Clock& clock_;
    qint64 endAt_;
    std::optional<int> code_;
};

} // namespace

std::unique_ptr<LaunchedProcess>
FakeProcessLauncher::start(const QString& program, const QStringList& arguments, bool shown) {
    starts.append({program, arguments, shown});
    if (failStart)
        return nullptr;
    return std::make_unique<FakeProcess>(clock_, clock_.ticks() + runMs, exitCode);
}
