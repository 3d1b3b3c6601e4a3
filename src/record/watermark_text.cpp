#include "record/watermark_text.h"

#include "common/gbk.h"

namespace movrel {
namespace {

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() == 1 ? "0" + text : text;
}

}  // namespace

std::string ExpandWatermarkText(const std::string& templateText) {
  return ExpandWatermarkText(templateText, CurrentLocalTime());
}

std::string ExpandWatermarkText(const std::string& templateText, const LocalDateTime& when) {
  // The variables start with '#', which is never a GBK trail byte, but the
  // Chinese character after it is matched as a whole character.
  std::string text = GbkReplaceAll(templateText, "#年", std::to_string(when.year));
  text = GbkReplaceAll(text, "#月", TwoDigits(when.month));
  text = GbkReplaceAll(text, "#日", TwoDigits(when.day));
  text = GbkReplaceAll(text, "#时", TwoDigits(when.hour));
  text = GbkReplaceAll(text, "#分", TwoDigits(when.minute));
  return GbkReplaceAll(text, "#秒", TwoDigits(when.second));
}

}  // namespace movrel
