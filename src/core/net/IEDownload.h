#pragma once

#include "core/net/ResultCodes.h"

#include <QObject>
#include <QUuid>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QIODevice;
class TBSCB;
class TCurlLoop;

/** The bind flags; member i stands for the flag 2 to the power i. */
enum class TBindInfoOption {
    Asynchronous,
    AsyncStorage,
    NoProgressiveRendering,
    OfflineOperation,
    GetNewestVersion,
    NoWriteCache,
    NeedFile,
    PullData,
    IgnoreSecurityProblem,
    Resynchronize,
    Hyperlink,
    No_UI,
    SilentOperation,
    Pragma_No_Cache,
    GetClassObject,
    Reserved_1,
    Free_Threaded,
    Direct_Read,
    Forms_Submit,
    GetFromCache_If_Net_Fail,
    FromUrlmon,
    Fwd_Back,
    Reserved_2,
    Reserved_3,
};

/** A set of bind flags; its value is the sum of its members' flags. */
class TBindInfoOptions {
public:
    TBindInfoOptions() = default;
    TBindInfoOptions(std::initializer_list<TBindInfoOption> options) {
        for (TBindInfoOption o : options)
            Include(o);
    }
    void Include(TBindInfoOption o) { m_bits |= Bit(o); }
    void Exclude(TBindInfoOption o) { m_bits &= ~Bit(o); }
    bool Has(TBindInfoOption o) const { return (m_bits & Bit(o)) != 0; }
    std::uint32_t BindFlags() const { return m_bits; }
    bool operator==(const TBindInfoOptions&) const = default;

private:
    static std::uint32_t Bit(TBindInfoOption o) { return 1u << static_cast<unsigned>(o); }
    std::uint32_t m_bits = 0;
};

enum class TBindVerbOption { Get = 0, Post = 1, Put = 2, Custom = 3 };
enum class TCodePageOption : std::uint32_t {
    Ansi = 0,
    OEM = 1,
    Mac = 2,
    ThreadsAnsi = 3,
    Symbol = 42,
    UTF7 = 65000,
    UTF8 = 65001
};
enum class TUrlEncodeOption { PostData, ExtraInfo };

// The events. Their Sender is the transfer; strings are UTF-8.
using TOnCompleteEvent = std::function<void(TBSCB* sender, QIODevice* stream, HRESULT result)>;
using TOnProgressEvent =
    std::function<void(TBSCB* sender, std::uint32_t progress, std::uint32_t progressMax, std::uint32_t statusCode,
                       const std::string& statusText, const std::string& elapsedTime, const std::string& speed,
                       const std::string& estimatedTime)>;
using TOnResumeEvent = std::function<void(TBSCB* sender, const std::string& fileName, std::uint32_t& action)>;
using TBeginningTransactionEvent =
    std::function<HRESULT(TBSCB* sender, const std::string& url, const std::string& headers, std::uint32_t reserved,
                          std::string& additionalHeaders)>;
using TOnResponseEvent =
    std::function<HRESULT(TBSCB* sender, std::uint32_t responseCode, const std::string& responseHeaders,
                          const std::string& requestHeaders, std::string& additionalRequestHeaders)>;
using TAuthenticateEvent =
    std::function<HRESULT(TBSCB* sender, std::uintptr_t& hwnd, std::string& userName, std::string& password)>;
using TOnDataEvent = std::function<void(TBSCB* sender, std::string& block)>;
using TGetWindowEvent = std::function<HRESULT(TBSCB* sender, const QUuid& reason, std::uint32_t& hwnd)>;
using TOnSecurityProblemEvent = std::function<HRESULT(TBSCB* sender, std::uint32_t problem)>;

/** One transfer's settings, copied from the component when it starts. */
struct TInfo {
    std::string Url;
    int TimeOut = 0;
    int Deadline = 0;             // ms for the whole transfer, redirects included; 0: none
    std::int64_t MinimumRate = 0; // bytes per second: an announced length extends the deadline
    std::string FileName;
    std::string PostData;
    std::string PutFileName;
    std::vector<std::string> AdditionalHeader;
    std::string Password;
    std::string Username;
    std::string CustomVerb;
    std::string ExtraInfo;
    std::string UserAgent;
    std::int64_t RangeBegin = 0;
    std::int64_t RangeEnd = 0;
    TBindVerbOption Verb = TBindVerbOption::Get;
    std::uint32_t BindFlags = 0;
    std::uint32_t CodePage = 0;
};

/** The component's events, which its transfers raise. */
struct TDownloadEvents {
    TOnProgressEvent OnProgress;
    TOnResumeEvent OnResume;
    TBeginningTransactionEvent OnBeginningTransaction;
    TOnResponseEvent OnResponse;
    TAuthenticateEvent OnAuthenticate;
    TOnCompleteEvent OnComplete;
    TOnDataEvent OnData;
    TGetWindowEvent OnGetWindow;
    TOnSecurityProblemEvent OnSecurityProblem;
};

/** All a transfer knows of the component that started it. */
class TTransferOwner {
public:
    virtual bool Cancelled() const = 0;
    virtual const TDownloadEvents& Events() const = 0;
    /** The transfer has made its one report and may go once the report's stack has unwound. */
    virtual void Finished(TBSCB* transfer) = 0;

protected:
    ~TTransferOwner() = default;
};

/**
 * Downloads addresses asynchronously on the main thread's event loop (libcurl's multi interface
 * behind socket notifiers and a timer), into memory or into a file that a later transfer
 * continues with a range request. Every Go ends in exactly one OnComplete.
 */
class TIEDownload final : public QObject, public TDownloadEvents, private TTransferOwner {
    Q_OBJECT
public:
    explicit TIEDownload(QObject* owner = nullptr);
    ~TIEDownload() override;

    int TimeOut = 0;
    /** Milliseconds a whole transfer may take, however steadily its bytes come; 0 for no bound. */
    int Deadline = 0;
    /**
     * Bytes per second a transfer must keep up: a file of announced length gets its length at
     * this rate on top of the deadline, and one that stays slower for as long as the deadline
     * ends. 0 for none.
     */
    std::int64_t MinimumRate = 0;
    std::string ExtraInfo;
    std::string CustomVerb;
    TCodePageOption Codepage = TCodePageOption::Ansi;
    TBindVerbOption Method = TBindVerbOption::Get;
    TBindInfoOptions Options{TBindInfoOption::Asynchronous, TBindInfoOption::AsyncStorage,
                             TBindInfoOption::GetNewestVersion, TBindInfoOption::NoWriteCache,
                             TBindInfoOption::PullData};
    std::vector<TUrlEncodeOption> UrlEncode; // stored only
    std::int64_t RangeBegin = 0;
    std::int64_t RangeEnd = 0;
    std::string Password;
    std::string Username;
    std::string PutFileName;
    std::vector<std::string> AdditionalHeader{"Content-Type: application/x-www-form-urlencoded"};
    std::string PostData;
    std::string UserAgent;

    /** Starts a transfer of url into fileName (into memory when empty). */
    void Go(const std::string& url, const std::string& fileName);
    /** Every running transfer stops at its next step, until the next Go. */
    void Cancel();
    bool Cancelled() const override { return m_cancel; }
    /** Transfers not yet reported. */
    std::size_t Running() const;

private:
    const TDownloadEvents& Events() const override { return *this; }
    void Finished(TBSCB* transfer) override;

    std::unique_ptr<TCurlLoop> m_loop;
    std::vector<std::unique_ptr<TBSCB>> m_transfers;
    bool m_cancel = false;
};

/** The progress texts of a data notification: elapsed time, speed, remaining time. */
struct TProgressTexts {
    std::string ElapsedTime;
    std::string Speed;
    std::string EstimatedTime;
};
TProgressTexts ProgressTexts(std::uint32_t progress, std::uint32_t progressMax, std::int64_t elapsedMs);
