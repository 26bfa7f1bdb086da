#include "support/LoopbackServer.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <regex>
#include <stdexcept>

TLoopbackServer::TLoopbackServer() {
    m_server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
        std::lock_guard lock(m_mutex);
        m_requests.push_back({req.method, req.target, {req.headers.begin(), req.headers.end()}, req.remote_port});
        return httplib::Server::HandlerResponse::Unhandled;
    });
    // As a web server does (nginx's default): a connection carries many requests, not five.
    m_server.set_keep_alive_max_count(1000);
    // And answers at once on a kept-alive connection, not after the client's delayed ACK.
    m_server.set_tcp_nodelay(true);
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("cannot bind a loopback port");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TLoopbackServer::~TLoopbackServer() {
    m_stopping = true;
    m_server.stop();
    m_thread.join();
}

std::string TLoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

void TLoopbackServer::Get(const std::string& path, httplib::Server::Handler handler) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    const std::string escaped = std::regex_replace(path, special, R"(\$&)");
    GetRegex(escaped, std::move(handler));
}

void TLoopbackServer::GetRegex(const std::string& pattern, httplib::Server::Handler handler) {
    m_server.Get("(?:https?://[^/]+)?" + pattern, std::move(handler));
}

void TLoopbackServer::Garbage(const std::string& path, std::int64_t length) {
    Get(path, [this, length](const httplib::Request&, httplib::Response& res) {
        auto block = std::make_shared<std::string>(65536, '\0');
        std::mt19937 random(7);
        for (char& c : *block)
            c = static_cast<char>(random());
        if (length < 0) {
            res.set_chunked_content_provider("text/xml", [this, block](size_t, httplib::DataSink& sink) {
                return !m_stopping && sink.write(block->data(), block->size());
            });
            return;
        }
        res.set_content_provider(static_cast<size_t>(length), "text/xml",
                                 [this, block](size_t, size_t wanted, httplib::DataSink& sink) {
                                     return !m_stopping && sink.write(block->data(), std::min(wanted, block->size()));
                                 });
    });
}

std::vector<TLoopbackServer::TSeenRequest> TLoopbackServer::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

std::size_t TLoopbackServer::RequestCount() const {
    std::lock_guard lock(m_mutex);
    return m_requests.size();
}

void TLoopbackServer::Post(const std::string& pattern, httplib::Server::Handler handler) {
    m_server.Post("(?:https?://[^/]+)?" + pattern, std::move(handler));
}
