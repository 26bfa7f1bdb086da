#pragma once

#include "core/net/IEDownload.h"

#include <QBuffer>
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <memory>
#include <string>
#include <string_view>

struct curl_slist;

/**
 * One transfer of a TIEDownload: its settings, its request, its target (a file or memory), its
 * inactivity timer, and the single report of its end.
 */
class TBSCB final {
public:
    TBSCB(TTransferOwner& owner, TCurlLoop& loop, TInfo info);
    ~TBSCB();
    TBSCB(const TBSCB&) = delete;
    TBSCB& operator=(const TBSCB&) = delete;

    /** The HTTP status of the response; 0 until it arrives. */
    std::uint32_t ResponseCode() const { return m_responseCode; }
    const TInfo& Info() const { return m_info; }
    /** The request header lines as they were handed on, each ending in CR LF. */
    const std::string& RequestHeaders() const { return m_requestHeaders; }

    /** Sends the request; the end comes as the one report, to the owner's OnComplete. */
    void Start();
    /** Ends the transfer from the event loop, reported as aborted. */
    void CancelSoon();
    /** The owner is going: nothing more is reported to it. */
    void Detach();
    /** Set once the transfer has reported its end (or was detached). */
    std::shared_ptr<bool> DoneFlag() const { return m_done; }

private:
    struct TCallbacks; // libcurl's entry points, in the .cpp with libcurl's header

    void Stopped(int curlCode);

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

    void HeaderLine(std::string_view line);
    bool HeadersComplete();
    bool Data(const char* data, std::size_t n);
    /** The most this transfer's body may bring. */
    std::int64_t MaxBody() const;

    TTransferOwner* m_owner;
    TCurlLoop& m_loop;
    TInfo m_info;
    void* m_easy = nullptr; // libcurl's handle
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
