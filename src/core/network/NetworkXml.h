#pragma once

// The vocabulary of M_Bus.xml: every reader and the writer take the names from here.
// Readers match attribute names exactly; element names are written but never checked.
namespace MBusXml {

inline constexpr const char* FileName = "M_Bus.xml";
inline constexpr const char* Root = "M-Bus_Network";
inline constexpr const char* NodeElement = "Nodo";
inline constexpr const char* VariableElement = "Variabile";

// Attributes of a node, in the writer's order.
inline constexpr const char* ID = "ID";
inline constexpr const char* Sec_Add = "Sec_Add";
inline constexpr const char* Descrizione = "Descrizione";

// Attributes of a variable, in the writer's order.
inline constexpr const char* Enable = "Enable";
inline constexpr const char* Desc = "Desc";
inline constexpr const char* Type = "Type";
inline constexpr const char* Fun_Field = "Fun_Field";
inline constexpr const char* Dim = "Dim";
inline constexpr const char* Unit = "Unit";
inline constexpr const char* StoNumber = "StoNumber";
inline constexpr const char* Tariff = "Tariff";
inline constexpr const char* VIFE = "VIFE";
inline constexpr const char* Length = "Length";
inline constexpr const char* Scale = "Scale";
inline constexpr const char* Mod_ID = "Mod_ID";
inline constexpr const char* Mod_TD = "Mod_TD";
inline constexpr const char* Mod_NR = "Mod_NR";
inline constexpr const char* Mod_NP = "Mod_NP";
inline constexpr const char* Mod_Swap = "Mod_Swap";

} // namespace MBusXml
