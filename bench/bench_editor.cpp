// The network editor shown with the largest network (64 nodes of 10 variables) against an
// empty one, from prepare to the first paint of its tree, in the same run.
#include "FullNetwork.h"

#include "core/state/SharedState.h"
#include "gui/network/NetworkEditorWindow.h"
#include "gui/platform/SystemPlatform.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <vector>

namespace {

// Notes the first paint of the tree that follows a showing.
class PaintProbe : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

struct Editor {
    SystemPlatform system;
    SharedState state;
    QTemporaryDir folder;
    std::unique_ptr<NetworkEditorWindow> window;
    PaintProbe probe;

    Editor() {
        state.setWorkspace(folder.path());
        QDir(state.projectsDir).mkpath(QStringLiteral("Full"));
        QDir(state.projectsDir).mkpath(QStringLiteral("Empty"));
        state.activateProject(QStringLiteral("Full"));
        saveNetwork(fullNetwork(), state.networkFile);
        window = std::make_unique<NetworkEditorWindow>(state, system.platform);
        window->buildWindow();
        window->findChild<QTreeView*>()->viewport()->installEventFilter(&probe);
    }

    struct Shown {
        double ms;    // from the showing to the end of the tree's first paint
        double cpuMs; // the processor time the program spent on it
    };
    Shown show(const QString& project) {
        state.activateProject(project);
        probe.painted = false;
        QElapsedTimer timer;
        const double cpuStart = processCpuMs();
        timer.start();
        window->show();
        while (!probe.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        const Shown shown{double(timer.nsecsElapsed()) / 1e6, processCpuMs() - cpuStart};
        window->hide();
        QCoreApplication::processEvents();
        return shown;
    }

    // On a machine shared with other work the wall time waits for the processor too.
    static double processCpuMs() {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

void BM_EditorShowFullAgainstEmpty(benchmark::State& state) {
    Editor editor;
    editor.show(QStringLiteral("Empty")); // the first showing pays for fonts and styles
    std::vector<double> full, empty, fullCpu, emptyCpu;
    for (auto _ : state) {
        const auto e = editor.show(QStringLiteral("Empty"));
        const auto f = editor.show(QStringLiteral("Full"));
        empty.push_back(e.ms);
        full.push_back(f.ms);
        emptyCpu.push_back(e.cpuMs);
        fullCpu.push_back(f.cpuMs);
        state.SetIterationTime(f.ms / 1000.0);
    }
    state.counters["empty_ms"] = median(empty);
    state.counters["full_ms"] = median(full);
    state.counters["ratio"] = median(full) / median(empty);
    state.counters["cpu_ratio"] = median(fullCpu) / median(emptyCpu);
}
BENCHMARK(BM_EditorShowFullAgainstEmpty)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
