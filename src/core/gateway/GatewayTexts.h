#pragma once

#include "core/gateway/SlaveBus.h"

#include <QString>

class LanguageTable;

// The texts of the virtual gateway: the window, its log and the command's output.
namespace Gateway {

namespace Text {
inline constexpr int Title = 208;
inline constexpr int Start = 209;
inline constexpr int StopListening = 210;
inline constexpr int Close = 211;
inline constexpr int MbusTcp = 212;
inline constexpr int MbusSerial = 213;
inline constexpr int AddressPort = 214;
inline constexpr int Values = 215;
inline constexpr int Live = 216;
inline constexpr int Typed = 217;
inline constexpr int ModbusTcp = 218;
inline constexpr int ModbusSerial = 219;
inline constexpr int Every = 220;
inline constexpr int ShowHex = 221;
inline constexpr int Listening = 222;
inline constexpr int Stopped = 223;
inline constexpr int ColumnNode = 224;
inline constexpr int ColumnVariable = 225;
inline constexpr int ColumnCoding = 226;
inline constexpr int ColumnValue = 227;
inline constexpr int ManufacturerSpecific = 228;
inline constexpr int NoValue = 229;
inline constexpr int MasterConnected = 230;
inline constexpr int MasterRefused = 231;
inline constexpr int MasterLeft = 232;
inline constexpr int SndNke = 233;
inline constexpr int ReqUd2 = 234;
inline constexpr int ReqUd1 = 235;
inline constexpr int Select = 236;
inline constexpr int ApplicationReset = 237;
inline constexpr int Unsupported = 238;
inline constexpr int Garbage = 239;
inline constexpr int BadChecksum = 240;
inline constexpr int BadLength = 241;
inline constexpr int Incomplete = 242;
inline constexpr int NoAnswer = 243;
inline constexpr int Acked = 244;
inline constexpr int RspUd = 245;
inline constexpr int Repeated = 246;
inline constexpr int LiteralAddress = 247;
inline constexpr int CannotListen = 248;
inline constexpr int CannotOpen = 249;
inline constexpr int Log = 250;
inline constexpr int Collision = 251;
inline constexpr int ModbusAddress = 252;
inline constexpr int Readings = 253;
inline constexpr int ListenOn = 254;
} // namespace Text

// "REQ_UD2 to 1, FCB 1" and the like.
QString requestText(const Exchange& e, const LanguageTable& texts);
// "RSP_UD: 2 record(s), 0 with errors", "E5 from 1 node(s)", "no answer".
QString answerText(const Exchange& e, const LanguageTable& texts);
// One line of the log: request, arrow, answer; with `hex` the bytes of both follow.
QString logLine(const Exchange& e, const LanguageTable& texts, bool hex);

// "68 15 15 68 ..."
QString hexText(const QByteArray& bytes);

} // namespace Gateway
