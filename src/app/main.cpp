#include "app/TFOrdanoreFirmWare.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TFOrdanoreFirmWare w;
    w.show();
    return app.exec();
}
