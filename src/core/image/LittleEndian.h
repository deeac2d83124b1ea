#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <optional>

// Little-endian access to image bytes. Readers check bounds and report "past the end" as
// nullopt: image files come from disk and may be cut short.
namespace LittleEndian {

inline void append8(QByteArray& out, quint8 v) {
    out.append(char(v));
}
inline void append16(QByteArray& out, quint16 v) {
    append8(out, quint8(v));
    append8(out, quint8(v >> 8));
}
inline void append32(QByteArray& out, quint32 v) {
    append16(out, quint16(v));
    append16(out, quint16(v >> 16));
}

inline void put8(QByteArray& out, qsizetype at, quint8 v) {
    out[at] = char(v);
}
inline void put16(QByteArray& out, qsizetype at, quint16 v) {
    put8(out, at, quint8(v));
    put8(out, at + 1, quint8(v >> 8));
}
inline void put32(QByteArray& out, qsizetype at, quint32 v) {
    put16(out, at, quint16(v));
    put16(out, at + 2, quint16(v >> 16));
}

inline bool fits(const QByteArray& in, qint64 at, qint64 size) {
    return at >= 0 && size >= 0 && at <= qint64(in.size()) && size <= qint64(in.size()) - at;
}

inline std::optional<quint32> read(const QByteArray& in, qint64 at, int size) {
    if (!fits(in, at, size))
        return std::nullopt;
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | quint8(in.at(qsizetype(at + i)));
    return v;
}
inline std::optional<quint8> read8(const QByteArray& in, qint64 at) {
    const auto v = read(in, at, 1);
    return v ? std::optional<quint8>(quint8(*v)) : std::nullopt;
}
inline std::optional<quint16> read16(const QByteArray& in, qint64 at) {
    const auto v = read(in, at, 2);
    return v ? std::optional<quint16>(quint16(*v)) : std::nullopt;
}
inline std::optional<quint32> read32(const QByteArray& in, qint64 at) {
    return read(in, at, 4);
}

} // namespace LittleEndian
