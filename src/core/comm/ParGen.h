#pragma once

#include <QString>
#include <array>
#include <optional>

// The general parameters of one configuration and their file, ParGen.xml.
// List fields hold the position of the chosen entry (counted from 0); the positions are
// stored data, read by the image compiler, so the lists below must never move an entry.
// Edit fields hold the text exactly as typed; only the compiler turns them into numbers.
struct Par_Gen {
    int Select_Device = 1;
    int Meter_Baud = 3;
    int Meter_Par = 1;
    int Mod_Ser = 1; // 1 = "RS232", 0 = "RS485" (a flag, not a list position)
    int Mod_Baud = 7;
    int Mod_Par = 0;
    QString Mod_TO = QStringLiteral("1000");
    QString Mod_CD = QStringLiteral("100");
    int Mod_Protocol = 0;
    QString Ethernet_IP1 = QStringLiteral("192");
    QString Ethernet_IP2 = QStringLiteral("168");
    QString Ethernet_IP3 = QStringLiteral("0");
    QString Ethernet_IP4 = QStringLiteral("10");
    QString Ethernet_SM1 = QStringLiteral("255");
    QString Ethernet_SM2 = QStringLiteral("255");
    QString Ethernet_SM3 = QStringLiteral("255");
    QString Ethernet_SM4 = QStringLiteral("0");
    QString Ethernet_GAT1 = QStringLiteral("192");
    QString Ethernet_GAT2 = QStringLiteral("168");
    QString Ethernet_GAT3 = QStringLiteral("0");
    QString Ethernet_GAT4 = QStringLiteral("1");
    bool Ethernet_EN_GAT = false;

    bool operator==(const Par_Gen&) const = default;
};

// The list texts of the settings window, by position. The device list is shown from the
// language table (texts 408, 409); these are its English texts.
namespace ParGenLists {

inline constexpr std::array<const char*, 2> Select_Device = {"RX48213M (Serial Update)",
                                                             "RX48213-B2 (Ethernet Update)"};
inline constexpr std::array<const char*, 8> Meter_Baud = {"300",  "600",  "1200",  "2400",
                                                          "4800", "9600", "19200", "38400"};
inline constexpr std::array<const char*, 3> Meter_Par = {"NONE", "EVEN", "ODD"};
// Window position 0 stores Mod_Ser 1, position 1 stores Mod_Ser 0.
inline constexpr std::array<const char*, 2> Mod_Ser = {"RS232", "RS485"};
inline constexpr std::array<const char*, 8> Mod_Baud = {"1200",  "2400",  "4800",  "9600",
                                                        "19200", "38400", "57600", "115200"};
inline constexpr std::array<const char*, 3> Mod_Par = {"NONE", "EVEN", "ODD"};
inline constexpr std::array<const char*, 5> Mod_Protocol = {"Modbus RTU", "Modbus ASCII", "JBUS",
                                                            "Binary", "ASCII"};

} // namespace ParGenLists

// The number a typed field (`Mod_TO`, `Mod_CD`, the twelve octets) stands for: the window's
// number rule, signed 32-bit ("$3E8", "0x3E8" and " 1000" all give 1000). The window's checks
// and the compiler both read these texts through here, so the device gets what was accepted.
std::optional<qint32> typedNumber(QStringView text);

// A stored list position outside its list is kept as read: the window then selects nothing,
// and saving that untouched choice writes -1. The window maps its selection through this
// before saving (an out-of-list position, like a combo box without a choice, becomes -1).
int positionForSave(int position, int listSize);

struct ParGenLoad {
    Par_Gen value;
    QString error; // empty on success; else the parser's message with line and column
    bool ok() const { return error.isEmpty(); }
};

// The settings window's reading: a missing file gives the new-configuration values; missing
// elements and non-integer texts take the defaults; only a file that is not well-formed fails.
ParGenLoad Load_Par_Gen(const QString& path);

// Replaces the file with the 22 elements of the record; nothing is validated here.
// Returns an empty text on success, else the system's message.
QString Save_Par_Gen(const Par_Gen& record, const QString& path);

// The bytes Save_Par_Gen writes.
QByteArray Par_Gen_Bytes(const Par_Gen& record);

struct SelectDeviceRead {
    int value = 1;
    QString error; // not well-formed: the parser's message, and the update must not start
    bool ok() const { return error.isEmpty(); }
};

// The main window's reading of the device model before the update window: no file gives 1,
// no "Select_Device" element 0, a text that is not an integer 1.
SelectDeviceRead Read_Select_Device(const QString& path);
