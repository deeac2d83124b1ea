#include "core/comm/ParityNames.h"

#include "core/comm/GeneralParameters.h"
#include "core/lang/LanguageTable.h"

namespace ParityNames {

QStringList all(const LanguageTable& texts) {
    QStringList names;
    for (std::size_t i = 0; i < ParGenLists::modbusParities.size(); ++i)
        names << texts.text(First + int(i));
    return names;
}

QString at(const LanguageTable& texts, int position) {
    return all(texts).value(position);
}

} // namespace ParityNames
