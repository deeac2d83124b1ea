#include "core/gateway/SlaveBus.h"

#include "core/image/RecordCoding.h"

namespace Gateway {

namespace {

bool hasEnabled(const Node& node) {
    for (const Variable& v : node.variables)
        if (v.enabled)
            return true;
    return false;
}

} // namespace

SlaveBus::SlaveBus(const Network& network) : network_(network) {
    for (int n = 0; n < network_.size(); ++n) {
        if (!hasEnabled(network_[n]))
            continue;
        Slave s;
        s.node = n;
        // The device keeps the address as one byte, as the image does.
        s.primary = quint8(network_[n].primary);
        s.secondary = quint32(network_[n].secondary);
        slaves_.append(s);
    }
    values_ = [](int, int) { return RecordValue::failed(); };
}

QList<int> SlaveBus::answering() const {
    QList<int> nodes;
    for (const Slave& s : slaves_)
        nodes.append(s.node);
    return nodes;
}

bool SlaveBus::isSelected(int node) const {
    for (const Slave& s : slaves_)
        if (s.node == node)
            return s.selected;
    return false;
}

QList<ServedRecord> SlaveBus::served() const {
    QList<ServedRecord> list;
    for (const Slave& s : slaves_) {
        const QList<Variable>& vars = network_[s.node].variables;
        for (int v = 0; v < vars.size(); ++v) {
            if (!vars[v].enabled)
                continue;
            const VifCoding vif = vifFor(vars[v].dataType, vars[v].vife, vars[v].scale);
            ServedRecord r;
            r.node = s.node;
            r.variable = v;
            r.difVif =
                difFor(dataFieldCodeOf(quint8(vars[v].dimension)), vars[v].function,
                       vars[v].storageNumber, quint32(vars[v].tariff), quint32(vars[v].unit)) +
                vif.bytes;
            r.standard = vif.standard;
            list.append(r);
        }
    }
    return list;
}

QByteArray SlaveBus::identification(quint32 secondary) {
    QByteArray id(4, '\0');
    quint32 rest = secondary % 100000000u;
    for (int i = 0; i < 4; ++i) {
        const quint8 low = quint8(rest % 10);
        rest /= 10;
        const quint8 high = quint8(rest % 10);
        rest /= 10;
        id[i] = char(low | (high << 4));
    }
    return id;
}

bool SlaveBus::matches(const QByteArray& selection, quint32 secondary) {
    if (selection.size() != 8)
        return false;
    const QByteArray id = identification(secondary);
    for (int i = 0; i < 4; ++i) {
        const quint8 want = quint8(selection[i]);
        const quint8 have = quint8(id[i]);
        // Each digit of the number may be a wildcard (F).
        if ((want & 0x0F) != 0x0F && (want & 0x0F) != (have & 0x0F))
            return false;
        if ((want & 0xF0) != 0xF0 && (want & 0xF0) != (have & 0xF0))
            return false;
    }
    const quint16 man = quint16(quint8(selection[4]) | (quint8(selection[5]) << 8));
    if (man != 0xFFFF && man != ManufacturerCode)
        return false;
    if (quint8(selection[6]) != 0xFF && quint8(selection[6]) != Version)
        return false;
    if (quint8(selection[7]) != 0xFF && quint8(selection[7]) != Medium)
        return false;
    return true;
}

QList<int> SlaveBus::targets(quint8 address) const {
    QList<int> list;
    for (int i = 0; i < slaves_.size(); ++i) {
        const Slave& s = slaves_[i];
        if (address == BroadcastAnswer || (address == AddressSelected && s.selected) ||
            (address != AddressSelected && address == s.primary))
            list.append(i);
    }
    return list;
}

QList<QByteArray> SlaveBus::telegrams(const Slave& slave, int& records, int& errors) const {
    constexpr int HeaderSize = 12;
    QList<QByteArray> blocks{QByteArray()};
    const QList<Variable>& vars = network_[slave.node].variables;
    records = 0;
    errors = 0;
    for (int v = 0; v < vars.size(); ++v) {
        if (!vars[v].enabled)
            continue;
        const Record r = recordFor(vars[v], values_(slave.node, v));
        ++records;
        errors += r.errorVife ? 1 : 0;
        if (!blocks.last().isEmpty() &&
            HeaderSize + blocks.last().size() + r.bytes.size() + 1 > MaxTelegramData)
            blocks.append(QByteArray());
        blocks.last() += r.bytes;
    }
    return blocks;
}

QByteArray SlaveBus::answerUd2(Slave& s, bool fcv, bool fcb, Exchange& e) {
    const bool repeat = fcv && s.lastFcb && *s.lastFcb == fcb && !s.lastAnswer.isEmpty();
    s.lastFcb = fcv ? std::optional<bool>(fcb) : std::nullopt;
    if (repeat) {
        e.repeated = true;
        e.records += s.lastRecords;
        e.recordErrors += s.lastErrors;
        return s.lastAnswer;
    }
    int records = 0, errors = 0;
    const QList<QByteArray> blocks = telegrams(s, records, errors);
    // Without the frame count bit the master cannot ask for the next telegram.
    const int index = fcv && s.nextTelegram < blocks.size() ? s.nextTelegram : 0;
    QByteArray data = identification(s.secondary);
    data.append(char(ManufacturerCode & 0xFF));
    data.append(char(ManufacturerCode >> 8));
    data.append(char(Version));
    data.append(char(Medium));
    s.access = quint8(s.access + 1);
    data.append(char(s.access));
    data.append(char(errors ? StatusApplicationError : 0x00));
    data.append(2, '\0'); // signature: no encryption
    data += blocks[index];
    const bool more = index + 1 < blocks.size();
    if (more)
        data.append(char(DifMoreRecords));
    s.nextTelegram = more ? index + 1 : 0;
    s.lastAnswer = longFrame(CRspUd, s.primary, CiRspUd, data);
    s.lastRecords = records;
    s.lastErrors = errors;
    e.records += records;
    e.recordErrors += errors;
    return s.lastAnswer;
}

Exchange SlaveBus::dropped(Exchange::Request kind, const QByteArray& bytes) {
    Exchange e;
    e.request = kind;
    e.requestBytes = bytes;
    return e;
}

Exchange SlaveBus::handle(const Frame& f) {
    Exchange e;
    e.c = f.c;
    e.a = f.a;
    e.requestBytes = f.raw;
    e.fcv = f.c & Fcv;
    e.fcb = f.c & Fcb;
    const quint8 function = f.c & 0xCF;
    const bool shortFrame = f.kind == Frame::Kind::Short;
    const auto ackEach = [&](const QList<int>& list) {
        for (int i : list) {
            e.answer.append(char(Ack));
            e.nodes.append(slaves_[i].node);
        }
    };

    if (shortFrame && f.c == CSndNke) {
        e.request = Exchange::Request::SndNke;
        if (f.a == BroadcastSilent) {
            for (Slave& s : slaves_) {
                s.lastFcb.reset();
                s.nextTelegram = 0;
            }
            return e;
        }
        const QList<int> list = targets(f.a);
        for (int i : list) {
            Slave& s = slaves_[i];
            s.lastFcb.reset();
            s.nextTelegram = 0;
            // Through address 253 the link reset also ends the selection.
            if (f.a == AddressSelected)
                s.selected = false;
        }
        ackEach(list);
        return e;
    }
    if (shortFrame && function == CReqUd2) {
        e.request = Exchange::Request::ReqUd2;
        if (f.a == BroadcastSilent)
            return e;
        for (int i : targets(f.a)) {
            e.answer += answerUd2(slaves_[i], e.fcv, e.fcb, e);
            e.nodes.append(slaves_[i].node);
        }
        return e;
    }
    if (shortFrame && function == CReqUd1) {
        // No alarms to report: class 1 data is acknowledged only.
        e.request = Exchange::Request::ReqUd1;
        if (f.a != BroadcastSilent)
            ackEach(targets(f.a));
        return e;
    }
    if (!shortFrame && function == CSndUd && f.ci == CiSelect) {
        e.request = Exchange::Request::Select;
        e.selection = f.data;
        if (f.a != AddressSelected || f.data.size() != 8)
            return e; // enhanced selection (with fabrication number) is not offered
        QList<int> chosen;
        for (int i = 0; i < slaves_.size(); ++i) {
            slaves_[i].selected = matches(f.data, slaves_[i].secondary);
            if (slaves_[i].selected)
                chosen.append(i);
        }
        // Several matches answer together, as they would on the line: the master sees a
        // collision and narrows its wildcards.
        ackEach(chosen);
        return e;
    }
    if (!shortFrame && function == CSndUd && f.ci == CiApplicationReset) {
        e.request = Exchange::Request::ApplicationReset;
        if (f.a == BroadcastSilent)
            return e;
        const QList<int> list = targets(f.a);
        for (int i : list)
            slaves_[i].nextTelegram = 0;
        ackEach(list);
        return e;
    }
    e.request = Exchange::Request::Unsupported;
    return e;
}

} // namespace Gateway
