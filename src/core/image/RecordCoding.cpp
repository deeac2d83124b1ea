#include "core/image/RecordCoding.h"

namespace RecordCoding {

std::optional<int> dimensionForCode(quint8 code) {
    for (int position = 0; position < DimensionCount; ++position) {
        if (DimensionCodes[size_t(position)] == code)
            return position;
    }
    return std::nullopt;
}

std::optional<CodeMeaning> meaningOfCode(quint16 code) {
    if (code == 0)
        return std::nullopt;
    for (int t = 0; t < TypeCount; ++t) {
        const int n = TypeScaleCounts[size_t(t)];
        const int base = TypeBases[size_t(t)];
        if (t != TypeInVife && n > 0 && code >= base && code < base + n)
            return CodeMeaning{t, 0, code - base};
    }
    for (int v = 1; v < VifeCount; ++v) {
        const int n = VifeScaleCounts[size_t(v)];
        const int base = VifeBases[size_t(v)];
        if (n == 0 && code == base)
            return CodeMeaning{TypeInVife, v, -1};
        if (n > 0 && code >= base && code < base + n)
            return CodeMeaning{TypeInVife, v, code - base};
    }
    return std::nullopt;
}

} // namespace RecordCoding
