#pragma once

#include <functional>

class QDateTime;

/**
 * Date-times as the settings and the update status keep them: days since 30 December 1899,
 * local time, the fraction being the time of day; 0.0 means not set.
 */
using TDateTime = double;

TDateTime EncodeDateTime(const QDateTime& local);

/** The current local date and time. */
TDateTime Now();

/** Replaces the clock behind Now(); an empty function restores the system clock. For tests. */
void SetClockForTests(std::function<TDateTime()> clock);
