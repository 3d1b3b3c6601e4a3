#include "common/time_text.h"

#include <algorithm>
#include <cfloat>

#include "common/number.h"

namespace movrel {

const std::vector<const char*>& TimeUnitItems() {
  static const std::vector<const char*> items = {"毫", "秒", "分", "时"};
  return items;
}

TimeUnit TimeUnitAt(int listIndex) {
  return listIndex >= 0 && listIndex <= static_cast<int>(TimeUnit::kHours) ? static_cast<TimeUnit>(listIndex)
                                                                           : TimeUnit::kMilliseconds;
}

int64_t MillisecondsPer(TimeUnit unit) {
  switch (unit) {
    case TimeUnit::kMilliseconds: return 1;
    case TimeUnit::kSeconds: return 1000;
    case TimeUnit::kMinutes: return 60000;
    case TimeUnit::kHours: return 3600000;
  }
  return 1;
}

int32_t TimeTextMs(const std::string& text, TimeUnit unit) {
  // Clamped before the narrowing, so a huge number saturates rather than
  // becoming infinite.
  const double number = std::clamp(LeadingNumber(text), -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
  const float single = static_cast<float>(number);
  return TruncToInt(static_cast<double>(single) * static_cast<double>(MillisecondsPer(unit)));
}

}  // namespace movrel
