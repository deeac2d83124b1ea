#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// M-Bus link layer frames as a master sends and reads them (EN 13757-2): the single character
// E5, the short frame, the control frame and the long frame.
namespace Mbus {

inline constexpr quint8 Ack = 0xE5;
inline constexpr quint8 ShortStart = 0x10;
inline constexpr quint8 LongStart = 0x68;
inline constexpr quint8 Stop = 0x16;
// The most user data a long frame carries: L holds C, A, CI and the data in one byte.
inline constexpr int MaxUserData = 255 - 3;

// C fields of the master; FCV says that the FCB counts.
inline constexpr quint8 CSndNke = 0x40;
inline constexpr quint8 CSndUd = 0x53;
inline constexpr quint8 CReqUd2 = 0x5B;
inline constexpr quint8 Fcb = 0x20;
inline constexpr quint8 Fcv = 0x10;
// RSP_UD, with the ACD and DFC bits masked off.
inline constexpr quint8 CRspUd = 0x08;
inline constexpr quint8 CRspUdMask = 0xCF;

inline constexpr quint8 AddressSelected = 253; // the slave chosen by its secondary address
inline constexpr int LastPrimaryAddress = 250;

// CI fields.
inline constexpr quint8 CiSelect = 0x52;
inline constexpr quint8 CiLongHeader = 0x72;
inline constexpr quint8 CiShortHeader = 0x7A;
inline constexpr quint8 CiNoHeader = 0x78;

struct Frame {
    enum class Kind { Ack, Short, Control, Long };
    Kind kind = Kind::Ack;
    quint8 c = 0;
    quint8 a = 0;
    quint8 ci = 0;   // control and long frames
    QByteArray data; // long frames: the user data after CI
};

QByteArray shortFrame(quint8 c, quint8 a);
// A control frame when `data` is empty; empty when the data does not fit one frame.
QByteArray longFrame(quint8 c, quint8 a, quint8 ci, const QByteArray& data = {});

// One frame read from the start of a byte stream.
struct FrameParse {
    enum class Status { Complete, Incomplete, Invalid };
    Status status = Status::Incomplete;
    int size = 0; // Complete: the bytes of the frame; Incomplete: the bytes it needs at least
    Frame frame;
    QString error; // Invalid: why, naming the byte
};
FrameParse parseFrame(const QByteArray& bytes);

// "68 15 15 68 ..."
QString hexBytes(const QByteArray& bytes);

} // namespace Mbus
