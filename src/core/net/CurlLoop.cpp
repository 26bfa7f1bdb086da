#include "core/net/CurlLoop.h"

#include <QSocketNotifier>

#include <curl/curl.h>

#include <algorithm>
#include <mutex>

namespace {

// A notifier is never deleted inside its own signal: it is switched off and goes later.
void Drop(QSocketNotifier*& notifier) {
    if (notifier) {
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
}

} // namespace

struct TCurlLoop::TCallbacks {
    static int OnSocket(CURL*, curl_socket_t socket, int what, void* user, void*) {
        static_cast<TCurlLoop*>(user)->Watch(socket, what);
        return 0;
    }
    static int OnTimer(CURLM*, long timeoutMs, void* user) {
        auto* self = static_cast<TCurlLoop*>(user);
        if (timeoutMs < 0)
            self->m_timer.stop();
        else
            self->m_timer.start(static_cast<int>(std::min(timeoutMs, 24L * 3600 * 1000)));
        return 0;
    }
};

TCurlLoop::TCurlLoop() {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Action(CURL_SOCKET_TIMEOUT, 0); });
}

void* TCurlLoop::Multi() {
    // Made with the first transfer, not with the loop: the loop is made as the program starts,
    // and libcurl is loaded only when something is fetched.
    if (!m_multi) {
        static std::once_flag once;
        std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
        CURLM* multi = curl_multi_init();
        m_multi = multi;
        curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &TCallbacks::OnSocket);
        curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
        curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &TCallbacks::OnTimer);
        curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
    }
    return m_multi;
}

TCurlLoop::~TCurlLoop() {
    for (auto& [socket, watch] : m_sockets) {
        delete watch.Read;
        delete watch.Write;
    }
    if (m_multi)
        curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void TCurlLoop::Add(void* easy, TDone done) {
    m_done[easy] = std::move(done);
    curl_multi_add_handle(static_cast<CURLM*>(Multi()), static_cast<CURL*>(easy));
}

void TCurlLoop::Remove(void* easy) {
    m_done.erase(easy);
    if (m_multi)
        curl_multi_remove_handle(static_cast<CURLM*>(m_multi), static_cast<CURL*>(easy));
}

void TCurlLoop::Watch(int socket, int what) {
    TWatch& watch = m_sockets[socket];
    if (what == CURL_POLL_REMOVE) {
        Drop(watch.Read);
        Drop(watch.Write);
        m_sockets.erase(socket);
        return;
    }
    const auto ensure = [&](QSocketNotifier*& notifier, QSocketNotifier::Type type, bool wanted, int flag) {
        if (!wanted) {
            Drop(notifier);
            return;
        }
        if (!notifier) {
            notifier = new QSocketNotifier(socket, type);
            connect(notifier, &QSocketNotifier::activated, this, [this, socket, flag] { Action(socket, flag); });
        }
        notifier->setEnabled(true);
    };
    ensure(watch.Read, QSocketNotifier::Read, what & CURL_POLL_IN, CURL_CSELECT_IN);
    ensure(watch.Write, QSocketNotifier::Write, what & CURL_POLL_OUT, CURL_CSELECT_OUT);
}

void TCurlLoop::Action(int socket, int flags) {
    auto* multi = static_cast<CURLM*>(m_multi);
    if (!multi)
        return;
    int running = 0;
    curl_multi_socket_action(multi, socket, flags, &running);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        const auto found = m_done.find(msg->easy_handle);
        if (found == m_done.end())
            continue;
        // A copy: the function may remove its handle, or add it again, while it runs.
        const TDone done = found->second;
        done(static_cast<int>(msg->data.result));
    }
}
