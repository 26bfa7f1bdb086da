#include "DelayRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <stdexcept>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

int ConnectLoopback(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (fd >= 0)
            ::close(fd);
        return -1;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

// One direction of a connection: what is read from `from` is written to `to` half a round trip
// later. Ends when either side closes; then shuts the other side's writing down.
void Pump(int from, int to, std::chrono::milliseconds oneWay, const std::atomic<bool>& stopping) {
    struct TChunk {
        Clock::time_point Due;
        std::string Bytes;
    };
    std::mutex mutex;
    std::condition_variable ready;
    std::deque<TChunk> chunks;
    bool ended = false;
    std::thread writer([&] {
        std::unique_lock lock(mutex);
        for (;;) {
            ready.wait(lock, [&] { return ended || !chunks.empty(); });
            if (chunks.empty())
                break;
            TChunk chunk = std::move(chunks.front());
            chunks.pop_front();
            lock.unlock();
            std::this_thread::sleep_until(chunk.Due);
            std::size_t sent = 0;
            while (sent < chunk.Bytes.size()) {
                const ssize_t n = ::send(to, chunk.Bytes.data() + sent, chunk.Bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            lock.lock();
        }
        ::shutdown(to, SHUT_WR);
    });
    char buffer[65536];
    while (!stopping) {
        pollfd p{from, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = ::recv(from, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        std::lock_guard lock(mutex);
        chunks.push_back({Clock::now() + oneWay, std::string(buffer, static_cast<std::size_t>(n))});
        ready.notify_one();
    }
    {
        std::lock_guard lock(mutex);
        ended = true;
    }
    ready.notify_one();
    writer.join();
}

} // namespace

TDelayRelay::TDelayRelay(int upstreamPort, std::chrono::milliseconds roundTrip)
    : m_upstreamPort(upstreamPort)
    , m_roundTrip(roundTrip) {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(m_listener, 64) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &length) != 0)
        throw std::runtime_error("the relay cannot listen on a loopback port");
    m_port = ntohs(addr.sin_port);
    m_acceptor = std::thread([this] { Accept(); });
}

TDelayRelay::~TDelayRelay() {
    m_stopping = true;
    m_acceptor.join();
    ::close(m_listener);
    std::lock_guard lock(m_mutex);
    for (std::thread& relay : m_relays)
        relay.join();
}

void TDelayRelay::Accept() {
    while (!m_stopping) {
        pollfd p{m_listener, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            continue;
        ++m_connections;
        std::lock_guard lock(m_mutex);
        m_relays.emplace_back([this, client] { Relay(client); });
    }
}

void TDelayRelay::Relay(int client) {
    const int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // The handshake of a real connection costs a round trip before the first byte goes.
    std::this_thread::sleep_for(m_roundTrip);
    const int upstream = ConnectLoopback(m_upstreamPort);
    if (upstream >= 0) {
        const auto oneWay = m_roundTrip / 2;
        std::thread back([&] { Pump(upstream, client, oneWay, m_stopping); });
        Pump(client, upstream, oneWay, m_stopping);
        back.join();
        ::close(upstream);
    }
    ::close(client);
}
