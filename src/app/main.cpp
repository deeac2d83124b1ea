#include "core/shell/StartUp.h"
#include "core/lang/LanguageTable.h"
#include "gui/main/MainWindow.h"
#include "gui/main/Shell.h"
#include "gui/platform/MessageBoxPrompts.h"
#include "render/AppIcon.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
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
    QApplication::setDesktopFileName(QStringLiteral("ordano"));
    QIcon icon;
    for (const int size : AppIcon::Sizes)
        icon.addPixmap(QPixmap::fromImage(AppIcon::draw(size)));
    QApplication::setWindowIcon(icon);
    const QString programFolder = QCoreApplication::applicationDirPath();
    Workspace::Request request;
    request.programFolder = programFolder;
    request.dataFolder = Workspace::installedDataFolder(programFolder);
    request.userDataFolder = Workspace::userDataFolder();
    // No workspace yet, so no language of the user's: the refusal is in English.
    const LanguageTable texts;
    const StartUp::Outcome start = StartUp::prepare(QCoreApplication::arguments(), request, texts);
    if (start.helpOnly) {
        std::printf("%s\n", qPrintable(texts.text(StartUp::Msg_Usage)));
        return 0;
    }
    if (!start.refusal.isEmpty()) {
        std::fprintf(stderr, "ordano: %s\n", qPrintable(start.refusal));
        MessageBoxPrompts().error(nullptr, start.refusal);
        return 1;
    }
    Shell shell(start.layout);
    shell.window().show();
    return app.exec();
}
