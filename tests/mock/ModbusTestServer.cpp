#include "mock/ModbusTestServer.h"

#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <modbus.h>
#include <netinet/in.h>
#include <pty.h>
#include <stdexcept>
#include <sys/select.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

quint16 crc16(const uint8_t* data, int length) {
    quint16 crc = 0xFFFF;
    for (int i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

bool readable(int a, int b, int& which) {
    fd_set set;
    FD_ZERO(&set);
    int top = -1;
    for (int fd : {a, b}) {
        if (fd >= 0) {
            FD_SET(fd, &set);
            top = std::max(top, fd);
        }
    }
    timeval tv{0, 20000};
    if (select(top + 1, &set, nullptr, nullptr, &tv) <= 0)
        return false;
    which = a >= 0 && FD_ISSET(a, &set) ? a : b;
    return true;
}

} // namespace

std::unique_ptr<ModbusTestServer> ModbusTestServer::tcp() {
    std::unique_ptr<ModbusTestServer> s(new ModbusTestServer);
    s->ctx_ = modbus_new_tcp("127.0.0.1", 0);
    s->listen_ = modbus_tcp_listen(s->ctx_, 1);
    if (s->listen_ < 0)
        throw std::runtime_error("listen on 127.0.0.1 failed");
    sockaddr_in address{};
    socklen_t size = sizeof address;
    getsockname(s->listen_, reinterpret_cast<sockaddr*>(&address), &size);
    s->port_ = ntohs(address.sin_port);
    s->start();
    return s;
}

std::unique_ptr<ModbusTestServer> ModbusTestServer::rtu() {
    std::unique_ptr<ModbusTestServer> s(new ModbusTestServer);
    s->isRtu_ = true;
    char name[256] = {};
    if (openpty(&s->master_, &s->slaveFd_, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    // Raw from the start: nothing the client sends may be echoed or changed on the way.
    termios tios{};
    tcgetattr(s->slaveFd_, &tios);
    cfmakeraw(&tios);
    tcsetattr(s->slaveFd_, TCSANOW, &tios);
    s->device_ = QString::fromLocal8Bit(name);
    s->ctx_ = modbus_new_rtu(name, 115200, 'N', 8, 2);
    modbus_set_socket(s->ctx_, s->master_);
    modbus_set_slave(s->ctx_, 1);
    s->start();
    return s;
}

void ModbusTestServer::start() {
    map_ = modbus_mapping_new_start_address(0, 100, 0, 100, 0, HoldingCount, 0, 200);
    for (int i = 0; i < 100; ++i) {
        map_->tab_bits[i] = uint8_t(i % 2);
        map_->tab_input_bits[i] = uint8_t((i / 2) % 2);
    }
    for (int i = 0; i < HoldingCount; ++i)
        map_->tab_registers[i] = uint16_t(i);
    for (int i = 0; i < 200; ++i)
        map_->tab_input_registers[i] = uint16_t(i);
    thread_ = std::thread([this] { isRtu_ ? serveRtu() : serveTcp(); });
}

ModbusTestServer::~ModbusTestServer() {
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    for (int fd : {client_, listen_, master_, slaveFd_})
        if (fd >= 0)
            ::close(fd);
    // The descriptors are closed above; the context only holds copies of them.
    modbus_free(ctx_);
    modbus_mapping_free(map_);
}

void ModbusTestServer::setHolding(int address, std::vector<quint16> values) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < values.size(); ++i)
        map_->tab_registers[size_t(address) + i] = values[i];
}

void ModbusTestServer::setInput(int address, std::vector<quint16> values) {
    std::lock_guard lock(mutex_);
    for (size_t i = 0; i < values.size(); ++i)
        map_->tab_input_registers[size_t(address) + i] = values[i];
}

void ModbusTestServer::setAnswering(std::vector<int> ids) {
    std::lock_guard lock(mutex_);
    answering_ = std::move(ids);
}

std::vector<ModbusTestServer::Request> ModbusTestServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<ModbusTestServer::Request> ModbusTestServer::waitForRequests(size_t count,
                                                                         int ms) const {
    QDeadlineTimer deadline(ms);
    for (;;) {
        std::vector<Request> seen = requests();
        if (seen.size() >= count || deadline.hasExpired())
            return seen;
        QThread::msleep(5);
    }
}

int ModbusTestServer::requestsTo(int slave) const {
    int count = 0;
    for (const Request& r : requests())
        count += r.slave == slave ? 1 : 0;
    return count;
}

void ModbusTestServer::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void ModbusTestServer::serveTcp() {
    uint8_t query[MODBUS_TCP_MAX_ADU_LENGTH];
    while (!stop_) {
        int fd = -1;
        if (!readable(listen_, client_, fd))
            continue;
        if (fd == listen_) {
            const int accepted = ::accept(listen_, nullptr, nullptr);
            if (accepted < 0)
                continue;
            if (client_ >= 0)
                ::close(client_);
            client_ = accepted;
            modbus_set_socket(ctx_, client_);
            continue;
        }
        const int length = modbus_receive(ctx_, query);
        if (length < 0) {
            ::close(client_);
            client_ = -1;
            continue;
        }
        if (length > 0)
            handle(query, length);
    }
}

void ModbusTestServer::serveRtu() {
    uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
    while (!stop_) {
        int fd = -1;
        if (!readable(master_, -1, fd))
            continue;
        const int length = modbus_receive(ctx_, query);
        // A request for another slave arrives whole but is "ignored" (length 0): it still counts.
        if (length == 0 && query[0] != 1) {
            std::lock_guard lock(mutex_);
            requests_.push_back(
                {query[0], query[1], (query[2] << 8) | query[3], (query[4] << 8) | query[5]});
            // libmodbus would now take our next request for the other slave's answer and drop
            // it; a fresh context listens for requests again.
            modbus_free(ctx_);
            ctx_ = modbus_new_rtu(device_.toLocal8Bit().constData(), 115200, 'N', 8, 2);
            modbus_set_socket(ctx_, master_);
            modbus_set_slave(ctx_, 1);
            continue;
        }
        if (length > 0)
            handle(query, length);
    }
}

void ModbusTestServer::handle(const uint8_t* query, int length) {
    const int offset = modbus_get_header_length(ctx_);
    const Request r{query[offset - 1], query[offset], (query[offset + 1] << 8) | query[offset + 2],
                    (query[offset + 3] << 8) | query[offset + 4]};
    std::lock_guard lock(mutex_);
    requests_.push_back(r);
    if (r.slave == Silent)
        return;
    if (!answering_.empty() &&
        std::find(answering_.begin(), answering_.end(), r.slave) == answering_.end())
        return;
    if (r.slave == Failing) {
        modbus_reply_exception(ctx_, query, MODBUS_EXCEPTION_SLAVE_OR_SERVER_FAILURE);
        return;
    }
    if (r.function == 3 && r.address < HoleEnd && r.address + r.count > HoleStart) {
        modbus_reply_exception(ctx_, query, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        return;
    }
    if (isRtu_ && r.function == 3 && r.address == BrokenCrcRegister) {
        std::vector<uint8_t> answer = {uint8_t(r.slave), 3, uint8_t(2 * r.count)};
        for (int i = 0; i < r.count; ++i) {
            answer.push_back(0x12);
            answer.push_back(0x34);
        }
        const quint16 crc = crc16(answer.data(), int(answer.size())) ^ 0xFFFF;
        answer.push_back(uint8_t(crc & 0xFF));
        answer.push_back(uint8_t(crc >> 8));
        (void)::write(master_, answer.data(), answer.size());
        return;
    }
    modbus_reply(ctx_, query, length, map_);
}
