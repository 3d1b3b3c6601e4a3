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

std::string FormatDateTime(int kind, std::string* templateText, const std::optional<LocalDateTime>& when) {
  const LocalDateTime t = when ? *when : CurrentLocalTime();
  const std::string fields[6] = {TwoDigits(t.year),   TwoDigits(t.month),  TwoDigits(t.day),
                                 TwoDigits(t.hour),   TwoDigits(t.minute), TwoDigits(t.second)};
  std::string text = *templateText;
  const char* kindTemplate = kind == kDateTimeFull ? "#1-#2-#3 #4:#5:#6"
                             : kind == kDateOnly   ? "#1-#2-#3"
                             : kind == kTimeOnly   ? "#4:#5:#6"
                                                   : nullptr;
  if (kindTemplate) {
    // The text passed in is free to serve as the separator only where the
    // template is the kind's own; for any other kind it is the template.
    const std::string separator = text;
    text = kindTemplate;
    if (!separator.empty()) text = GbkReplaceAll(text, ":", separator);
  }
  for (int i = 0; i < 6; ++i) text = GbkReplaceAll(text, "#" + std::to_string(i + 1), fields[i]);
  *templateText = text;
  return text;
}

}  // namespace movrel
