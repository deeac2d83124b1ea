#pragma once

#include <QString>
#include <array>
#include <optional>

// The general parameters of one configuration and their file, ParGen.xml.
// List fields hold the position of the chosen entry (counted from 0); the positions are
// stored data, read by the image compiler, so the lists below must never move an entry.
// Edit fields hold the text exactly as typed; only the compiler turns them into numbers.
struct GeneralParameters {
    int deviceModel = 1;
    int mbusBaud = 3;
    int mbusParity = 1;
    int modbusRs232 = 1; // 1 = "RS232", 0 = "RS485" (a flag, not a list position)
    int modbusBaud = 7;
    int modbusParity = 0;
    QString modbusTimeout = QStringLiteral("1000");
    QString modbusCyclicDelay = QStringLiteral("100");
    int modbusProtocol = 0;
    QString ethernetIp1 = QStringLiteral("192");
    QString ethernetIp2 = QStringLiteral("168");
    QString ethernetIp3 = QStringLiteral("0");
    QString ethernetIp4 = QStringLiteral("10");
    QString ethernetMask1 = QStringLiteral("255");
    QString ethernetMask2 = QStringLiteral("255");
    QString ethernetMask3 = QStringLiteral("255");
    QString ethernetMask4 = QStringLiteral("0");
    QString ethernetGateway1 = QStringLiteral("192");
    QString ethernetGateway2 = QStringLiteral("168");
    QString ethernetGateway3 = QStringLiteral("0");
    QString ethernetGateway4 = QStringLiteral("1");
    bool ethernetGatewayEnabled = false;

    bool operator==(const GeneralParameters&) const = default;
};

// The list texts of the settings window, by position. The device list is shown from the
// language table (texts 408, 409); these are its English texts.
namespace ParGenLists {

inline constexpr std::array<const char*, 2> devices = {"RX48213M (Serial Update)",
                                                       "RX48213-B2 (Ethernet Update)"};
inline constexpr std::array<const char*, 8> mbusBauds = {"300",  "600",  "1200",  "2400",
                                                         "4800", "9600", "19200", "38400"};
inline constexpr std::array<const char*, 3> mbusParities = {"NONE", "EVEN", "ODD"};
// Window position 0 stores modbusRs232 1, position 1 stores modbusRs232 0.
inline constexpr std::array<const char*, 2> modbusSerials = {"RS232", "RS485"};
inline constexpr std::array<const char*, 8> modbusBauds = {"1200",  "2400",  "4800",  "9600",
                                                           "19200", "38400", "57600", "115200"};
inline constexpr std::array<const char*, 3> modbusParities = {"NONE", "EVEN", "ODD"};
inline constexpr std::array<const char*, 5> modbusProtocols = {"Modbus RTU", "Modbus ASCII", "JBUS",
                                                               "Binary", "ASCII"};

} // namespace ParGenLists

// The number a typed field (`modbusTimeout`, `modbusCyclicDelay`, the twelve octets) stands for:
// the window's number rule, signed 32-bit ("$3E8", "0x3E8" and " 1000" all give 1000). The window's
// checks and the compiler both read these texts through here, so the device gets what was accepted.
std::optional<qint32> typedNumber(QStringView text);

// A stored list position outside its list is kept as read: the window then selects nothing,
// and saving that untouched choice writes -1. The window maps its selection through this
// before saving (an out-of-list position, like a combo box without a choice, becomes -1).
int positionForSave(int position, int listSize);

struct GeneralParametersLoad {
    GeneralParameters value;
    QString error; // empty on success; else the parser's message with line and column
    bool ok() const { return error.isEmpty(); }
};

// The settings window's reading: a missing file gives the new-configuration values; missing
// elements and non-integer texts take the defaults; only a file that is not well-formed fails.
GeneralParametersLoad loadGeneralParameters(const QString& path);

// Replaces the file with the 22 elements of the record; nothing is validated here.
// Returns an empty text on success, else the system's message.
QString saveGeneralParameters(const GeneralParameters& record, const QString& path);

// The bytes saveGeneralParameters writes.
QByteArray generalParametersBytes(const GeneralParameters& record);

struct SelectDeviceRead {
    int value = 1;
    QString error; // not well-formed: the parser's message, and the update must not start
    bool ok() const { return error.isEmpty(); }
};

// The main window's reading of the device model before the update window: no file gives 1,
// no "Select_Device" element 0, a text that is not an integer 1.
SelectDeviceRead readDeviceModel(const QString& path);
