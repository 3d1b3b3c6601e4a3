// Times typed into an edit beside a unit list (毫秒, 秒, 分, 时): the frame
// interval, the time limit, the speed change. One reading of them, so the
// recorder, the save and the preview count the same milliseconds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movrel {

// The units in the lists' order.
enum class TimeUnit { kMilliseconds = 0, kSeconds, kMinutes, kHours };

// The unit lists' items, in TimeUnit's order: "毫", "秒", "分", "时".
const std::vector<const char*>& TimeUnitItems();
// The unit at a list index; an index outside the lists means milliseconds.
TimeUnit TimeUnitAt(int listIndex);
inline int TimeUnitIndex(TimeUnit unit) { return static_cast<int>(unit); }
int64_t MillisecondsPer(TimeUnit unit);

// The text's leading number in `unit`, in whole milliseconds: read in single
// precision (as these edits have always been read), times the unit,
// truncated toward zero, saturated at the ends of the int32 range.
int32_t TimeTextMs(const std::string& text, TimeUnit unit);

}  // namespace movrel
