#include "core/settings/DateTime.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

constexpr qint64 MsecsPerDay = 24LL * 60 * 60 * 1000;

qint64 EpochJulianDay() {
    return QDate(1899, 12, 30).toJulianDay();
}

std::function<TDateTime()>& Clock() {
    static std::function<TDateTime()> clock;
    return clock;
}

} // namespace

TDateTime EncodeDateTime(const QDateTime& local) {
    const double days = static_cast<double>(local.date().toJulianDay() - EpochJulianDay());
    const double fraction = static_cast<double>(local.time().msecsSinceStartOfDay()) / MsecsPerDay;
    // Before the epoch the integer part counts back while the fraction still counts forward.
    return days >= 0 ? days + fraction : days - fraction;
}

TDateTime Now() {
    if (Clock())
        return Clock()();
    return EncodeDateTime(QDateTime::currentDateTime());
}

void SetClockForTests(std::function<TDateTime()> clock) {
    Clock() = std::move(clock);
}
