#include "core/mbus/Telegram.h"

namespace Mbus {

namespace {

QString hex(quint8 b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// Reads the records of the user data after the header; false with the reason on the first
// byte that breaks the layer's rules.
class RecordReader {
public:
    RecordReader(const QByteArray& data, int from) : data_(data), i_(from) {}

    bool read(Telegram& t, QString& why) {
        const int n = int(data_.size());
        while (i_ < n) {
            const quint8 dif = quint8(data_[i_]);
            if (dif == DifIdleFiller) {
                ++i_;
                continue;
            }
            if (dif == DifManufacturerData || dif == DifMoreRecordsFollow) {
                t.manufacturerPart = true;
                t.moreFollows = dif == DifMoreRecordsFollow;
                t.manufacturerData = data_.mid(i_ + 1);
                return true;
            }
            if ((dif & 0x0F) == 0x0F) {
                why = QStringLiteral("byte %1: DIF %2 is reserved in an answer")
                          .arg(i_)
                          .arg(hex(dif));
                return false;
            }
            Record r;
            if (!readRecord(r, why))
                return false;
            t.records.append(r);
        }
        return true;
    }

private:
    bool cut(const Record& r, const char* where, QString& why) const {
        why =
            QStringLiteral("record at byte %1: cut off %2").arg(r.offset).arg(QLatin1String(where));
        return false;
    }

    bool readRecord(Record& r, QString& why) {
        const int n = int(data_.size());
        r.offset = i_;
        const quint8 dif = quint8(data_[i_++]);
        r.dib.append(char(dif));
        r.dataField = dif & 0x0F;
        r.function = Function((dif >> 4) & 0x03);
        r.storage = (dif >> 6) & 0x01;
        quint8 last = dif;
        for (int k = 0; last & ExtensionBit; ++k) {
            if (i_ >= n)
                return cut(r, "in its DIFEs", why);
            if (k == MaxExtensions) {
                why = QStringLiteral("record at byte %1: more than %2 DIFEs")
                          .arg(r.offset)
                          .arg(MaxExtensions);
                return false;
            }
            last = quint8(data_[i_++]);
            r.dib.append(char(last));
            r.storage |= quint64(last & 0x0F) << (1 + 4 * k);
            r.tariff |= quint32((last >> 4) & 0x03) << (2 * k);
            r.subunit |= quint32((last >> 6) & 0x01) << k;
        }
        const int vibStart = i_;
        if (i_ >= n)
            return cut(r, "before its VIF", why);
        r.vib.vif = quint8(data_[i_++]);
        // A plain text unit follows the VIF itself: its length, then its characters last first.
        if ((r.vib.vif & quint8(~ExtensionBit)) == VifPlainText) {
            if (i_ >= n)
                return cut(r, "in its plain text unit", why);
            const int length = quint8(data_[i_++]);
            if (i_ + length > n)
                return cut(r, "in its plain text unit", why);
            for (int k = length - 1; k >= 0; --k)
                r.vib.plainText.append(data_[i_ + k]);
            i_ += length;
        }
        last = r.vib.vif;
        for (int k = 0; last & ExtensionBit; ++k) {
            if (i_ >= n)
                return cut(r, "in its VIFEs", why);
            if (k == MaxExtensions) {
                why = QStringLiteral("record at byte %1: more than %2 VIFEs")
                          .arg(r.offset)
                          .arg(MaxExtensions);
                return false;
            }
            last = quint8(data_[i_++]);
            r.vib.vifes.append(char(last));
        }
        r.vibRaw = data_.mid(vibStart, i_ - vibStart);
        int length = fixedLength(r.dataField);
        if (r.dataField == DataField::Variable) {
            if (i_ >= n)
                return cut(r, "before its LVAR", why);
            r.lvar = quint8(data_[i_++]);
            const std::optional<int> l = variableLength(r.lvar);
            if (!l) {
                why = QStringLiteral("record at byte %1: LVAR %2 is reserved")
                          .arg(r.offset)
                          .arg(hex(r.lvar));
                return false;
            }
            length = *l;
        }
        if (i_ + length > n) {
            why = QStringLiteral("record at byte %1: its data field needs %2 bytes, %3 are left")
                      .arg(r.offset)
                      .arg(length)
                      .arg(n - i_);
            return false;
        }
        r.data = data_.mid(i_, length);
        i_ += length;
        r.meaning = describe(r.vib);
        fillValue(r);
        return true;
    }

    static void fillValue(Record& r) {
        const RecordMeaning& m = r.meaning;
        if (!m.recordError.isEmpty()) {
            r.error = m.recordError;
            return;
        }
        FieldValue v;
        switch (m.form) {
        case RecordMeaning::Form::Unknown:
            r.error = QStringLiteral("not known: ") + m.unknown;
            return;
        case RecordMeaning::Form::ManufacturerSpecific:
            r.text = hexBytes(r.data);
            return;
        case RecordMeaning::Form::PointInTime:
            if (r.dataField == DataField::Int16 || r.dataField == DataField::Int24 ||
                r.dataField == DataField::Int32 || r.dataField == DataField::Int48)
                v = readPointInTime(r.data);
            else
                v.error = QStringLiteral("no date or time in data field %1").arg(r.dataField);
            break;
        case RecordMeaning::Form::Number:
            if (r.dataField == DataField::None)
                v.error = QStringLiteral("no data");
            else if (r.dataField == DataField::Selection)
                v.error = QStringLiteral("selection for readout in an answer");
            else if (r.dataField == DataField::Real32)
                v = readReal(r.data);
            else if (isBcd(r.dataField))
                v = readBcd(r.data);
            else if (r.dataField == DataField::Variable)
                v = readVariable(r.lvar, r.data);
            else
                v = readInteger(r.data, !m.unsignedData);
            break;
        }
        r.error = v.error;
        r.text = v.text;
        if (v.number)
            r.number = v.number->scaled(m.exponent);
    }

    const QByteArray& data_;
    int i_;
};

} // namespace

QString functionKey(Function f) {
    switch (f) {
    case Function::Instantaneous:
        return QStringLiteral("instantaneous");
    case Function::Maximum:
        return QStringLiteral("maximum");
    case Function::Minimum:
        return QStringLiteral("minimum");
    case Function::DuringError:
        return QStringLiteral("value during error state");
    }
    return {};
}

QString manufacturerLetters(quint16 code) {
    QString letters;
    for (const int shift : {10, 5, 0})
        letters.append(QChar(char16_t(64 + ((code >> shift) & 0x1F))));
    return letters;
}

QString mediumName(quint8 medium) {
    static const char* const Names[] = {
        "other",
        "oil",
        "electricity",
        "gas",
        "heat (outlet)",
        "steam",
        "warm water",
        "water",
        "heat cost allocator",
        "compressed air",
        "cooling (outlet)",
        "cooling (inlet)",
        "heat (inlet)",
        "heat and cooling",
        "bus/system component",
        "unknown medium",
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        "calorific value",
        "hot water",
        "cold water",
        "dual register water",
        "pressure",
        "A/D converter",
        "smoke detector",
        "room sensor",
        "gas detector",
        nullptr,
        nullptr,
        nullptr,
        "breaker (electricity)",
        "valve (gas or water)",
        nullptr,
        nullptr,
        nullptr,
        "customer unit",
        nullptr,
        nullptr,
        "waste water",
        "garbage",
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        "communication controller",
        "unidirectional repeater",
        "bidirectional repeater",
        nullptr,
        nullptr,
        "radio converter (system side)",
        "radio converter (meter side)",
    };
    if (medium < std::size(Names) && Names[medium])
        return QString::fromLatin1(Names[medium]);
    return QStringLiteral("reserved (%1)").arg(hex(medium));
}

QString Identity::manufacturer() const {
    return manufacturerLetters(manufacturerCode);
}

QString Identity::secondaryAddress() const {
    return id + hex(quint8(manufacturerCode & 0xFF)) + hex(quint8(manufacturerCode >> 8)) +
           hex(version) + hex(medium);
}

DecodedTelegram decodeTelegram(const Frame& frame) {
    DecodedTelegram d;
    if (frame.kind != Frame::Kind::Long) {
        d.error = frame.kind == Frame::Kind::Control
                      ? QStringLiteral("a control frame carries no data")
                      : QStringLiteral("no long frame");
        return d;
    }
    if ((frame.c & CRspUdMask) != CRspUd) {
        d.error = QStringLiteral("C field %1 is no RSP_UD").arg(hex(frame.c));
        return d;
    }
    Telegram t;
    t.c = frame.c;
    t.a = frame.a;
    t.ci = frame.ci;
    const QByteArray& data = frame.data;
    const auto b = [&](int i) { return quint8(data[i]); };
    int from = 0;
    switch (frame.ci) {
    case CiLongHeader: {
        if (data.size() < 12) {
            d.error = QStringLiteral("CI 72: the header needs 12 bytes, the telegram holds %1")
                          .arg(data.size());
            return d;
        }
        Identity id;
        for (int i = 3; i >= 0; --i)
            id.id += hex(b(i));
        id.manufacturerCode = quint16(b(4) | (b(5) << 8));
        id.version = b(6);
        id.medium = b(7);
        t.identity = id;
        t.access = b(8);
        t.status = b(9);
        t.signature = quint16(b(10) | (b(11) << 8));
        from = 12;
        break;
    }
    case CiShortHeader:
        if (data.size() < 4) {
            d.error = QStringLiteral("CI 7A: the header needs 4 bytes, the telegram holds %1")
                          .arg(data.size());
            return d;
        }
        t.access = b(0);
        t.status = b(1);
        t.signature = quint16(b(2) | (b(3) << 8));
        from = 4;
        break;
    case CiNoHeader:
        break;
    case 0x70:
        d.error = QStringLiteral("the slave reports an application error%1")
                      .arg(data.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(hex(b(0))));
        return d;
    default:
        d.error = QStringLiteral("CI %1 is no answer this master reads").arg(hex(frame.ci));
        return d;
    }
    RecordReader reader(data, from);
    if (!reader.read(t, d.error))
        return d;
    d.telegram = std::move(t);
    return d;
}

} // namespace Mbus
