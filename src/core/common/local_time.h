#pragma once

#include <ctime>
#include <string>

namespace tallwick {

// The current time in the user's time zone.
std::tm CurrentLocalTime();

// The current local time through strftime, such as "%Y/%m/%d" for an export's date.
std::string FormatCurrentLocalTime(const char* format);

}  // namespace tallwick
