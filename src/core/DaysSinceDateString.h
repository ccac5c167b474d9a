// Whole days between now and a date written as "Mmm dd yyyy" (month name, a day padded with a
// space, a year), the form compilers give for the build date.
#pragma once

#include "core/gCString.h"

#include <cstdint>
#include <ctime>

// Positive for a past date, negative for a future one; 0 for text that is not such a date.
int32_t DaysSinceDateString(const gCString& date);
// The same against a given moment instead of the current time.
int32_t DaysSinceDateStringAt(const gCString& date, std::time_t now);
