#include "net/CurlLoop.h"

#include "net/BSCB.h"

#include <QSocketNotifier>

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

TCurlLoop::TCurlLoop() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &TCurlLoop::OnSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &TCurlLoop::OnTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Action(CURL_SOCKET_TIMEOUT, 0); });
}

TCurlLoop::~TCurlLoop() {
    for (auto& [socket, watch] : m_sockets) {
        delete watch.Read;
        delete watch.Write;
    }
    curl_multi_cleanup(m_multi);
}

int TCurlLoop::OnSocket(CURL*, curl_socket_t socket, int what, void* user, void*) {
    static_cast<TCurlLoop*>(user)->Watch(socket, what);
    return 0;
}

int TCurlLoop::OnTimer(CURLM*, long timeoutMs, void* user) {
    auto* self = static_cast<TCurlLoop*>(user);
    if (timeoutMs < 0)
        self->m_timer.stop();
    else
        self->m_timer.start(static_cast<int>(std::min(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void TCurlLoop::Watch(curl_socket_t socket, int what) {
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

void TCurlLoop::Action(curl_socket_t socket, int flags) {
    int running = 0;
    curl_multi_socket_action(m_multi, socket, flags, &running);
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(m_multi, &left)) {
        if (msg->msg != CURLMSG_DONE)
            continue;
        CURL* easy = msg->easy_handle;
        const CURLcode result = msg->data.result;
        TBSCB* transfer = nullptr;
        curl_easy_getinfo(easy, CURLINFO_PRIVATE, &transfer);
        if (transfer)
            transfer->Stopped(result);
    }
}
