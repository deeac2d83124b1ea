#pragma once

#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct _modbus;
struct _modbus_mapping_t;

// A Modbus slave on loopback (TCP, an ephemeral port on 127.0.0.1) or on a pseudo-terminal
// pair (RTU), served by libmodbus on a thread of its own.
//
// Every table starts at address 0: coils and inputs 0..99, holding registers 0..1399, input
// registers 0..199. Register n holds n unless set; coil n is n % 2, input n is (n / 2) % 2.
// Beyond a table, and at holding registers 300..309, it answers exception 2. Slave 1 answers;
// slave 9 never does; on TCP slave 4 answers every request with exception 4 and slave 2 like
// slave 1. On RTU a read of holding register 900 gets an answer with a broken CRC.
// setAnswering() narrows who answers at all (on RTU only slave 1 ever can).
class ModbusTestServer {
public:
    static constexpr int HoldingCount = 1400;
    static constexpr int Silent = 9;
    static constexpr int Failing = 4;
    static constexpr int HoleStart = 300;
    static constexpr int HoleEnd = 310;
    static constexpr int BrokenCrcRegister = 900;

    struct Request {
        int slave;
        int function;
        int address;
        int count;
    };

    static std::unique_ptr<ModbusTestServer> tcp();
    static std::unique_ptr<ModbusTestServer> rtu();
    ~ModbusTestServer();

    int port() const { return port_; }
    // The terminal the client opens (RTU).
    QString devicePath() const { return device_; }

    // Safe while the slave serves: a test changes registers between two reads.
    void setHolding(int address, std::vector<quint16> values);
    void setInput(int address, std::vector<quint16> values);
    // Only these unit ids answer (slave 4 still with its exception); the others stay silent.
    void setAnswering(std::vector<int> ids);

    std::vector<Request> requests() const;
    // A request that gets no answer may be recorded after the client stopped waiting for it:
    // waits (at most `ms`) until `count` requests are recorded, then gives them all.
    std::vector<Request> waitForRequests(size_t count, int ms = 10000) const;
    int requestsTo(int slave) const;
    void clearRequests();

private:
    ModbusTestServer() = default;
    void start();
    void serveTcp();
    void serveRtu();
    void handle(const uint8_t* query, int length);

    _modbus* ctx_ = nullptr;
    _modbus_mapping_t* map_ = nullptr;
    bool isRtu_ = false;
    int listen_ = -1;
    int client_ = -1;
    int master_ = -1;
    int slaveFd_ = -1;
    int port_ = 0;
    QString device_;
    std::atomic_bool stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<Request> requests_;
    std::vector<int> answering_; // empty: every id but the silent one
};
