#include "core/lang/Plural.h"

#include "core/lang/LanguageTable.h"

namespace Plural {

QString count(const LanguageTable& texts, int first, qint64 n) {
    return n == 1 ? texts.text(first) : texts.text(first + 1).arg(n);
}

} // namespace Plural
