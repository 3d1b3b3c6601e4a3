// The clock of the native build: the C library's local time.
#include <ctime>

#include "record/watermark_text.h"

namespace movrel {

LocalDateTime CurrentLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

}  // namespace movrel
