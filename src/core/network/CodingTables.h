#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class LanguageTable;

// The fixed lists from which every coding field of a variable is picked, and the rules that
// tie them together. A variable stores the POSITION of its choice in these lists, and the
// image compiler turns positions into M-Bus codes: never move, insert or remove an entry,
// or every M_Bus.xml written so far changes meaning. Captions are kept exactly as the
// device's users know them, blanks and spelling slips included.
namespace CodingTables {

inline constexpr int TypeCount = 26;
inline constexpr int FunctionFieldCount = 4;
inline constexpr int DimensionCount = 13;
inline constexpr int UnitCount = 11;
inline constexpr int VifeCount = 152;
inline constexpr int ModbusToDCount = 4;
inline constexpr int ModbusSwapCount = 2;

// The type of data whose scale list follows the VIFE.
inline constexpr int TypeInVife = 19;
// The dimension whose values have a variable length (the only one using `Length`).
inline constexpr int VariableLengthDimension = 7;
// `Scale` when the scale list is empty.
inline constexpr int NoScale = 255;

const QStringList& typesOfData();    // 26 captions
const QStringList& functionFields(); // 4
const QStringList& dimensions();     // 13
const QStringList& units();          // "0" .. "10"
const QStringList& vifeEntries();    // 152; position 0 is "Not Selected"

// The scale list of a type of data on its own; nullopt for type 19 (its list follows the
// VIFE), for types 21..25 and outside the list.
std::optional<QStringList> typeScaleList(int typeOfData);

// The scale list of a VIFE while the type of data is 19; nullopt when it has none.
std::optional<QStringList> vifeScaleList(int vife);

// The scale list that a type of data and a VIFE select together; nullopt for "no list".
std::optional<QStringList> scaleListFor(int typeOfData, int vife);

// A stored `Scale` is right when it is a position in the selected list, or 255 exactly when
// there is no list.
bool scaleFits(int typeOfData, int vife, int scale);

// The caption of a stored position; the position itself when the list has no such entry (a
// file written elsewhere may hold any value).
QString captionAt(const QStringList& list, int position);

// The caption of a stored `Scale`: empty for 255, the number when no list holds it.
QString scaleCaption(int typeOfData, int vife, int scale);

// What the Scale control shows after a rebuild.
struct ScalePanel {
    bool enabled = false;
    QStringList entries;
    int selected = -1; // 0 after a rebuild with a list, -1 (nothing) without

    bool operator==(const ScalePanel&) const = default;
};

// The type of data changed (also the Modbus type or swap, and every panel load): rebuild for
// the type, or for the VIFE when the type is 19. A rebuild always selects the first entry.
ScalePanel scaleAfterTypeChange(int typeOfData, int vife);

// The VIFE changed: rebuilds only while the type is 19; otherwise the panel keeps its list
// and selection, returned unchanged.
ScalePanel scaleAfterVifeChange(int typeOfData, int vife, const ScalePanel& current);

// The length field is enabled only for "Variable Length"; disabling keeps its text.
bool lengthEnabled(int dimension);

} // namespace CodingTables

// The Modbus type of data and swap lists come from the language table, so a translated name
// is recognised and the English one no longer is. Comparison is whole and case-sensitive.
QString modbusTypeText(const LanguageTable& table, int index);
int modbusTypePosition(const LanguageTable& table, const QString& text);
QString modbusSwapText(const LanguageTable& table, int index);
int modbusSwapPosition(const LanguageTable& table, const QString& text);
// The whole lists, in position order, for drop-down lists and reports.
QStringList modbusTypeTexts(const LanguageTable& table);
QStringList modbusSwapTexts(const LanguageTable& table);
