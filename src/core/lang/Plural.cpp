#include "core/lang/Plural.h"

#include "core/lang/LangTable.h"

namespace Plural {

QString count(const LangTable& texts, int first, qint64 n) {
    return n == 1 ? texts.text(first) : texts.text(first + 1).arg(n);
}

} // namespace Plural
