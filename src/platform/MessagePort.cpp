#include "platform/MessagePort.h"

#include "platform/Paths.h"

#include <QSocketNotifier>

#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

constexpr char Magic[4] = {'P', 'V', 'M', '1'};

struct TWireMessage {
    char magic[4];
    std::uint32_t msg;
    std::uint64_t wParam;
    std::int64_t lParam;
};

bool MakeAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

} // namespace

std::string MessagePortPath(int pid) {
    return RuntimeFolder() + "/plotvane-" + std::to_string(pid) + ".sock";
}

TMessagePort::TMessagePort(QObject* parent)
    : QObject(parent) {
    sockaddr_un addr;
    m_path = MessagePortPath(static_cast<int>(::getpid()));
    if (!MakeAddress(m_path, addr))
        return;
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return;
    // A file left by a crashed process that had our id is stale: nobody listens on it.
    ::unlink(m_path.c_str());
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TMessagePort::ReadPending);
}

TMessagePort::~TMessagePort() {
    if (m_fd >= 0) {
        delete m_notifier;
        ::close(m_fd);
        ::unlink(m_path.c_str());
    }
}

void TMessagePort::ReadPending() {
    while (true) {
        TWireMessage wire;
        const ssize_t n = ::recv(m_fd, &wire, sizeof wire, 0);
        if (n < 0)
            return;
        if (n != static_cast<ssize_t>(sizeof wire) || std::memcmp(wire.magic, Magic, sizeof Magic) != 0)
            continue;
        if (OnMessage)
            OnMessage(wire.msg, wire.wParam, wire.lParam);
    }
}

bool PostAppMessage(int pid, std::uint32_t msg, std::uint64_t wParam, std::int64_t lParam, int timeoutMs) {
    sockaddr_un addr;
    if (!MakeAddress(MessagePortPath(pid), addr))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    TWireMessage wire;
    std::memcpy(wire.magic, Magic, sizeof Magic);
    wire.msg = msg;
    wire.wParam = wParam;
    wire.lParam = lParam;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    bool sent = false;
    while (true) {
        sent = ::sendto(fd, &wire, sizeof wire, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) ==
               static_cast<ssize_t>(sizeof wire);
        if (sent || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ::close(fd);
    return sent;
}

} // namespace platform
