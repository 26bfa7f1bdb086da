#include "core/net/BSCB.h"

#include "core/net/CurlLoop.h"
#include "core/net/HttpText.h"
#include "core/net/Limits.h"
#include "platform/BrowserCookies.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QUrl>

#include <curl/curl.h>

#include <cctype>
#include <limits>
#include <string_view>

Q_LOGGING_CATEGORY(lcDownload, "plotvane.net.download", QtWarningMsg)

namespace {

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' '))
        s.remove_suffix(1);
    return s;
}

constexpr int MaxRedirects = 10;

HRESULT FromCurl(int code) {
    switch (static_cast<CURLcode>(code)) {
    case CURLE_OK:
        return hresult::S_OK;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return hresult::INET_E_RESOURCE_NOT_FOUND;
    case CURLE_COULDNT_CONNECT:
        return hresult::INET_E_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return hresult::INET_E_CONNECTION_TIMEOUT;
    default:
        return hresult::INET_E_DOWNLOAD_FAILURE;
    }
}

} // namespace

struct TBSCB::TCallbacks {
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
        auto* self = static_cast<TBSCB*>(user);
        const std::size_t n = size * count;
        const std::string_view line(data, n);
        if (self->m_info.TimeOut > 0)
            self->m_inactivity.start(self->m_info.TimeOut);
        // The blank line ends a block of headers; the answer is judged there.
        if (!line.starts_with("HTTP/") && Trimmed(line).empty())
            return self->HeadersComplete() ? n : 0;
        self->HeaderLine(line);
        return n;
    }
    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* user) {
        const std::size_t n = size * count;
        return static_cast<TBSCB*>(user)->Data(data, n) ? n : 0;
    }
    static int OnXfer(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
        auto* self = static_cast<TBSCB*>(user);
        if (self->Cancelled()) {
            self->m_abortResult = hresult::E_ABORT;
            return 1;
        }
        return 0;
    }
};

TBSCB::TBSCB(TTransferOwner& owner, TCurlLoop& loop, TInfo info)
    : m_owner(&owner)
    , m_loop(loop)
    , m_info(std::move(info)) {
    m_inactivity.setSingleShot(true);
    QObject::connect(&m_inactivity, &QTimer::timeout, &m_inactivity, [this] {
        // No data for longer than the time-out: the transfer ends as timed out.
        m_timedOut = true;
        End(hresult::INET_E_CONNECTION_TIMEOUT);
    });
    m_deadline.setSingleShot(true);
    QObject::connect(&m_deadline, &QTimer::timeout, &m_deadline, [this] {
        // A server that sends a byte now and then would otherwise hold the transfer for ever.
        qCWarning(lcDownload) << "gave up on" << m_currentUrl.c_str() << "at its deadline after" << m_bytesRead
                              << "bytes";
        m_timedOut = true;
        End(hresult::INET_E_CONNECTION_TIMEOUT);
    });
}

TBSCB::~TBSCB() {
    if (m_easy) {
        if (m_added)
            m_loop.Remove(m_easy);
        curl_easy_cleanup(m_easy);
    }
    curl_slist_free_all(m_headerList);
}

void TBSCB::Detach() {
    m_owner = nullptr;
    *m_done = true;
}

void TBSCB::Start() {
    const QUrl url(QString::fromStdString(m_info.Url), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        Report(hresult::MK_E_SYNTAX, nullptr);
        return;
    }
    if (!PrepareBody())
        return;
    if (Cancelled()) {
        Report(hresult::E_ABORT, nullptr);
        return;
    }
    if (!BeginningTransaction() || !ConfigureRequest())
        return;
    m_sinceStart.start();
    if (m_info.Deadline > 0)
        ArmDeadline(m_info.Deadline);
    m_loop.Add(m_easy, [this](int code) { Stopped(code); });
    m_added = true;
    Progress(bindstatus::SENDINGREQUEST, m_info.Url);
}

bool TBSCB::PrepareBody() {
    if (m_info.Verb == TBindVerbOption::Post) {
        // The post data travels with a terminating zero byte.
        m_body = m_info.PostData;
        m_body.push_back('\0');
    } else if (m_info.Verb == TBindVerbOption::Put) {
        QFile put(QString::fromStdString(m_info.PutFileName));
        if (!put.open(QIODevice::ReadOnly)) {
            Report(hresult::E_FAIL, nullptr);
            return false;
        }
        m_body = put.readAll().toStdString();
    }
    return true;
}

bool TBSCB::BeginningTransaction() {
    std::string headers;
    if (!m_info.UserAgent.empty())
        headers += "User-agent: " + m_info.UserAgent + "\r\n";
    if (!m_info.FileName.empty()) {
        const QFileInfo file(QString::fromStdString(m_info.FileName));
        if (file.exists()) {
            m_info.RangeEnd = 0;
            std::uint32_t action = 0;
            if (m_owner && m_owner->Events().OnResume)
                m_owner->Events().OnResume(this, m_info.FileName, action);
            if (action == 1) {
                m_info.RangeBegin = 0;
            } else if (action == 2) {
                Report(hresult::E_ABORT, nullptr);
                return false;
            } else {
                m_info.RangeBegin = file.size();
            }
        } else {
            m_info.RangeBegin = 0;
            m_info.RangeEnd = 0;
        }
    }
    if (m_info.RangeBegin != 0 || m_info.RangeEnd != 0) {
        headers += "Range: bytes=" + std::to_string(m_info.RangeBegin) + "-";
        if (m_info.RangeEnd != 0)
            headers += std::to_string(m_info.RangeEnd);
        headers += "\r\n";
    }
    if (!m_info.AdditionalHeader.empty() && !m_info.AdditionalHeader.front().empty())
        for (const std::string& line : m_info.AdditionalHeader)
            headers += line + "\r\n";
    if (m_owner && m_owner->Events().OnBeginningTransaction) {
        const HRESULT answer = m_owner->Events().OnBeginningTransaction(this, m_info.Url, {}, 0, headers);
        if (answer < 0) {
            Report(answer, nullptr);
            return false;
        }
    }
    m_requestHeaders = headers;
    m_timedOut = false;
    if (m_info.TimeOut > 0)
        m_inactivity.start(m_info.TimeOut);
    return true;
}

bool TBSCB::ConfigureRequest() {
    m_easy = curl_easy_init();
    if (!m_easy) {
        Report(hresult::E_FAIL, nullptr);
        return false;
    }
    CURL* c = m_easy;
    m_currentUrl = m_info.Url;
    curl_easy_setopt(c, CURLOPT_URL, m_info.Url.c_str());
    curl_easy_setopt(c, CURLOPT_PRIVATE, this);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirections are followed here, one request at a time, so that each carries the cookies
    // of its own address and never those of the one before.
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    // Through a proxy, its "200 Connection established" is no answer of the server's.
    curl_easy_setopt(c, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (m_info.MinimumRate > 0 && m_info.Deadline > 0) {
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, static_cast<long>(m_info.MinimumRate));
        curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, static_cast<long>(m_info.Deadline / 1000)));
    }
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, &TCallbacks::OnHeader);
    curl_easy_setopt(c, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &TCallbacks::OnWrite);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &TCallbacks::OnXfer);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, this);
    // Our header lines go as they are, in their order; libcurl's own Accept stays.
    std::string_view rest = m_requestHeaders;
    while (!rest.empty()) {
        const std::size_t end = rest.find("\r\n");
        const std::string line(rest.substr(0, end));
        if (!line.empty())
            m_headerList = curl_slist_append(m_headerList, line.c_str());
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 2);
    }
    m_headerList = curl_slist_append(m_headerList, "Expect:");
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, m_headerList);
    ApplyCookies(m_info.Url);
    std::string user = m_info.Username, password = m_info.Password;
    if (m_owner && m_owner->Events().OnAuthenticate) {
        std::uintptr_t window = 0;
        if (m_owner->Events().OnAuthenticate(this, window, user, password) < 0)
            user.clear();
    }
    if (!user.empty()) {
        curl_easy_setopt(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
        curl_easy_setopt(c, CURLOPT_USERNAME, user.c_str());
        curl_easy_setopt(c, CURLOPT_PASSWORD, password.c_str());
    }
    switch (m_info.Verb) {
    case TBindVerbOption::Get:
        curl_easy_setopt(c, CURLOPT_HTTPGET, 1L);
        break;
    case TBindVerbOption::Post:
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_body.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, m_body.data());
        break;
    case TBindVerbOption::Put:
        curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, "PUT");
        curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(m_body.size()));
        curl_easy_setopt(c, CURLOPT_POSTFIELDS, m_body.data());
        break;
    case TBindVerbOption::Custom:
        if (!m_info.CustomVerb.empty())
            curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, m_info.CustomVerb.c_str());
        break;
    }
    return true;
}

void TBSCB::ApplyCookies(const std::string& url) {
    const std::string cookies = platform::BrowserCookieHeader(url);
    curl_easy_setopt(m_easy, CURLOPT_COOKIE, cookies.empty() ? nullptr : cookies.c_str());
}

void TBSCB::ArmDeadline(std::int64_t totalMs) {
    const std::int64_t left = std::max<std::int64_t>(0, totalMs - m_sinceStart.elapsed());
    m_deadline.start(static_cast<int>(std::min<std::int64_t>(left, std::numeric_limits<int>::max())));
}

bool TBSCB::FollowRedirect() {
    char* next = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_REDIRECT_URL, &next);
    const QUrl from(QString::fromStdString(m_currentUrl));
    const QUrl to(QString::fromUtf8(next ? next : ""), QUrl::StrictMode);
    const QString scheme = to.scheme().toLower();
    if (++m_redirects > MaxRedirects || !to.isValid() || to.host().isEmpty() ||
        (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))) {
        qCWarning(lcDownload) << "redirection from" << m_currentUrl.c_str()
                              << "not followed:" << (next ? next : "(no address)");
        return false;
    }
    m_loop.Remove(m_easy);
    m_added = false;
    m_currentUrl = next;
    curl_easy_setopt(m_easy, CURLOPT_URL, next);
    ApplyCookies(m_currentUrl);
    // Credentials were meant for the server asked first.
    if (from.scheme().toLower() != scheme || from.host().toLower() != to.host().toLower() ||
        from.port(scheme == QStringLiteral("https") ? 443 : 80) !=
            to.port(scheme == QStringLiteral("https") ? 443 : 80)) {
        curl_easy_setopt(m_easy, CURLOPT_USERNAME, nullptr);
        curl_easy_setopt(m_easy, CURLOPT_PASSWORD, nullptr);
    }
    // As browsers do: a form sent to a 301, 302 or 303 continues as a plain GET.
    if (m_status == 303 || ((m_status == 301 || m_status == 302) && m_info.Verb == TBindVerbOption::Post)) {
        curl_easy_setopt(m_easy, CURLOPT_CUSTOMREQUEST, nullptr);
        curl_easy_setopt(m_easy, CURLOPT_HTTPGET, 1L);
    }
    m_followPending = false;
    m_redirectBodyBytes = 0;
    m_status = 0;
    m_loop.Add(m_easy, [this](int code) { Stopped(code); });
    m_added = true;
    return true;
}

void TBSCB::Progress(std::uint32_t status, const std::string& text) {
    if (status == bindstatus::REDIRECTING)
        m_redirected = true;
    if (!m_owner || !m_owner->Events().OnProgress || Cancelled())
        return;
    const auto progress = static_cast<std::uint32_t>(m_bytesRead);
    const auto max = static_cast<std::uint32_t>(std::max<std::int64_t>(m_contentLength, 0));
    TProgressTexts texts;
    if (status == bindstatus::DOWNLOADINGDATA && m_firstData.isValid())
        texts = ProgressTexts(progress, max, m_firstData.elapsed());
    const auto begin = static_cast<std::uint32_t>(m_info.RangeBegin);
    m_owner->Events().OnProgress(this, progress + begin, max + begin, status, text, texts.ElapsedTime, texts.Speed,
                                 texts.EstimatedTime);
}

void TBSCB::HeaderLine(std::string_view line) {
    if (line.starts_with("HTTP/")) {
        const std::size_t space = line.find(' ');
        m_status =
            space == std::string_view::npos ? 0 : static_cast<int>(httptext::LeadingNumber(line.substr(space + 1, 3)));
        m_responseHeaders.clear();
        m_location.clear();
        m_contentLength = -1;
        m_followPending = false;
    } else if (httptext::StartsWithNoCase(line, "content-length:")) {
        m_contentLength = httptext::LeadingNumber(Trimmed(line.substr(15)));
    } else if (httptext::StartsWithNoCase(line, "location:")) {
        m_location = std::string(Trimmed(line.substr(9)));
    }
    m_responseHeaders.append(line);
}

bool TBSCB::HeadersComplete() {
    if (m_status >= 100 && m_status < 200)
        return true;
    if (m_status >= 300 && m_status < 400 && !m_location.empty()) {
        m_followPending = true;
        Progress(bindstatus::REDIRECTING, m_location);
        return true;
    }
    m_responseCode = static_cast<std::uint32_t>(m_status);
    if ((m_status >= 400 && m_status <= 499) || Cancelled()) {
        m_abortResult = hresult::E_ABORT;
        Report(hresult::E_ABORT, nullptr);
        return false;
    }
    if (m_owner && m_owner->Events().OnResponse) {
        std::string additional;
        const HRESULT answer =
            m_owner->Events().OnResponse(this, m_responseCode, m_responseHeaders, m_requestHeaders, additional);
        if (answer < 0) {
            m_abortResult = answer;
            return false;
        }
    }
    if (m_contentLength > MaxBody()) {
        m_abortResult = hresult::INET_E_DOWNLOAD_FAILURE;
        return false;
    }
    // A long file may take its time at the least rate; the deadline grows with its length.
    if (m_info.Deadline > 0 && m_info.MinimumRate > 0 && m_contentLength > 0)
        ArmDeadline(m_info.Deadline + m_contentLength * 1000 / m_info.MinimumRate);
    if (!m_info.FileName.empty() && m_status != 200 && m_status != 206) {
        // An error page, or any answer but the file or its rest, never touches the partial file:
        // the next run continues it from where it really ends.
        qCWarning(lcDownload) << "answer" << m_status << "to" << m_currentUrl.c_str() << "left the file untouched";
        m_abortResult = hresult::INET_E_DOWNLOAD_FAILURE;
        return false;
    }
    if (!m_info.FileName.empty()) {
        // A link in the file's place would have the download written wherever it points.
        if (!platform::IsRegularFileOrAbsent(m_info.FileName)) {
            m_abortResult = hresult::E_FAIL;
            return false;
        }
        m_file.setFileName(QString::fromStdString(m_info.FileName));
        bool open = false;
        if (m_info.RangeBegin != 0 && m_status == 206) {
            open = m_file.open(QIODevice::ReadWrite) && m_file.seek(m_file.size());
        } else {
            open = m_file.open(QIODevice::ReadWrite | QIODevice::Truncate);
            m_info.RangeBegin = 0;
        }
        if (!open) {
            m_abortResult = hresult::E_FAIL;
            return false;
        }
    } else {
        m_memory.open(QIODevice::ReadWrite);
    }
    return true;
}

std::int64_t TBSCB::MaxBody() const {
    if (m_info.FileName.empty())
        return netlimits::MaxBodyInMemory;
    // A continued file counts whole: what it held before the range came too.
    return netlimits::MaxBodyToFile - (m_status == 206 ? m_info.RangeBegin : 0);
}

bool TBSCB::Data(const char* data, std::size_t n) {
    if (m_followPending) {
        // The page that comes with a redirection is nobody's download; only its size counts.
        m_redirectBodyBytes += static_cast<std::int64_t>(n);
        if (m_info.TimeOut > 0)
            m_inactivity.start(m_info.TimeOut);
        return m_redirectBodyBytes <= netlimits::MaxBodyInMemory;
    }
    const bool first = !m_firstData.isValid();
    if (first)
        m_firstData.start();
    if (Cancelled()) {
        m_abortResult = hresult::E_ABORT;
        return false;
    }
    if (m_info.TimeOut > 0)
        m_inactivity.start(m_info.TimeOut);
    if (first)
        Progress(bindstatus::BEGINDOWNLOADDATA, m_info.Url);
    // A server that never stops sending ends the transfer here, not in memory or on the disk.
    if (static_cast<std::int64_t>(m_bytesRead + n) > MaxBody()) {
        m_abortResult = hresult::INET_E_DOWNLOAD_FAILURE;
        return false;
    }
    std::string block(data, n);
    if (m_owner && m_owner->Events().OnData)
        m_owner->Events().OnData(this, block);
    QIODevice& target = m_file.isOpen() ? static_cast<QIODevice&>(m_file) : static_cast<QIODevice&>(m_memory);
    if (!block.empty() &&
        target.write(block.data(), static_cast<qint64>(block.size())) != static_cast<qint64>(block.size())) {
        m_abortResult = hresult::INET_E_DOWNLOAD_FAILURE;
        return false;
    }
    m_bytesRead += n;
    Progress(bindstatus::DOWNLOADINGDATA, m_info.Url);
    return true;
}

void TBSCB::Stopped(int code) {
    if (code == CURLE_OK && m_followPending && m_abortResult == 0 && !m_timedOut && !Cancelled() && FollowRedirect())
        return;
    HRESULT result = FromCurl(code);
    if (m_timedOut)
        result = hresult::INET_E_CONNECTION_TIMEOUT;
    else if (m_abortResult != 0)
        result = m_abortResult;
    else if (result == hresult::S_OK && m_followPending)
        result = hresult::INET_E_REDIRECT_FAILED;
    else if (result == hresult::S_OK && m_status >= 500)
        // A server error page is no download: never hand it on as the file asked for.
        result = hresult::INET_E_DOWNLOAD_FAILURE;
    if (result == hresult::S_OK)
        Progress(bindstatus::ENDDOWNLOADDATA, m_info.Url);
    End(result);
}

void TBSCB::End(HRESULT result) {
    if (m_stopped)
        return;
    m_stopped = true;
    m_inactivity.stop();
    m_deadline.stop();
    if (m_added) {
        m_loop.Remove(m_easy);
        m_added = false;
    }
    QIODevice* stream = nullptr;
    if (!m_info.FileName.empty()) {
        if (m_file.isOpen()) {
            m_file.flush();
            m_file.seek(0);
            stream = &m_file;
        }
    } else {
        if (!m_memory.isOpen())
            m_memory.open(QIODevice::ReadWrite);
        stream = &m_memory;
    }
    Report(result, stream);
    m_file.close();
}

void TBSCB::CancelSoon() {
    if (m_stopped || *m_done)
        return;
    // Stopped from the event loop, never from inside a libcurl callback or a report.
    QTimer::singleShot(0, &m_inactivity, [this] {
        if (!m_stopped && !m_reported)
            End(hresult::E_ABORT);
    });
}

void TBSCB::Report(HRESULT result, QIODevice* stream) {
    if (m_reported)
        return;
    m_reported = true;
    m_stopped = m_stopped || !m_added;
    TTransferOwner* owner = m_owner;
    if (owner && owner->Events().OnComplete)
        owner->Events().OnComplete(this, stream, result);
    *m_done = true;
    if (owner && m_owner)
        owner->Finished(this);
}
