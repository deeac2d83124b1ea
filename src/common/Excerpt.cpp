#include "common/Excerpt.h"

namespace Excerpt {

QString quoted(const QString& text) {
    if (text.size() <= Shown)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QLatin1Char('"') + text.left(Shown) + QStringLiteral("...\"");
}

} // namespace Excerpt
