#include "core/update/UpdateOptions.h"

QString updaterOptions(const QString& s_opt, int option, bool readBack) {
    bool firmware = false;
    bool configuration = false;
    switch (option) {
    case UpdateOption::FirmwareAndConfiguration:
        firmware = configuration = true;
        break;
    case UpdateOption::Firmware:
        firmware = true;
        break;
    case UpdateOption::Configuration:
        configuration = true;
        break;
    default:
        return s_opt;
    }
    // The updater reads four fixed slots of three characters; the order never changes.
    QString result = s_opt;
    result += firmware ? QStringLiteral("FW ") : QStringLiteral("NO ");
    result += firmware && readBack ? QStringLiteral("FR ") : QStringLiteral("NO ");
    result += configuration ? QStringLiteral("PW ") : QStringLiteral("NO ");
    result += configuration && readBack ? QStringLiteral("PR ") : QStringLiteral("NO ");
    return result;
}
