#include "core/net/IEDownload.h"

#include "core/net/BSCB.h"
#include "core/net/CurlLoop.h"

#include <QEventLoop>
#include <QLocale>
#include <QTime>
#include <QTimer>

#include <cmath>

TIEDownload::TIEDownload(QObject* owner)
    : QObject(owner)
    , m_loop(std::make_unique<TCurlLoop>()) {
    // The system browser's user agent: the desktop keeps none for other programs to use.
    UserAgent.clear();
}

TIEDownload::~TIEDownload() {
    // The owner waits for every transfer's end; anything left is dropped unreported.
    for (auto& transfer : m_transfers)
        transfer->Detach();
    m_transfers.clear();
}

void TIEDownload::Go(const std::string& url, const std::string& fileName) {
    m_cancel = false;
    TInfo info;
    info.Url = url;
    info.TimeOut = TimeOut;
    info.Deadline = Deadline;
    info.MinimumRate = MinimumRate;
    info.FileName = fileName;
    info.PostData = PostData;
    info.PutFileName = PutFileName;
    info.AdditionalHeader = AdditionalHeader;
    info.Password = Password;
    info.Username = Username;
    info.CustomVerb = CustomVerb;
    info.ExtraInfo = ExtraInfo;
    info.UserAgent = UserAgent;
    info.RangeBegin = RangeBegin;
    info.RangeEnd = RangeEnd;
    info.Verb = Method;
    info.BindFlags = Options.BindFlags();
    info.CodePage = static_cast<std::uint32_t>(Codepage);

    TTransferOwner& owner = *this;
    auto transfer = std::make_unique<TBSCB>(owner, *m_loop, std::move(info));
    TBSCB* t = transfer.get();
    const std::shared_ptr<bool> done = t->DoneFlag();
    m_transfers.push_back(std::move(transfer));
    t->Start();
    if (!Options.Has(TBindInfoOption::Asynchronous)) {
        // Without Asynchronous the whole transfer happens inside Go.
        QEventLoop loop;
        while (!*done)
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void TIEDownload::Cancel() {
    m_cancel = true;
    // Each running transfer stops now rather than at its next byte, which may never come.
    for (const auto& transfer : m_transfers)
        transfer->CancelSoon();
}

std::size_t TIEDownload::Running() const {
    std::size_t n = 0;
    for (const auto& transfer : m_transfers)
        n += *transfer->DoneFlag() ? 0 : 1;
    return n;
}

void TIEDownload::Finished(TBSCB* transfer) {
    // The transfer is still on the stack that reports it; it goes once that has returned.
    QMetaObject::invokeMethod(
        this,
        [this, transfer] { std::erase_if(m_transfers, [transfer](const auto& t) { return t.get() == transfer; }); },
        Qt::QueuedConnection);
}

namespace {

// A duration shown as a time of day in the locale's long time format, as the progress texts are.
std::string LongTime(std::int64_t ms) {
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t')); // the time zone means nothing for a duration
    return QLocale()
        .toString(QTime(0, 0).addMSecs(static_cast<int>(ms % (24LL * 3600 * 1000))), format.trimmed())
        .toStdString();
}

} // namespace

TProgressTexts ProgressTexts(std::uint32_t progress, std::uint32_t progressMax, std::int64_t elapsedMs) {
    TProgressTexts texts;
    if (elapsedMs < 0)
        return texts;
    texts.ElapsedTime = LongTime(elapsedMs);
    const double speed = elapsedMs > 0 ? static_cast<double>(progress) / static_cast<double>(elapsedMs) : 0.0;
    QString number = QLocale().toString(speed, 'g', 15);
    number.remove(QLocale().groupSeparator());
    if (const qsizetype point = number.indexOf(QLocale().decimalPoint()); point >= 0)
        number.truncate(point + QLocale().decimalPoint().size() + 2);
    texts.Speed = number.toStdString() + " kb/sec";
    if (progressMax != 0 && speed > 0)
        texts.EstimatedTime =
            LongTime(static_cast<std::int64_t>(std::llround((static_cast<double>(progressMax) - progress) / speed)));
    return texts;
}
