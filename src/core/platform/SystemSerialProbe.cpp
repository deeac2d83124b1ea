#include "core/platform/SystemSerialProbe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <string>
#endif

namespace {

constexpr int MaxPorts = 256;

} // namespace

SystemSerialProbe::SystemSerialProbe(QString devFolder, QString sysTtyFolder, QString winePrefix)
    : dev_(devFolder.isEmpty() ? QStringLiteral("/dev") : std::move(devFolder)),
      sysTty_(sysTtyFolder.isEmpty() ? QStringLiteral("/sys/class/tty") : std::move(sysTtyFolder)),
      winePrefix_(winePrefix.isEmpty() ? defaultWinePrefix() : std::move(winePrefix)) {}

QString SystemSerialProbe::defaultWinePrefix() {
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    if (!prefix.isEmpty())
        return prefix;
    return QDir::home().filePath(QStringLiteral(".wine"));
}

bool SystemSerialProbe::present(const QString& devicePath) const {
    const QFileInfo device(devicePath);
    if (!device.exists())
        return false;
    static const QRegularExpression builtIn(QStringLiteral("^ttyS\\d+$"));
    if (!builtIn.match(device.fileName()).hasMatch())
        return true;
    // The kernel makes ttyS nodes for every possible UART; only those with hardware behind
    // them can be opened.
    const QDir sys(QDir(sysTty_).filePath(device.fileName()));
    if (!QFileInfo::exists(sys.filePath(QStringLiteral("device"))))
        return false;
    QFile type(sys.filePath(QStringLiteral("type")));
    if (type.open(QIODevice::ReadOnly))
        return type.readAll().trimmed() != "0";
    return true;
}

QList<int> SystemSerialProbe::portNumbers() {
    QList<int> ports;
#ifdef Q_OS_WIN
    for (int n = 1; n <= MaxPorts; ++n) {
        const std::wstring name = L"\\\\.\\COM" + std::to_wstring(n);
        HANDLE handle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            ports.append(n);
        } else if (GetLastError() == ERROR_ACCESS_DENIED) {
            ports.append(n); // held by another program
        }
    }
#else
    // COM number -> device. Where the prefix has comN links, they are wine's own mapping
    // from its last start, registry overrides included: they come first.
    QMap<int, QString> devices;
    const QDir dosdevices(QDir(winePrefix_).filePath(QStringLiteral("dosdevices")));
    static const QRegularExpression comLink(QStringLiteral("^com(\\d+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QFileInfoList links =
        dosdevices.entryInfoList(QDir::System | QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    QStringList linked;
    for (const QFileInfo& link : links) {
        const auto match = comLink.match(link.fileName());
        if (!match.hasMatch() || !link.isSymLink())
            continue;
        const int number = match.captured(1).toInt();
        if (number >= 1 && number <= MaxPorts) {
            devices.insert(number, link.symLinkTarget());
            linked.append(QFileInfo(link.symLinkTarget()).absoluteFilePath());
        }
    }
    // Devices no link names yet (no prefix, or plugged in since wine last ran) take the next
    // free numbers in wine's order: ttyS0, ttyS1, ... up to the first missing node, then
    // ttyUSB..., then ttyACM....
    int next = 1;
    for (const char* family : {"ttyS", "ttyUSB", "ttyACM"}) {
        for (int k = 0;; ++k) {
            const QString path = QDir(dev_).filePath(QLatin1String(family) + QString::number(k));
            if (!QFileInfo::exists(path))
                break;
            if (linked.contains(QFileInfo(path).absoluteFilePath()))
                continue;
            while (devices.contains(next))
                ++next;
            if (next > MaxPorts)
                break;
            devices.insert(next, path);
        }
    }
    for (auto it = devices.cbegin(); it != devices.cend(); ++it) {
        if (present(it.value()))
            ports.append(it.key());
    }
#endif
    return ports;
}
