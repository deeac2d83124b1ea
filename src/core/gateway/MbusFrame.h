#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// M-Bus link layer frames (EN 13757-2): the single character, the short frame and the long
// frame, and a reader that cuts them out of a byte stream.
namespace Gateway {

inline constexpr quint8 Ack = 0xE5;
inline constexpr quint8 ShortStart = 0x10;
inline constexpr quint8 LongStart = 0x68;
inline constexpr quint8 Stop = 0x16;

// C fields (with FCB and FCV masked off where they apply).
inline constexpr quint8 CSndNke = 0x40;
inline constexpr quint8 CSndUd = 0x43;  // 0x53 / 0x73 with FCV
inline constexpr quint8 CReqUd1 = 0x4A; // 0x5A / 0x7A
inline constexpr quint8 CReqUd2 = 0x4B; // 0x5B / 0x7B
inline constexpr quint8 CRspUd = 0x08;
inline constexpr quint8 Fcb = 0x20;
inline constexpr quint8 Fcv = 0x10;

// Addresses with a meaning of their own.
inline constexpr quint8 AddressSelected = 253; // the slave chosen by secondary address
inline constexpr quint8 BroadcastAnswer = 254;
inline constexpr quint8 BroadcastSilent = 255;

// CI fields.
inline constexpr quint8 CiApplicationReset = 0x50;
inline constexpr quint8 CiSelect = 0x52;
inline constexpr quint8 CiRspUd = 0x72;

struct Frame {
    enum class Kind { Ack, Short, Long };
    Kind kind = Kind::Short;
    quint8 c = 0;
    quint8 a = 0;
    quint8 ci = 0;   // long frames
    QByteArray data; // long frames: the bytes after CI
    QByteArray raw;  // as received
};

quint8 checksum(const QByteArray& bytes, int from, int count);
QByteArray shortFrame(quint8 c, quint8 a);
QByteArray longFrame(quint8 c, quint8 a, quint8 ci, const QByteArray& data);

// Cuts frames out of a stream. Bytes that start no frame, frames with a wrong checksum, a
// wrong stop byte or two different lengths are dropped and reported, and reading goes on at
// the next byte; a frame left incomplete for longer than the pause is dropped, as a slave on
// the line forgets a broken frame. The buffer never holds more than one long frame.
class FrameReader {
public:
    static constexpr int PauseMs = 500;
    static constexpr int LongestFrame = 4 + 255 + 2;

    struct Item {
        enum class Kind { Frame, Garbage, BadChecksum, BadLength, Incomplete };
        Kind kind = Kind::Frame;
        Frame frame;    // Kind::Frame
        QByteArray raw; // the bytes dropped otherwise
    };

    // `nowMs`: a monotonic time in milliseconds.
    QList<Item> feed(const QByteArray& bytes, qint64 nowMs);
    int pending() const { return int(buffer_.size()); }

private:
    QByteArray buffer_;
    qint64 lastByteMs_ = 0;
};

} // namespace Gateway
