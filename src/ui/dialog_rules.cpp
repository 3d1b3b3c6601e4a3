#include "ui/dialog_rules.h"

#include "common/format.h"
#include "common/product.h"

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

std::string MessageCaption(const std::string& caption) { return caption.empty() ? kMakerCaption : caption; }

std::string TextEntryPrompt(const std::string& prompt, bool readOnly) {
  if (!prompt.empty()) return prompt;
  return readOnly ? "以下为信息详情：" : "请输入数据：";
}

std::string SettingsSaveFailedText(const std::string& path, const std::string& reason) {
  return "配置保存失败！\r\n\r\n文件：" + path + "\r\n原因：" + reason;
}

std::string UnstorablePathText(const std::string& shownPath, bool folder) {
  const std::string what = folder ? "文件夹" : "文件";
  return "无法使用该" + what + "：" + shownPath + "\r\n原因：路径中有配置文件无法保存的文字，请另选一个" + what + "。";
}

void AppendImportedItem(std::string* text, const std::string& item) {
  if (!text->empty() && text->back() != '\n') *text += "\r\n";
  *text += item;
}

std::string ImportedFileText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    if (c != '\0') text.push_back(c);
  }
  return text;
}

std::string ImportRefusedText(const std::string& path, bool tooLarge, uint64_t limitBytes) {
  return "无法导入文件：" + path + "\r\n原因：" +
         FileRefusalReason(tooLarge ? FileRead::kTooLarge : FileRead::kUnreadable, limitBytes);
}

}  // namespace movrel
