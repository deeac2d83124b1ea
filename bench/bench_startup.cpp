// Start-up to the first painted main window, and peak memory, against a bare Qt Widgets
// window built here. Each iteration starts both as fresh processes, side by side, so the
// ratios compare like with like on the same machine state.
#include "gui/main/MainWindow.h"
#include "gui/main/Shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

namespace {

// Reports once the first paint of `window` has been handled, then ends the process.
class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            QTimer::singleShot(0, [] {
                rusage usage{};
                getrusage(RUSAGE_SELF, &usage);
                std::printf("shown %ld\n", usage.ru_maxrss);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool done_ = false;
};

int runChild(const char* which, int argc, char** argv) {
    QApplication app(argc, argv);
    FirstPaint probe;
    if (std::strcmp(which, "bare") == 0 || std::strcmp(which, "text") == 0) {
        QWidget window;
        window.resize(694, 396);
        // Any window that shows text pays for the font database; this one shows one label.
        if (std::strcmp(which, "text") == 0)
            new QLabel(QStringLiteral("Modbus Master / M-Bus Slave"), &window);
        window.installEventFilter(&probe);
        window.show();
        return app.exec();
    }
    QTemporaryDir programFolder;
    Shell shell(programFolder.path());
    shell.window().installEventFilter(&probe);
    shell.window().show();
    return app.exec();
}

struct Sample {
    double ms = 0;
    double peakKb = 0;
};

Sample startChild(const QString& self, const char* which) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    child.start(self, {QStringLiteral("--child=%1").arg(QLatin1String(which))});
    Sample sample;
    while (child.waitForReadyRead(10000)) {
        const QByteArray line = child.readLine();
        if (line.startsWith("shown ")) {
            sample.ms = double(timer.nsecsElapsed()) / 1e6;
            sample.peakKb = line.mid(6).trimmed().toDouble();
            break;
        }
    }
    child.waitForFinished(10000);
    return sample;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QString selfPath;

void BM_StartupSideBySide(benchmark::State& state) {
    std::vector<double> bareMs, textMs, ordanoMs, bareKb, textKb, ordanoKb;
    for (auto _ : state) {
        const Sample bare = startChild(selfPath, "bare");
        const Sample text = startChild(selfPath, "text");
        const Sample ordano = startChild(selfPath, "ordano");
        if (bare.ms == 0 || text.ms == 0 || ordano.ms == 0) {
            state.SkipWithError("a child did not show its window");
            return;
        }
        bareMs.push_back(bare.ms);
        textMs.push_back(text.ms);
        ordanoMs.push_back(ordano.ms);
        bareKb.push_back(bare.peakKb);
        textKb.push_back(text.peakKb);
        ordanoKb.push_back(ordano.peakKb);
        state.SetIterationTime(ordano.ms / 1000.0);
    }
    state.counters["bare_ms"] = median(bareMs);
    state.counters["bare_label_ms"] = median(textMs);
    state.counters["ordano_ms"] = median(ordanoMs);
    state.counters["time_ratio"] = median(ordanoMs) / median(bareMs);
    state.counters["time_ratio_vs_label"] = median(ordanoMs) / median(textMs);
    state.counters["bare_peak_MB"] = median(bareKb) / 1024.0;
    state.counters["bare_label_peak_MB"] = median(textKb) / 1024.0;
    state.counters["ordano_peak_MB"] = median(ordanoKb) / 1024.0;
    state.counters["memory_ratio"] = median(ordanoKb) / median(bareKb);
    state.counters["memory_ratio_vs_label"] = median(ordanoKb) / median(textKb);
}
BENCHMARK(BM_StartupSideBySide)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strncmp(argv[1], "--child=", 8) == 0)
        return runChild(argv[1] + 8, argc, argv);
    {
        QCoreApplication app(argc, argv);
        selfPath = QCoreApplication::applicationFilePath();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
