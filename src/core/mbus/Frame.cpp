#include "core/mbus/Frame.h"

namespace Mbus {

namespace {

quint8 sum(const QByteArray& bytes, int from, int count) {
    quint8 s = 0;
    for (int i = from; i < from + count; ++i)
        s = quint8(s + quint8(bytes[i]));
    return s;
}

QString hex(quint8 b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

FrameParse invalid(QString why) {
    FrameParse p;
    p.status = FrameParse::Status::Invalid;
    p.error = std::move(why);
    return p;
}

FrameParse incomplete(int needed) {
    FrameParse p;
    p.status = FrameParse::Status::Incomplete;
    p.size = needed;
    return p;
}

} // namespace

QByteArray shortFrame(quint8 c, quint8 a) {
    QByteArray f;
    f.append(char(ShortStart));
    f.append(char(c));
    f.append(char(a));
    f.append(char(quint8(c + a)));
    f.append(char(Stop));
    return f;
}

QByteArray longFrame(quint8 c, quint8 a, quint8 ci, const QByteArray& data) {
    if (data.size() > MaxUserData)
        return {};
    const int l = 3 + int(data.size());
    QByteArray f;
    f.append(char(LongStart));
    f.append(char(l));
    f.append(char(l));
    f.append(char(LongStart));
    f.append(char(c));
    f.append(char(a));
    f.append(char(ci));
    f.append(data);
    f.append(char(sum(f, 4, l)));
    f.append(char(Stop));
    return f;
}

FrameParse parseFrame(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return incomplete(1);
    const quint8 first = quint8(bytes[0]);
    if (first == Ack) {
        FrameParse p;
        p.status = FrameParse::Status::Complete;
        p.size = 1;
        p.frame.kind = Frame::Kind::Ack;
        return p;
    }
    if (first == ShortStart) {
        if (bytes.size() < 5)
            return incomplete(5);
        if (quint8(bytes[4]) != Stop)
            return invalid(QStringLiteral("short frame: stop byte %1 instead of 16")
                               .arg(hex(quint8(bytes[4]))));
        const quint8 due = sum(bytes, 1, 2);
        if (quint8(bytes[3]) != due)
            return invalid(QStringLiteral("short frame: checksum %1 where %2 is due")
                               .arg(hex(quint8(bytes[3])), hex(due)));
        FrameParse p;
        p.status = FrameParse::Status::Complete;
        p.size = 5;
        p.frame.kind = Frame::Kind::Short;
        p.frame.c = quint8(bytes[1]);
        p.frame.a = quint8(bytes[2]);
        return p;
    }
    if (first != LongStart)
        return invalid(QStringLiteral("byte %1 starts no frame").arg(hex(first)));
    if (bytes.size() < 4)
        return incomplete(4);
    const int l = quint8(bytes[1]);
    if (quint8(bytes[2]) != l)
        return invalid(QStringLiteral("long frame: the two length fields differ (%1, %2)")
                           .arg(hex(quint8(l)), hex(quint8(bytes[2]))));
    if (quint8(bytes[3]) != LongStart)
        return invalid(QStringLiteral("long frame: second start byte %1 instead of 68")
                           .arg(hex(quint8(bytes[3]))));
    if (l < 3)
        return invalid(QStringLiteral("long frame: length %1 leaves no room for C, A and CI")
                           .arg(hex(quint8(l))));
    const int total = 4 + l + 2;
    if (bytes.size() < total)
        return incomplete(total);
    if (quint8(bytes[total - 1]) != Stop)
        return invalid(QStringLiteral("long frame: byte %1 at the end of length %2 is no stop byte")
                           .arg(hex(quint8(bytes[total - 1])), hex(quint8(l))));
    const quint8 due = sum(bytes, 4, l);
    if (quint8(bytes[total - 2]) != due)
        return invalid(QStringLiteral("long frame: checksum %1 where %2 is due")
                           .arg(hex(quint8(bytes[total - 2])), hex(due)));
    FrameParse p;
    p.status = FrameParse::Status::Complete;
    p.size = total;
    p.frame.kind = l == 3 ? Frame::Kind::Control : Frame::Kind::Long;
    p.frame.c = quint8(bytes[4]);
    p.frame.a = quint8(bytes[5]);
    p.frame.ci = quint8(bytes[6]);
    p.frame.data = bytes.mid(7, l - 3);
    return p;
}

QString hexBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex(' ')).toUpper();
}

} // namespace Mbus
