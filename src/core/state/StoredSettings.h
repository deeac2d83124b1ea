#pragma once

#include <QString>

// The values Ordano.xml keeps between runs, with the defaults a missing or unreadable file
// gives. The last configuration's name is stored too, but it lives with the active
// configuration (SharedState::projectName).
struct StoredSettings {
    QString lastIpAddress = QStringLiteral("192.168.2.205");
    QString language = QStringLiteral("English");
    bool internetEnabled = false;
    bool updateCheckEnabled = false;
    bool jumpTableEnabled = false;
    bool doubleClickAutoSize = false;
};
