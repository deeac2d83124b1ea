#pragma once

#include "core/gateway/MbusFrame.h"
#include "core/gateway/MbusRecord.h"
#include "core/network/Network.h"

#include <QList>
#include <functional>
#include <optional>

// The M-Bus slaves a configuration describes, as the gateway presents them: each node with an
// enabled variable answers at its primary address and to selection by its secondary address.
// No input and no timing: frames in, answers out.
namespace Gateway {

// Header fields the configuration does not hold: values that say "simulated".
inline constexpr char Manufacturer[] = "SIM";
inline constexpr quint16 ManufacturerCode =
    ((Manufacturer[0] - 64) << 10) | ((Manufacturer[1] - 64) << 5) | (Manufacturer[2] - 64);
inline constexpr quint8 Version = 0x00;
inline constexpr quint8 Medium = 0x00; // "Other"
// Status bit of the fixed header: "any application error", set while a record carries an error.
inline constexpr quint8 StatusApplicationError = 0x02;
// Records a telegram holds at most; more go into the next telegram (DIF 1F before them).
inline constexpr int MaxTelegramData = 255 - 3;
inline constexpr quint8 DifMoreRecords = 0x1F;

// What one request was and what was answered, for the log.
struct Exchange {
    enum class Request {
        SndNke,
        ReqUd2,
        ReqUd1,
        Select,
        ApplicationReset,
        Unsupported, // a well-formed frame this slave does not act on
        Garbage,     // bytes that start no frame
        BadChecksum,
        BadLength,
        Incomplete, // a frame cut off by a pause
    };
    Request request = Request::Unsupported;
    quint8 c = 0;
    quint8 a = 0;
    bool fcv = false;
    bool fcb = false;
    QByteArray requestBytes;
    QByteArray answer;
    QList<int> nodes;      // network positions of the nodes that answered
    bool repeated = false; // same FCB again: the last answer once more
    int records = 0;
    int recordErrors = 0;
    QByteArray selection; // the 8 bytes of a selection
};

// One record a node serves, for the window's list.
struct ServedRecord {
    int node = 0;     // network position
    int variable = 0; // position in the node's list
    QByteArray difVif;
    bool standard = true;
};

class SlaveBus {
public:
    // The value of one variable (network position of node and variable), asked for each
    // new answer.
    using Values = std::function<RecordValue(int node, int variable)>;

    explicit SlaveBus(const Network& network);

    void setValues(Values values) { values_ = std::move(values); }
    Exchange handle(const Frame& frame);
    // Exchanges for what the frame reader dropped; they are never answered.
    static Exchange dropped(Exchange::Request kind, const QByteArray& bytes);

    const Network& network() const { return network_; }
    // Network positions of the nodes that answer (those with an enabled variable).
    QList<int> answering() const;
    bool isSelected(int node) const;
    QList<ServedRecord> served() const;

    // The identification number of a secondary address: its eight lowest decimal digits in
    // packed BCD, least significant byte first.
    static QByteArray identification(quint32 secondary);
    static bool matches(const QByteArray& selection, quint32 secondary);

private:
    struct Slave {
        int node = 0;
        quint8 primary = 0;
        quint32 secondary = 0;
        bool selected = false;
        std::optional<bool> lastFcb;
        QByteArray lastAnswer;
        quint8 access = 0;
        int lastRecords = 0;
        int lastErrors = 0;
        int nextTelegram = 0;
    };
    QList<int> targets(quint8 address) const;
    QByteArray answerUd2(Slave& slave, bool fcv, bool fcb, Exchange& e);
    QList<QByteArray> telegrams(const Slave& slave, int& records, int& errors) const;

    Network network_;
    QList<Slave> slaves_;
    Values values_;
};

} // namespace Gateway
