#include "core/gateway/MbusFrame.h"

namespace Gateway {

quint8 checksum(const QByteArray& bytes, int from, int count) {
    quint8 sum = 0;
    for (int i = from; i < from + count; ++i)
        sum = quint8(sum + quint8(bytes[i]));
    return sum;
}

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
    f.append(char(checksum(f, 4, l)));
    f.append(char(Stop));
    return f;
}

QList<FrameReader::Item> FrameReader::feed(const QByteArray& bytes, qint64 nowMs) {
    QList<Item> items;
    if (!buffer_.isEmpty() && !bytes.isEmpty() && nowMs - lastByteMs_ > PauseMs) {
        items.append({Item::Kind::Incomplete, {}, buffer_});
        buffer_.clear();
    }
    if (!bytes.isEmpty())
        lastByteMs_ = nowMs;
    buffer_.append(bytes);

    QByteArray garbage;
    const auto flushGarbage = [&] {
        if (!garbage.isEmpty())
            items.append({Item::Kind::Garbage, {}, garbage});
        garbage.clear();
    };
    while (!buffer_.isEmpty()) {
        const quint8 first = quint8(buffer_[0]);
        if (first == ShortStart) {
            if (buffer_.size() < 5)
                break;
            const QByteArray raw = buffer_.left(5);
            flushGarbage();
            if (quint8(raw[4]) != Stop) {
                items.append({Item::Kind::BadLength, {}, raw.left(1)});
                buffer_.remove(0, 1);
                continue;
            }
            buffer_.remove(0, 5);
            if (checksum(raw, 1, 2) != quint8(raw[3])) {
                items.append({Item::Kind::BadChecksum, {}, raw});
                continue;
            }
            Frame f;
            f.kind = Frame::Kind::Short;
            f.c = quint8(raw[1]);
            f.a = quint8(raw[2]);
            f.raw = raw;
            items.append({Item::Kind::Frame, f, {}});
        } else if (first == LongStart) {
            if (buffer_.size() < 4)
                break;
            const int l = quint8(buffer_[1]);
            if (quint8(buffer_[2]) != l || quint8(buffer_[3]) != LongStart || l < 3) {
                flushGarbage();
                items.append({Item::Kind::BadLength, {}, buffer_.left(4)});
                buffer_.remove(0, 1);
                continue;
            }
            const int total = 4 + l + 2;
            if (buffer_.size() < total)
                break;
            const QByteArray raw = buffer_.left(total);
            flushGarbage();
            if (quint8(raw[total - 1]) != Stop) {
                items.append({Item::Kind::BadLength, {}, raw});
                buffer_.remove(0, 1);
                continue;
            }
            buffer_.remove(0, total);
            if (checksum(raw, 4, l) != quint8(raw[total - 2])) {
                items.append({Item::Kind::BadChecksum, {}, raw});
                continue;
            }
            Frame f;
            f.kind = Frame::Kind::Long;
            f.c = quint8(raw[4]);
            f.a = quint8(raw[5]);
            f.ci = quint8(raw[6]);
            f.data = raw.mid(7, l - 3);
            f.raw = raw;
            items.append({Item::Kind::Frame, f, {}});
        } else {
            garbage.append(buffer_[0]);
            buffer_.remove(0, 1);
            if (garbage.size() >= LongestFrame)
                flushGarbage();
        }
    }
    flushGarbage();
    return items;
}

} // namespace Gateway
