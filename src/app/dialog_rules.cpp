#include "app/dialog_rules.h"

namespace movrel {

unsigned MessageBoxStyle(unsigned flags) {
  unsigned style = flags;
  if ((flags & (kMbIconError | kMbIconQuestion | kMbIconInformation)) == 0) style |= kMbIconInformation;
  return style | kMbSystemModal;
}

int MessageResultFromId(int id) {
  if (id >= 1 && id <= 7) return id - 1;
  return kResultCancel;
}

std::string MessageCaption(const std::string& caption) { return caption.empty() ? kDefaultCaption : caption; }

std::string TextEntryPrompt(const std::string& prompt, bool readOnly) {
  if (!prompt.empty()) return prompt;
  return readOnly ? "以下为信息详情：" : "请输入数据：";
}

void AppendImportedItem(std::string* text, const std::string& item) {
  if (!text->empty() && text->back() != '\n') *text += "\r\n";
  *text += item;
}

}  // namespace movrel
