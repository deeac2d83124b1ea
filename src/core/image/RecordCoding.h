#pragma once

#include "core/network/CodingTables.h"

#include <QtGlobal>
#include <array>
#include <optional>

// The two codes of a variable record that the device reads instead of list positions.
// The device firmware holds the same numbering: never renumber, only append.
//
// dataFieldCodeOf: dimension position -> data-field code of the M-Bus DIF (EN 13757-3).
// recordCodeOf: (type of data, VIFE, scale) -> one running number over every unit and
// multiplier choice; 0 means the choice has no code.
namespace RecordCoding {

// The list sizes are those of the coding lists the editor offers.
using CodingTables::DimensionCount;
using CodingTables::TypeCount;
using CodingTables::TypeInVife; // the type whose unit comes from the VIFE
using CodingTables::VifeCount;  // positions 0..151; 0 is "Not Selected"
inline constexpr quint16 HighestCode = 446;

// Data-field codes by dimension position; any other position gives 2 (16-bit integer).
inline constexpr std::array<quint8, DimensionCount> DimensionCodes = {1,  2, 4,  7,  3,  6, 5,
                                                                      13, 9, 10, 11, 12, 14};
inline constexpr quint8 FallbackDimensionCode = 2;

// Number of scale entries per type of data; 0 for no list. Type 19 takes its list from the
// VIFE and has none of its own.
inline constexpr std::array<quint8, TypeCount> TypeScaleCounts = {
    8, 8, 8, 8, 4, 4, 8, 8, 8, 8, 8, 8, 4, 4, 4, 4, 4, 4, 4, 0, 2, 0, 0, 0, 0, 0};

// Number of scale entries per VIFE position while the type is 19; 0 for no list (the
// position then has one fixed code).
inline constexpr std::array<quint8, VifeCount> VifeScaleCounts = [] {
    std::array<quint8, VifeCount> n{};
    const int withList[][2] = {
        {1, 4},   {2, 4},    {28, 4},  {31, 4},  {33, 3},  {34, 4},  {38, 16}, {39, 16}, {48, 4},
        {49, 4},  {51, 2},   {52, 2},  {53, 2},  {54, 2},  {61, 2},  {62, 2},  {63, 4},  {64, 4},
        {65, 4},  {66, 4},   {67, 4},  {68, 4},  {69, 8},  {78, 2},  {79, 2},  {97, 2},  {98, 2},
        {99, 8},  {100, 16}, {101, 8}, {102, 4}, {103, 8}, {104, 4}, {131, 4}, {137, 2}, {138, 2},
        {139, 4}, {140, 4},  {141, 2}, {145, 4}, {146, 4}, {149, 2}};
    for (const auto& [position, count] : withList)
        n[position] = quint8(count);
    return n;
}();

// First code of each type. The count follows the primary VIF order of EN 13757-3, where
// "Time Point" (20) sits between pressure (16) and averaging duration (17).
inline constexpr std::array<quint16, TypeCount> TypeBases = [] {
    std::array<quint16, TypeCount> base{};
    const int order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 17, 18};
    quint16 next = 1;
    for (const int t : order) {
        base[t] = next;
        next = quint16(next + TypeScaleCounts[t]);
    }
    return base;
}();

// The VIFE positions that open the second block of codes; 272..299 stay unused, the device
// reserves them.
inline constexpr int VifeSecondBlock = 70;
inline constexpr quint16 VifeFirstCode = 119;
inline constexpr quint16 VifeSecondBlockCode = 300;

// First code of each VIFE position (0 for position 0); a position takes one code per scale
// entry, or one code when it has no list.
inline constexpr std::array<quint16, VifeCount> VifeBases = [] {
    std::array<quint16, VifeCount> base{};
    quint16 next = VifeFirstCode;
    for (int v = 1; v < VifeCount; ++v) {
        if (v == VifeSecondBlock)
            next = VifeSecondBlockCode;
        base[v] = next;
        next = quint16(next + (VifeScaleCounts[v] ? VifeScaleCounts[v] : 1));
    }
    return base;
}();

// The numbering the device holds, checked where it is built.
static_assert(TypeBases[18] + TypeScaleCounts[18] - 1 == 118, "primary codes end at 118");
static_assert(VifeBases[1] == VifeFirstCode);
static_assert(VifeBases[VifeSecondBlock - 1] + VifeScaleCounts[VifeSecondBlock - 1] - 1 == 271,
              "the first block of VIFE codes ends at 271");
static_assert(VifeBases[VifeCount - 1] == HighestCode && VifeScaleCounts[VifeCount - 1] == 0,
              "the last VIFE position has the highest code");

constexpr quint8 dataFieldCodeOf(quint8 dimension) {
    return dimension < DimensionCount ? DimensionCodes[dimension] : FallbackDimensionCode;
}

constexpr quint16 recordCodeOf(quint8 typeOfData, quint8 vife, quint16 scale) {
    if (typeOfData == TypeInVife) {
        if (vife == 0 || vife >= VifeCount)
            return 0;
        const quint8 n = VifeScaleCounts[vife];
        if (n == 0)
            return VifeBases[vife]; // fixed code, whatever the scale
        return scale < n ? quint16(VifeBases[vife] + scale) : 0;
    }
    if (typeOfData >= TypeCount || scale >= TypeScaleCounts[typeOfData])
        return 0;
    return quint16(TypeBases[typeOfData] + scale);
}

// What a record code stands for, for reading images back.
struct CodeMeaning {
    int typeOfData = 0;
    int vife = 0;   // 0 unless typeOfData is 19
    int scale = -1; // -1: a VIFE without a scale list
};

// The dimension position whose code this is; nullopt for a code no position gives.
std::optional<int> dimensionForCode(quint8 code);

// The choice a record code stands for; nullopt for 0 and for unused numbers.
std::optional<CodeMeaning> meaningOfCode(quint16 code);

} // namespace RecordCoding

using RecordCoding::dataFieldCodeOf;
using RecordCoding::recordCodeOf;
