// The date-time text helpers: the watermark variables "#年" "#月" "#日" "#时"
// "#分" "#秒", and the numbered templates "#1" … "#6" used for the names of
// single-frame files. Portable; only the clock comes from the platform.
#pragma once

#include <optional>
#include <string>

namespace movrel {

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The local wall-clock time now (the system's local time on Windows).
LocalDateTime CurrentLocalTime();

// `templateText` with every "#年" replaced by the year in decimal and every
// "#月", "#日", "#时", "#分", "#秒" by the month, day, hour (0-23), minute and
// second as two digits, in that order, at `when` (the current local time,
// taken once, when not given). Nothing else is touched.
std::string ExpandWatermarkText(const std::string& templateText);
std::string ExpandWatermarkText(const std::string& templateText, const LocalDateTime& when);

// The template kinds of FormatDateTime.
constexpr int kDateTimeFull = 0;  // "#1-#2-#3 #4:#5:#6"
constexpr int kDateOnly = 1;      // "#1-#2-#3"
constexpr int kTimeOnly = 2;      // "#4:#5:#6"

// Fills a numbered template: "#1" year, "#2" month, "#3" day, "#4" hour,
// "#5" minute, "#6" second, each field of one digit written with a leading
// "0". For the kinds above `*templateText` is replaced by the kind's
// template, and a non-empty text passed in becomes the separator that stands
// for every ":" of it (kind 0 with "-" in gives "2026-01-05 09-03-07"). Any
// other kind fills the caller's template as it is. The result is returned
// and also left in `*templateText`.
std::string FormatDateTime(int kind, std::string* templateText, const std::optional<LocalDateTime>& when = std::nullopt);

}  // namespace movrel
