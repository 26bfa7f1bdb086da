#pragma once

#include "net/IEDownload.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <curl/curl.h>

#include <memory>
#include <string>

/**
 * One transfer of a TIEDownload: its settings, its request, its target (a file or memory), its
 * inactivity timer, and the single report of its end.
 */
class TBSCB final {
public:
    TBSCB(TIEDownload& owner, TCurlLoop& loop, TInfo info);
    ~TBSCB();
    TBSCB(const TBSCB&) = delete;
    TBSCB& operator=(const TBSCB&) = delete;

    /** The HTTP status of the response; 0 until it arrives. */
    std::uint32_t ResponseCode() const { return m_responseCode; }
    const TInfo& Info() const { return m_info; }
    /** The request header lines as they were handed on, each ending in CR LF. */
    const std::string& RequestHeaders() const { return m_requestHeaders; }

private:
    friend class TIEDownload;
    friend class TCurlLoop;

    void Start();
    void Stopped(CURLcode code);
    void CancelSoon();
    void Detach();
    std::shared_ptr<bool> DoneFlag() const { return m_done; }

    bool PrepareBody();
    bool BeginningTransaction();
    bool ConfigureRequest();
    /** The browser's cookies for this one address, none carried over from another. */
    void ApplyCookies(const std::string& url);
    /** Sends the request again to where the last answer pointed; false when it may not go. */
    bool FollowRedirect();
    /** Starts or moves the whole-transfer deadline, counted from the start. */
    void ArmDeadline(std::int64_t totalMs);
    void Report(HRESULT result, QIODevice* stream);
    void End(HRESULT result);
    void Progress(std::uint32_t status, const std::string& text);
    bool Cancelled() const { return m_owner && m_owner->Cancelled(); }

    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* user);
    static int OnXfer(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    bool HeadersComplete();
    bool Data(const char* data, std::size_t n);
    /** The most this transfer's body may bring. */
    std::int64_t MaxBody() const;

    TIEDownload* m_owner;
    TCurlLoop& m_loop;
    TInfo m_info;
    CURL* m_easy = nullptr;
    curl_slist* m_headerList = nullptr;
    bool m_added = false;
    std::shared_ptr<bool> m_done = std::make_shared<bool>(false);

    std::string m_requestHeaders;
    std::string m_body;
    QFile m_file;
    QByteArray m_memoryBytes;
    QBuffer m_memory{&m_memoryBytes};
    QTimer m_inactivity;
    QTimer m_deadline;
    QElapsedTimer m_sinceStart;
    bool m_timedOut = false;
    bool m_redirected = false;
    bool m_followPending = false; // the current answer is a redirection still to follow
    int m_redirects = 0;
    std::int64_t m_redirectBodyBytes = 0;
    std::string m_currentUrl;
    bool m_reported = false;
    bool m_stopped = false;
    HRESULT m_abortResult = 0; // why a callback of ours stopped the transfer

    int m_status = 0;
    std::string m_responseHeaders;
    std::string m_location;
    std::int64_t m_contentLength = -1;
    std::uint32_t m_responseCode = 0;
    QElapsedTimer m_firstData;
    std::uint64_t m_bytesRead = 0;
};
