#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

/**
 * A TCP relay on 127.0.0.1 that adds a network's round-trip time to a loopback server: a new
 * connection waits one round trip before it carries anything (the handshake), and every chunk
 * arrives half a round trip after it was sent, in each direction. This machine's kernel has no
 * netem, so the latency of a real network is made here, in the benchmark, instead.
 */
class TDelayRelay final {
public:
    TDelayRelay(int upstreamPort, std::chrono::milliseconds roundTrip);
    ~TDelayRelay();
    TDelayRelay(const TDelayRelay&) = delete;
    TDelayRelay& operator=(const TDelayRelay&) = delete;

    int Port() const { return m_port; }
    /** How many connections were made through the relay so far. */
    int Connections() const { return m_connections; }

private:
    void Accept();
    void Relay(int client);

    int m_upstreamPort;
    std::chrono::milliseconds m_roundTrip;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<std::thread> m_relays;
};
