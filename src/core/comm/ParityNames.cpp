#include "core/comm/ParityNames.h"

#include "core/comm/ParGen.h"
#include "core/lang/LangTable.h"

namespace ParityNames {

QStringList all(const LangTable& texts) {
    QStringList names;
    for (std::size_t i = 0; i < ParGenLists::Mod_Par.size(); ++i)
        names << texts.text(First + int(i));
    return names;
}

QString at(const LangTable& texts, int position) {
    return all(texts).value(position);
}

} // namespace ParityNames
