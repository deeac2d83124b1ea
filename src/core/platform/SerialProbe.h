#pragma once

#include <QList>

// Finds the serial ports that exist, as the port numbers the serial updater knows them by
// ("COM" and the number), ascending. A port held by another program still counts.
class SerialProbe {
public:
    virtual ~SerialProbe() = default;
    virtual QList<int> portNumbers() = 0;
};
