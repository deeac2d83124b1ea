#pragma once

#include <QString>

// The values Ordano.xml keeps between runs, with the defaults a missing or unreadable file
// gives. The last configuration's name is stored too, but it lives with the active
// configuration (SharedState::Project_Name).
struct StoredSettings {
    QString Last_IP_Address = QStringLiteral("192.168.2.205");
    QString Language = QStringLiteral("English");
    bool En_Internet = false;
    bool En_Update = false;
    bool En_Jump_Table = false;
    bool En_DoubleClick_Auto_Size = false;
};
