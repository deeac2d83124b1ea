#include "common/IpAddress.h"

#include "common/Blanks.h"
#include "common/NumberRule.h"

bool splitIpAddress(const QString& text, std::array<QString, 4>& parts) {
    QString rest = trimBlanks(text);
    for (int i = 0; i < 3; ++i) {
        const qsizetype dot = rest.indexOf(u'.');
        if (dot < 0)
            return false;
        parts[size_t(i)] = trimBlanks(rest.left(dot));
        rest = trimBlanks(rest.mid(dot + 1));
    }
    parts[3] = rest;
    for (const QString& part : parts) {
        const auto value = NumberRule::toInt32(part).value_or(1000);
        if (value < 0 || value > 255)
            return false;
    }
    return true;
}
