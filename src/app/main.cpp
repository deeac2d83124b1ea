#include "app/ProgramStarter.h"
#include "app/SharedState.h"
#include "app/TFOrdanoreFirmWare.h"
#include "platform/Clock.h"
#include "platform/DesktopUrlOpener.h"
#include "platform/EchoService.h"
#include "platform/HttpGetter.h"
#include "platform/MessageBoxPrompts.h"
#include "platform/Platform.h"
#include "platform/ProcessLauncher.h"
#include "platform/SerialProbe.h"

#include <QApplication>
#include <cstdio>

namespace {

// Qt aborts without a display; say so in one line instead.
bool displayAvailable() {
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#else
    return true;
#endif
}

class NoEcho final : public EchoService {
public:
    EchoOutcome echo(const QString&, const QByteArray&, int, int) override {
        return {EchoOutcome::Status::NotPermitted, 0, {}};
    }
};

class NoSerial final : public SerialProbe {
public:
    QList<int> portNumbers() override { return {}; }
};

} // namespace

int main(int argc, char* argv[]) {
    if (!displayAvailable()) {
        std::fprintf(stderr, "ordano: no display available (set DISPLAY or WAYLAND_DISPLAY, "
                             "or run it under xvfb-run)\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordano"));

    MessageBoxPrompts prompts;
    SystemProcessLauncher processes;
    SystemClock clock;
    DesktopUrlOpener urls;
    NetworkHttpGetter http;
    NoEcho echo;
    NoSerial serial;
    Platform platform{prompts, processes, clock, urls, http, echo, serial};
    ProgramStarter starter(processes, clock, ProgramStarter::findWine());

    SharedState state;
    TFOrdanoreFirmWare window(state, platform, starter, QCoreApplication::applicationDirPath());
    window.show();
    return app.exec();
}
