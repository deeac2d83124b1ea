#include "core/image/RecordCoding.h"
#include "core/network/CodingTables.h"

#include <gtest/gtest.h>

using RecordCoding::meaningOfCode;

namespace {

// The VIFE assignment as the device firmware numbers it: positions from..to take the codes
// first..last. One position with several codes has a scale list (one code per entry); several
// positions, or one position with one code, have no list (one fixed code each).
struct VifeRange {
    int fromVife, toVife, firstCode, lastCode;
};

const VifeRange VifeAssignment[] = {
    {1, 1, 119, 122},     {2, 2, 123, 126},     {3, 27, 127, 151},    {28, 28, 152, 155},
    {29, 29, 156, 156},   {30, 30, 157, 157},   {31, 31, 158, 161},   {32, 32, 162, 162},
    {33, 33, 163, 165},   {34, 34, 166, 169},   {35, 37, 170, 172},   {38, 38, 173, 188},
    {39, 39, 189, 204},   {40, 47, 205, 212},   {48, 48, 213, 216},   {49, 49, 217, 220},
    {50, 50, 221, 221},   {51, 51, 222, 223},   {52, 52, 224, 225},   {53, 53, 226, 227},
    {54, 54, 228, 229},   {55, 60, 230, 235},   {61, 61, 236, 237},   {62, 62, 238, 239},
    {63, 63, 240, 243},   {64, 64, 244, 247},   {65, 65, 248, 251},   {66, 66, 252, 255},
    {67, 67, 256, 259},   {68, 68, 260, 263},   {69, 69, 264, 271},   {70, 77, 300, 307},
    {78, 78, 308, 309},   {79, 79, 310, 311},   {80, 96, 312, 328},   {97, 97, 329, 330},
    {98, 98, 331, 332},   {99, 99, 333, 340},   {100, 100, 341, 356}, {101, 101, 357, 364},
    {102, 102, 365, 368}, {103, 103, 369, 376}, {104, 104, 377, 380}, {105, 130, 381, 406},
    {131, 131, 407, 410}, {132, 136, 411, 415}, {137, 137, 416, 417}, {138, 138, 418, 419},
    {139, 139, 420, 423}, {140, 140, 424, 427}, {141, 141, 428, 429}, {142, 144, 430, 432},
    {145, 145, 433, 436}, {146, 146, 437, 440}, {147, 147, 441, 441}, {148, 148, 442, 442},
    {149, 149, 443, 444}, {150, 150, 445, 445}, {151, 151, 446, 446},
};

struct TypeRange {
    int type, entries, base;
};

const TypeRange TypeAssignment[] = {
    {0, 8, 1},   {1, 8, 9},    {2, 8, 17},   {3, 8, 25},   {4, 4, 33},   {5, 4, 37},   {6, 8, 41},
    {7, 8, 49},  {8, 8, 57},   {9, 8, 65},   {10, 8, 73},  {11, 8, 81},  {12, 4, 89},  {13, 4, 93},
    {14, 4, 97}, {15, 4, 101}, {16, 4, 105}, {20, 2, 109}, {17, 4, 111}, {18, 4, 115},
};

} // namespace

// Every VIFE position's codes, exactly as the device numbers them; scales past the list and
// the "no scale" 255 behave as the device expects.
TEST(RecordCode, VifeAssignmentIsComplete) {
    int nextVife = 1;
    for (const VifeRange& row : VifeAssignment) {
        SCOPED_TRACE(testing::Message() << "VIFE " << row.fromVife << ".." << row.toVife);
        ASSERT_EQ(row.fromVife, nextVife) << "the table must cover every position once";
        nextVife = row.toVife + 1;
        const bool scaleList = row.fromVife == row.toVife && row.lastCode > row.firstCode;
        if (scaleList) {
            const int n = row.lastCode - row.firstCode + 1;
            for (int s = 0; s < n; ++s)
                EXPECT_EQ(recordCodeOf(19, quint8(row.fromVife), quint16(s)), row.firstCode + s);
            EXPECT_EQ(recordCodeOf(19, quint8(row.fromVife), quint16(n)), 0);
            EXPECT_EQ(recordCodeOf(19, quint8(row.fromVife), 255), 0);
        } else {
            ASSERT_EQ(row.lastCode - row.firstCode, row.toVife - row.fromVife);
            for (int v = row.fromVife; v <= row.toVife; ++v) {
                const int code = row.firstCode + (v - row.fromVife);
                for (const quint16 s : {0, 1, 5, 255, 65535})
                    EXPECT_EQ(recordCodeOf(19, quint8(v), s), code) << "v " << v << " s " << s;
            }
        }
    }
    EXPECT_EQ(nextVife, RecordCoding::VifeCount);
}

// The twenty types with a scale list number the primary VIF codes; everything else has none.
TEST(RecordCode, TypeAssignmentIsComplete) {
    for (const TypeRange& row : TypeAssignment) {
        SCOPED_TRACE(testing::Message() << "type " << row.type);
        for (int s = 0; s < row.entries; ++s)
            EXPECT_EQ(recordCodeOf(quint8(row.type), 0, quint16(s)), row.base + s);
        EXPECT_EQ(recordCodeOf(quint8(row.type), 0, quint16(row.entries)), 0);
        EXPECT_EQ(recordCodeOf(quint8(row.type), 0, 255), 0);
    }
    for (const int t : {21, 22, 23, 24, 25, 26, 100, 255})
        for (const quint16 s : {0, 1, 255})
            EXPECT_EQ(recordCodeOf(quint8(t), 0, s), 0) << "type " << t;
}

// The cases the device's users hit at the edges of the lists.
TEST(RecordCode, EdgeCases) {
    struct Row {
        int t, v, s, code;
    };
    const Row rows[] = {
        {0, 0, 0, 1},      {0, 0, 7, 8},     {0, 0, 8, 0},                          // first type
        {20, 0, 1, 110},   {17, 0, 0, 111},  {18, 0, 3, 118},                       // time point
        {21, 0, 0, 0},     {22, 5, 0, 0},    {25, 38, 0, 0},   {21, 0, 255, 0},     // no list
        {19, 0, 0, 0},     {19, 0, 255, 0},                                         // no VIFE
        {19, 3, 255, 127}, {19, 3, 5, 127},                                         // fixed code
        {19, 38, 15, 188}, {19, 38, 16, 0},                                         // 16 volts
        {19, 69, 7, 271},  {19, 70, 0, 300}, {19, 70, 9, 300}, {19, 151, 200, 446}, // the gap
        {19, 152, 0, 0},   {19, 255, 0, 0},                                         // past list
        {6, 38, 3, 44},                      // VIFE ignored off type 19
        {0, 0, 256, 0},    {0, 0, 65535, 0}, // scale is 16 bits, not cut
    };
    for (const Row& r : rows)
        EXPECT_EQ(recordCodeOf(quint8(r.t), quint8(r.v), quint16(r.s)), r.code)
            << "t " << r.t << " v " << r.v << " s " << r.s;
    EXPECT_EQ(RecordCoding::HighestCode, 446);
    static_assert(recordCodeOf(19, 151, 0) == RecordCoding::HighestCode);
}

// Data-field codes of EN 13757-3 by dimension position; anything unknown is a 16-bit integer.
TEST(DimensionCode, EveryPositionAndOutside) {
    const int expected[] = {1, 2, 4, 7, 3, 6, 5, 13, 9, 10, 11, 12, 14};
    for (int p = 0; p < 13; ++p) {
        EXPECT_EQ(dataFieldCodeOf(quint8(p)), expected[p]) << "position " << p;
        EXPECT_EQ(RecordCoding::dimensionForCode(quint8(expected[p])), p);
    }
    for (const int p : {13, 14, 100, 255})
        EXPECT_EQ(dataFieldCodeOf(quint8(p)), 2) << "position " << p;
    for (const int code : {0, 8, 15, 255})
        EXPECT_FALSE(RecordCoding::dimensionForCode(quint8(code))) << "code " << code;
}

// The numbering must agree with the lists the editor offers: a scale the user can pick has a
// code, and one code per entry.
TEST(RecordCode, AgreesWithTheEditorsLists) {
    for (int t = 0; t < RecordCoding::TypeCount; ++t) {
        if (t == RecordCoding::TypeInVife)
            continue;
        const auto list = CodingTables::typeScaleList(t);
        EXPECT_EQ(RecordCoding::TypeScaleCounts[size_t(t)], list ? list->size() : 0)
            << "type " << t;
    }
    for (int v = 0; v < RecordCoding::VifeCount; ++v) {
        const auto list = CodingTables::vifeScaleList(v);
        EXPECT_EQ(RecordCoding::VifeScaleCounts[size_t(v)], list ? list->size() : 0)
            << "VIFE " << v;
    }
}

// The dump reads codes back: every code the compiler can give names its choice, and the
// unused numbers name none.
TEST(RecordCode, EveryCodeReadsBackToItsChoice) {
    int codesSeen = 0;
    for (int t = 0; t < 26; ++t) {
        for (int v = 0; v < (t == 19 ? 152 : 1); ++v) {
            for (int s = 0; s < 17; ++s) {
                const quint16 code = recordCodeOf(quint8(t), quint8(v), quint16(s));
                if (code == 0)
                    continue;
                const auto meaning = meaningOfCode(code);
                ASSERT_TRUE(meaning) << code;
                EXPECT_EQ(meaning->typeOfData, t);
                if (t == 19) {
                    EXPECT_EQ(meaning->vife, v);
                    EXPECT_EQ(meaning->scale, RecordCoding::VifeScaleCounts[size_t(v)] ? s : -1);
                } else {
                    EXPECT_EQ(meaning->scale, s);
                }
                ++codesSeen;
            }
        }
    }
    // One code per choice of the coding tables: type, scale, and for type 19 VIFE and its scale.
    EXPECT_EQ(codesSeen, 2162);
    for (const int unused : {0, 272, 285, 299, 447, 1000, 65535})
        EXPECT_FALSE(meaningOfCode(quint16(unused))) << unused;
}
