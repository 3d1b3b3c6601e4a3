// The clock of the Windows build: the system's local time, as the taskbar
// clock shows it.
#include <windows.h>

#include "record/watermark_text.h"

namespace movrel {

LocalDateTime CurrentLocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace movrel
