// Writes the program's icon into an icon theme folder: FOLDER/<n>x<n>/apps/ordano.png for each
// size the installation ships. Run by the build; the pictures are never edited by hand.

#include "render/AppIcon.h"

#include <QCoreApplication>
#include <QDir>
#include <QSaveFile>
#include <QTextStream>

int main(int argc, char** argv) {
    // Painting into an image needs no screen: a core application is enough.
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: draw-icon FOLDER\n";
        return 2;
    }
    for (const int size : AppIcon::Sizes) {
        const QString folder =
            QDir(args[1]).filePath(QStringLiteral("%1x%1/apps").arg(QString::number(size)));
        QSaveFile file(QDir(folder).filePath(QStringLiteral("ordano.png")));
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
            !AppIcon::draw(size).save(&file, "PNG") || !file.commit()) {
            err << "draw-icon: cannot write " << file.fileName() << ": " << file.errorString()
                << "\n";
            return 1;
        }
    }
    return 0;
}
