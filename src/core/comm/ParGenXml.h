#pragma once

#include <array>

// The vocabulary of ParGen.xml: every reader and the writer take the names from here.
// Every value is the text of a child element of the root; there are no attributes.
namespace ParGenXml {

inline constexpr const char* FileName = "ParGen.xml";
inline constexpr const char* Root = "Par_Gen";

inline constexpr const char* Select_Device = "Select_Device";
inline constexpr const char* Meter_Baud = "Meter_Baud";
inline constexpr const char* Meter_Par = "Meter_Par";
inline constexpr const char* Mod_Ser = "Mod_Ser";
inline constexpr const char* Mod_Baud = "Mod_Baud";
inline constexpr const char* Mod_Par = "Mod_Par";
inline constexpr const char* Mod_TO = "Mod_TO";
inline constexpr const char* Mod_CD = "Mod_CD";
inline constexpr const char* Mod_Protocol = "Mod_Protocol";
// One element per octet, the most significant first.
inline constexpr std::array<const char*, 4> Ethernet_IP = {"Ethernet_IP1", "Ethernet_IP2",
                                                           "Ethernet_IP3", "Ethernet_IP4"};
inline constexpr std::array<const char*, 4> Ethernet_SM = {"Ethernet_SM1", "Ethernet_SM2",
                                                           "Ethernet_SM3", "Ethernet_SM4"};
inline constexpr std::array<const char*, 4> Ethernet_GAT = {"Ethernet_GAT1", "Ethernet_GAT2",
                                                            "Ethernet_GAT3", "Ethernet_GAT4"};
inline constexpr const char* Ethernet_EN_GAT = "Ethernet_EN_GAT";

} // namespace ParGenXml
