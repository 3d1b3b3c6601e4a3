// The date-time text of watermarks: the variables "#年" "#月" "#日" "#时"
// "#分" "#秒". Portable; only the clock comes from the platform.
#pragma once

#include <string>

namespace movrel {

// The text a new text watermark starts with: a maker line, then the time
// line.
constexpr const char* kDefaultWatermarkText = "Movrel 屏幕录制\r\n现在时间(#年-#月-#日 #时:#分:#秒)";

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

}  // namespace movrel
