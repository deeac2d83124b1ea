#include "common/IpAddress.h"

#include "common/NumberRule.h"

namespace {

// Only blanks are trimmed, as the address fields show them.
QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

bool Split_IP_Address(const QString& text, std::array<QString, 4>& parts) {
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
