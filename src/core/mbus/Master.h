#pragma once

#include "core/mbus/Link.h"
#include "core/mbus/Telegram.h"

#include <QList>
#include <functional>
#include <optional>

// An M-Bus master (EN 13757-2 and -3): SND_NKE, REQ_UD2 with the frame count bit, answers of
// several telegrams, primary and secondary addressing, the primary scan and the secondary
// search. It blocks; every wait is bounded by the answer time-out and the wire time.
namespace Mbus {

// The wait for the first byte of an answer once the request has left: 330 bit times plus 50 ms
// (EN 13757-2); 188 ms at 2400 baud.
int answerTimeoutMs(int baud);
// The time `bytes` characters take on the wire.
int wireMs(int bytes, int baud, int bitsPerCharacter);

// One request and what came back.
struct Answer {
    enum class Outcome { Answered, Silent, Garbled, LinkLost };
    Outcome outcome = Outcome::Silent;
    Frame frame;    // Answered
    QByteArray raw; // the bytes that came
    QString error;  // Garbled, LinkLost
};

// What one slave answered, all telegrams together.
struct Reading {
    quint8 address = 0; // the A field of its answer
    quint8 ci = 0;
    std::optional<Identity> identity; // CI 72
    std::optional<quint8> access;
    std::optional<quint8> status;
    QList<Record> records; // every data record, in the order of the telegrams
    QByteArray manufacturerData;
    int telegrams = 0;
};

struct ReadResult {
    enum class Status { Read, NoAnswer, Garbled, Refused, LinkLost };
    Status status = Status::NoAnswer;
    QString error; // why not Read
    Reading reading;
    bool ok() const { return status == Status::Read; }
};

struct FoundSlave {
    quint8 address = 0; // the A field of its answer
    std::optional<Identity> identity;
};

struct ScanResult {
    QList<FoundSlave> slaves; // in address order
    struct Problem {
        QString where; // a primary address, or a secondary address mask
        QString error;
    };
    QList<Problem> problems; // garbled answers, collisions that could not be told apart
    QString linkLost;        // the line went away and the scan stopped
};

// A secondary address mask: eight identification digits (F for any digit), optionally followed
// by manufacturer (two bytes as sent), version and medium in hexadecimal (FF for any); the data
// of a selection (CI 52), or nullopt when the text is no mask.
std::optional<QByteArray> selectionData(const QString& mask);
bool matchesMask(const QString& mask, const Identity& identity);

class Master {
public:
    struct Options {
        int retries = 2; // a request whose answer fails is asked this often again
        int maxTelegrams = 64;
        int answerTimeoutMs = 0; // 0: the line's, see answerTimeoutMs(), plus the link's extra
    };
    explicit Master(Link& link);
    Master(Link& link, Options options);

    Answer exchange(const QByteArray& request);
    // SND_NKE, then REQ_UD2 until the last telegram. Address 0 to 250.
    ReadResult readPrimary(int address);
    // Selection by the mask, REQ_UD2 to address 253, and the selection ended with SND_NKE.
    ReadResult readSecondary(const QString& mask);
    // SND_NKE to every address once (a silent one costs one answer time-out), and the first
    // telegram of each that acknowledges. `progress` hears each address before it is asked.
    ScanResult scanPrimary(int first, int last, const std::function<void(int)>& progress = {});
    // The tree search: a mask that several slaves answer is narrowed one digit further.
    ScanResult searchSecondary(const QString& mask = QStringLiteral("FFFFFFFF"),
                               const std::function<void(const QString&)>& progress = {});

    int answerTimeout() const;

private:
    enum class Probe { Nothing, Single, Collision, LinkLost };
    Answer askWithRetries(const QByteArray& request, bool* allSilent);
    ReadResult readTelegrams(int requestAddress, bool checkAddress, bool firstOnly);
    Probe probe(const QString& mask, FoundSlave& found, QString& error);
    void search(const QString& mask, ScanResult& result,
                const std::function<void(const QString&)>& progress);
    int wire(int bytes) const;

    Link& link_;
    Options options_;
};

} // namespace Mbus
