#include "cli/Printable.h"

namespace Cli {

QString printable(const QString& value) {
    QString text;
    text.reserve(value.size());
    for (const QChar c : value) {
        const char16_t u = c.unicode();
        if (u == u'\\')
            text += QStringLiteral("\\\\");
        else if (u == u'\t')
            text += QStringLiteral("\\t");
        else if (u == u'\n')
            text += QStringLiteral("\\n");
        else if (u == u'\r')
            text += QStringLiteral("\\r");
        else if (u < 0x20 || u == 0x7F)
            text += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if ((u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            text += QStringLiteral("\\u{%1}").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            text += c;
    }
    return text;
}

} // namespace Cli
