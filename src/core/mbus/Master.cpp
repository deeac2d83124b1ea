#include "core/mbus/Master.h"

#include <algorithm>

namespace Mbus {

namespace {

constexpr int LongestFrame = 4 + 255 + 2;

QString kindText(const Frame& f) {
    switch (f.kind) {
    case Frame::Kind::Ack:
        return QStringLiteral("E5");
    case Frame::Kind::Short:
        return QStringLiteral("a short frame");
    case Frame::Kind::Control:
        return QStringLiteral("a control frame");
    case Frame::Kind::Long:
        return QStringLiteral("a long frame");
    }
    return {};
}

bool isMaskDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('F');
}

ReadResult failed(ReadResult::Status status, const QString& why) {
    ReadResult r;
    r.status = status;
    r.error = why;
    return r;
}

} // namespace

int answerTimeoutMs(int baud) {
    return (330 * 1000 + baud - 1) / qMax(baud, 1) + 50;
}

int wireMs(int bytes, int baud, int bitsPerCharacter) {
    const qint64 bits = qint64(bytes) * bitsPerCharacter * 1000;
    return int((bits + baud - 1) / qMax(baud, 1));
}

std::optional<QByteArray> selectionData(const QString& text) {
    const QString mask = text.toUpper();
    if (mask.size() != 8 && mask.size() != 16)
        return std::nullopt;
    for (int i = 0; i < 8; ++i)
        if (!isMaskDigit(mask[i]))
            return std::nullopt;
    QByteArray data(8, char(0xFF));
    // The identification goes least significant byte first, two digits a byte.
    for (int i = 0; i < 4; ++i) {
        const int high = mask[2 * i].unicode() == 'F' ? 0xF : mask[2 * i].unicode() - '0';
        const int low = mask[2 * i + 1].unicode() == 'F' ? 0xF : mask[2 * i + 1].unicode() - '0';
        data[3 - i] = char((high << 4) | low);
    }
    if (mask.size() == 16) {
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i)
            data[4 + i] = char(mask.mid(8 + 2 * i, 2).toUInt(&ok, 16));
        if (!ok)
            return std::nullopt;
    }
    return data;
}

bool matchesMask(const QString& text, const Identity& identity) {
    const QString mask = text.toUpper();
    const QString address = identity.secondaryAddress();
    if (mask.size() != 8 && mask.size() != 16)
        return false;
    for (int i = 0; i < 8; ++i)
        if (mask[i] != QLatin1Char('F') && mask[i] != address[i])
            return false;
    if (mask.size() == 8)
        return true;
    // Manufacturer, version and medium: each whole field is given or left open.
    for (const auto& [from, size] : {std::pair{8, 4}, std::pair{12, 2}, std::pair{14, 2}}) {
        const QString field = mask.mid(from, size);
        if (field != QString(size, QLatin1Char('F')) && field != address.mid(from, size))
            return false;
    }
    return true;
}

Master::Master(Link& link) : Master(link, Options{}) {}

Master::Master(Link& link, Options options) : link_(link), options_(options) {}

int Master::wire(int bytes) const {
    return wireMs(bytes, link_.baud(), link_.bitsPerCharacter());
}

int Master::answerTimeout() const {
    if (options_.answerTimeoutMs > 0)
        return options_.answerTimeoutMs;
    return answerTimeoutMs(link_.baud()) + link_.extraWaitMs();
}

Answer Master::exchange(const QByteArray& request) {
    Answer a;
    link_.discardInput();
    if (!link_.write(request, &a.error)) {
        a.outcome = Answer::Outcome::LinkLost;
        return a;
    }
    // The answer time-out runs from the end of the request, which is still on its way.
    qint64 deadline = nowMs() + wire(int(request.size())) + answerTimeout();
    qint64 firstByte = 0;
    const int slack = qMax(50, wire(LongestFrame) / 4) + link_.extraWaitMs();
    for (;;) {
        bool closed = false;
        const QByteArray chunk = link_.read(deadline, &closed);
        if (closed) {
            a.outcome = Answer::Outcome::LinkLost;
            a.error = QStringLiteral("the line closed");
            return a;
        }
        if (chunk.isEmpty()) {
            if (a.raw.isEmpty()) {
                a.outcome = Answer::Outcome::Silent;
                return a;
            }
            a.outcome = Answer::Outcome::Garbled;
            a.error = QStringLiteral("the answer stopped after %1 bytes: %2")
                          .arg(a.raw.size())
                          .arg(hexBytes(a.raw.left(16)));
            return a;
        }
        if (a.raw.isEmpty())
            firstByte = nowMs();
        a.raw += chunk;
        const FrameParse p = parseFrame(a.raw);
        if (p.status == FrameParse::Status::Complete) {
            if (a.raw.size() > p.size) {
                a.outcome = Answer::Outcome::Garbled;
                a.error = QStringLiteral("%1 bytes more after %2")
                              .arg(a.raw.size() - p.size)
                              .arg(kindText(p.frame));
                return a;
            }
            a.outcome = Answer::Outcome::Answered;
            a.frame = p.frame;
            return a;
        }
        if (p.status == FrameParse::Status::Invalid) {
            // Let the rest of a broken answer pass, so that it does not meet the next request.
            const qint64 end = nowMs() + wire(LongestFrame) + 100;
            for (qint64 quiet = nowMs() + wire(2) + 20; nowMs() < end;) {
                const QByteArray more = link_.read(qMin(quiet, end), &closed);
                if (more.isEmpty())
                    break;
                a.raw += more;
                quiet = nowMs() + wire(2) + 20;
            }
            a.outcome = Answer::Outcome::Garbled;
            a.error = p.error;
            return a;
        }
        // A whole answer is bounded, however slowly its bytes drip in.
        deadline = firstByte + wire(p.size) + slack;
    }
}

Answer Master::askWithRetries(const QByteArray& request, bool* allSilent) {
    Answer a;
    *allSilent = true;
    for (int attempt = 0; attempt <= options_.retries; ++attempt) {
        a = exchange(request);
        if (a.outcome == Answer::Outcome::Answered || a.outcome == Answer::Outcome::LinkLost)
            break;
        *allSilent = *allSilent && a.outcome == Answer::Outcome::Silent;
    }
    if (a.outcome != Answer::Outcome::Silent)
        *allSilent = false;
    return a;
}

ReadResult Master::readPrimary(int address) {
    if (address < 0 || address > LastPrimaryAddress)
        return failed(ReadResult::Status::Refused,
                      QStringLiteral("no primary address: %1").arg(address));
    // SND_NKE clears the slave's frame count bit, so the first REQ_UD2 after it carries FCB 1.
    bool silent = true;
    const Answer nke = askWithRetries(shortFrame(CSndNke, quint8(address)), &silent);
    switch (nke.outcome) {
    case Answer::Outcome::LinkLost:
        return failed(ReadResult::Status::LinkLost, nke.error);
    case Answer::Outcome::Silent:
        return failed(ReadResult::Status::NoAnswer, QString());
    case Answer::Outcome::Garbled:
        return failed(ReadResult::Status::Garbled, nke.error);
    case Answer::Outcome::Answered:
        break;
    }
    if (nke.frame.kind != Frame::Kind::Ack)
        return failed(
            ReadResult::Status::Refused,
            QStringLiteral("SND_NKE answered with %1 instead of E5").arg(kindText(nke.frame)));
    return readTelegrams(address, true, false);
}

ReadResult Master::readSecondary(const QString& mask) {
    const std::optional<QByteArray> selection = selectionData(mask);
    if (!selection)
        return failed(ReadResult::Status::Refused,
                      QStringLiteral("no secondary address mask: %1").arg(mask));
    bool silent = true;
    const Answer selected =
        askWithRetries(longFrame(CSndUd, AddressSelected, CiSelect, *selection), &silent);
    switch (selected.outcome) {
    case Answer::Outcome::LinkLost:
        return failed(ReadResult::Status::LinkLost, selected.error);
    case Answer::Outcome::Silent:
        return failed(ReadResult::Status::NoAnswer, QString());
    case Answer::Outcome::Garbled:
        return failed(ReadResult::Status::Garbled, selected.error);
    case Answer::Outcome::Answered:
        break;
    }
    if (selected.frame.kind != Frame::Kind::Ack)
        return failed(ReadResult::Status::Refused,
                      QStringLiteral("the selection answered with %1 instead of E5")
                          .arg(kindText(selected.frame)));
    ReadResult r = readTelegrams(AddressSelected, false, false);
    if (r.ok() && r.reading.identity && !matchesMask(mask, *r.reading.identity))
        r = failed(ReadResult::Status::Refused,
                   QStringLiteral("the answer comes from %1, which does not match %2")
                       .arg(r.reading.identity->secondaryAddress(), mask.toUpper()));
    // SND_NKE to 253 ends the selection; its answer changes nothing read.
    if (r.status != ReadResult::Status::LinkLost)
        exchange(shortFrame(CSndNke, AddressSelected));
    return r;
}

ReadResult Master::readTelegrams(int requestAddress, bool checkAddress, bool firstOnly) {
    ReadResult result;
    Reading& reading = result.reading;
    bool fcb = true;
    for (int n = 0;; ++n) {
        if (n == options_.maxTelegrams)
            return failed(ReadResult::Status::Refused,
                          QStringLiteral("more than %1 telegrams").arg(options_.maxTelegrams));
        const QByteArray request =
            shortFrame(quint8(CReqUd2 | (fcb ? Fcb : 0)), quint8(requestAddress));
        std::optional<Telegram> telegram;
        QString why;
        bool silent = true;
        bool garbled = false;
        // A failed answer is asked for again with the same FCB: the slave repeats its telegram.
        for (int attempt = 0; attempt <= options_.retries && !telegram; ++attempt) {
            const Answer a = exchange(request);
            if (a.outcome == Answer::Outcome::LinkLost)
                return failed(ReadResult::Status::LinkLost, a.error);
            if (a.outcome == Answer::Outcome::Silent)
                continue;
            silent = false;
            if (a.outcome == Answer::Outcome::Garbled) {
                garbled = true;
                why = a.error;
                continue;
            }
            garbled = false;
            if (checkAddress && a.frame.kind == Frame::Kind::Long && a.frame.a != requestAddress) {
                why = QStringLiteral("the answer comes from address %1").arg(a.frame.a);
                continue;
            }
            DecodedTelegram d = decodeTelegram(a.frame);
            if (!d.telegram) {
                why = d.error;
                continue;
            }
            telegram = std::move(d.telegram);
        }
        if (!telegram) {
            if (silent)
                return failed(
                    n == 0 ? ReadResult::Status::NoAnswer : ReadResult::Status::Refused,
                    n == 0 ? QString()
                           : QStringLiteral("no answer to the request for telegram %1").arg(n + 1));
            return failed(garbled ? ReadResult::Status::Garbled : ReadResult::Status::Refused, why);
        }
        if (n == 0) {
            reading.address = telegram->a;
            reading.ci = telegram->ci;
            reading.identity = telegram->identity;
        } else if (telegram->identity && reading.identity &&
                   telegram->identity->secondaryAddress() != reading.identity->secondaryAddress()) {
            return failed(ReadResult::Status::Refused,
                          QStringLiteral("telegram %1 comes from %2, telegram 1 from %3")
                              .arg(n + 1)
                              .arg(telegram->identity->secondaryAddress(),
                                   reading.identity->secondaryAddress()));
        }
        reading.access = telegram->access;
        reading.status = telegram->status;
        reading.records += telegram->records;
        reading.manufacturerData += telegram->manufacturerData;
        reading.telegrams = n + 1;
        fcb = !fcb;
        if (!telegram->moreFollows || firstOnly)
            break;
    }
    result.status = ReadResult::Status::Read;
    return result;
}

ScanResult Master::scanPrimary(int first, int last, const std::function<void(int)>& progress) {
    ScanResult result;
    for (int address = qMax(first, 0); address <= qMin(last, LastPrimaryAddress); ++address) {
        if (progress)
            progress(address);
        const Answer nke = exchange(shortFrame(CSndNke, quint8(address)));
        const QString where = QString::number(address);
        if (nke.outcome == Answer::Outcome::LinkLost) {
            result.linkLost = nke.error;
            break;
        }
        if (nke.outcome == Answer::Outcome::Silent)
            continue;
        if (nke.outcome == Answer::Outcome::Garbled) {
            result.problems.append({where, nke.error});
            continue;
        }
        if (nke.frame.kind != Frame::Kind::Ack) {
            result.problems.append({where, QStringLiteral("SND_NKE answered with %1 instead of E5")
                                               .arg(kindText(nke.frame))});
            continue;
        }
        const ReadResult r = readTelegrams(address, true, true);
        if (r.status == ReadResult::Status::LinkLost) {
            result.linkLost = r.error;
            break;
        }
        if (r.ok())
            result.slaves.append({r.reading.address, r.reading.identity});
        else
            result.problems.append(
                {where, r.error.isEmpty() ? QStringLiteral("no answer to REQ_UD2") : r.error});
    }
    return result;
}

Master::Probe Master::probe(const QString& mask, FoundSlave& found, QString& error) {
    const Answer selected =
        exchange(longFrame(CSndUd, AddressSelected, CiSelect, *selectionData(mask)));
    switch (selected.outcome) {
    case Answer::Outcome::LinkLost:
        error = selected.error;
        return Probe::LinkLost;
    case Answer::Outcome::Silent:
        return Probe::Nothing;
    case Answer::Outcome::Garbled:
        return Probe::Collision;
    case Answer::Outcome::Answered:
        break;
    }
    if (selected.frame.kind != Frame::Kind::Ack)
        return Probe::Collision;
    // Two slaves' E5 at once still read as one E5; their data cannot.
    const Answer a = exchange(shortFrame(quint8(CReqUd2 | Fcb), AddressSelected));
    if (a.outcome == Answer::Outcome::LinkLost) {
        error = a.error;
        return Probe::LinkLost;
    }
    if (a.outcome == Answer::Outcome::Silent)
        return Probe::Nothing;
    if (a.outcome == Answer::Outcome::Garbled)
        return Probe::Collision;
    const DecodedTelegram d = decodeTelegram(a.frame);
    if (!d.telegram) {
        error = d.error;
        return Probe::Collision;
    }
    found.address = d.telegram->a;
    found.identity = d.telegram->identity;
    return Probe::Single;
}

void Master::search(const QString& mask, ScanResult& result,
                    const std::function<void(const QString&)>& progress) {
    if (!result.linkLost.isEmpty())
        return;
    if (progress)
        progress(mask);
    FoundSlave found;
    QString error;
    switch (probe(mask, found, error)) {
    case Probe::LinkLost:
        result.linkLost = error;
        return;
    case Probe::Nothing:
        return;
    case Probe::Single:
        result.slaves.append(found);
        return;
    case Probe::Collision:
        break;
    }
    const int open = int(mask.left(8).indexOf(QLatin1Char('F')));
    if (open < 0) {
        result.problems.append(
            {mask, error.isEmpty()
                       ? QStringLiteral("several slaves answer and cannot be told apart")
                       : error});
        return;
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        QString narrower = mask;
        narrower[open] = QLatin1Char(digit);
        search(narrower, result, progress);
    }
}

ScanResult Master::searchSecondary(const QString& mask,
                                   const std::function<void(const QString&)>& progress) {
    ScanResult result;
    if (!selectionData(mask)) {
        result.problems.append({mask, QStringLiteral("no secondary address mask")});
        return result;
    }
    QString full = mask.toUpper();
    if (full.size() == 8)
        full += QStringLiteral("FFFFFFFF");
    search(full, result, progress);
    std::stable_sort(
        result.slaves.begin(), result.slaves.end(),
        [](const FoundSlave& a, const FoundSlave& b) { return a.address < b.address; });
    return result;
}

} // namespace Mbus
