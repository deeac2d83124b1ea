#include "app/Shell.h"
#include "app/TFOrdanoreFirmWare.h"

#include <QApplication>
#include <csignal>
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

} // namespace

int main(int argc, char* argv[]) {
    if (!displayAvailable()) {
        std::fprintf(stderr, "ordano: no display available (set DISPLAY or WAYLAND_DISPLAY, "
                             "or run it under xvfb-run)\n");
        return 1;
    }
#ifdef SIGXFSZ
    // A write beyond the file-size limit then fails like any other and is reported.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ordano"));
    Shell shell(QCoreApplication::applicationDirPath());
    shell.window().show();
    return app.exec();
}
