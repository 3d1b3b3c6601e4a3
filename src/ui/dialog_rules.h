// The rules of the program's message box and text-entry dialog that do not
// need a window: styles, result codes, default texts.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

// Message box flags (the platform's values).
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr unsigned kMbSystemModal = 0x1000;

// Results of ShowMessage.
enum MessageResult { kResultOk = 0, kResultCancel, kResultAbort, kResultRetry, kResultIgnore, kResultYes, kResultNo };

// The style actually shown: the given flags, the information icon when they
// name no icon, and always system-modal.
unsigned MessageBoxStyle(unsigned flags);

// The platform's button ID (IDOK = 1 ... IDNO = 7) as a MessageResult; an
// unknown ID (the box could not be shown) counts as Cancel.
int MessageResultFromId(int id);

// An empty caption becomes kMakerCaption, "Kelv：".
std::string MessageCaption(const std::string& caption);

// An empty prompt becomes "请输入数据：" for entry or "以下为信息详情：" for
// viewing.
std::string TextEntryPrompt(const std::string& prompt, bool readOnly);

// The message for settings that did not reach their file: what failed,
// which file, and the system's reason.
std::string SettingsSaveFailedText(const std::string& path, const std::string& reason);

// The message for a chosen file or folder (`shownPath`, its GBK form) that
// the settings file cannot name: it would store another path.
std::string UnstorablePathText(const std::string& shownPath, bool folder);

// Appends one imported item (a file's text or its path) on a line of its own.
void AppendImportedItem(std::string* text, const std::string& item);

// The most the text-entry dialog's whole text with the imported files may
// hold. Beyond this a file is refused with a message; reading it whole
// could exhaust the 32-bit address space.
constexpr uint64_t kMaxImportedTextBytes = 16u * 1024u * 1024u;

// A file's text as it is imported: every byte but the zero bytes. The edit
// control ends its text at the first zero, so a zero byte kept would make
// the rest of the file, and every file imported after it, vanish; a text
// file has none, and in other files they carry no text.
std::string ImportedFileText(const std::string& bytes);

// The message for a file that was not taken: too large (with the limit) or
// not readable.
std::string ImportRefusedText(const std::string& path, bool tooLarge, uint64_t limitBytes);

}  // namespace movrel
