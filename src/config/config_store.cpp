#include "config/config_store.h"

#include <charconv>
#include <cmath>

#include "common/file_io.h"
#include "common/gbk.h"
#include "common/number.h"
#include "common/product.h"

namespace movrel {
namespace {

// "┊*┊" in GBK: the stand-in for a line break inside a stored value.
const std::string kEscapedLineBreak = "\xA9\xAE*\xA9\xAE";
const std::string kLineBreak = "\r\n";

const char kRunawayMessage[] = "配置模块出现意外，可能导致无法正常保存！详情请咨询Kelv。";
// Appended headers after which the write gives up (the eleventh).
constexpr int kMaxHeaderAppends = 11;
const char kTooLargeReason[] = "配置文件将超过4 MiB的上限";
const char kLineBreakReason[] = "名称或值含有换行";
const char kNoReason[] = "无法写入文件";
const char kBackupReason[] = "无法保留上一版配置文件";
// Shown when the backup stands in for the settings file.
const char kBackupLoadedText[] =
    "配置文件已损坏或无法读取，已改用上次保存前的备份中的设置。\r\n下次保存配置时将用这些设置重写配置文件。";
constexpr unsigned kConfigNoticeFlags = 0x30;  // exclamation icon
// The second alert shows the buffer; a huge or binary file must not make a
// message box the size of the screen.
constexpr size_t kMaxAlertBytes = 4096;

// First occurrence of `needle` that begins on a character boundary at or
// after `start`, which must itself be a boundary; npos when there is none.
size_t FindFrom(const std::string& text, const std::string& needle, size_t start) {
  if (needle.empty() || start > text.size()) return std::string::npos;
  const char first = needle[0];
  for (size_t i = start; i + needle.size() <= text.size(); i += GbkCharLength(text, i)) {
    if (text[i] == first && text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

bool AtLineStart(const std::string& text, size_t pos) {
  return pos == 0 || (pos >= 2 && text[pos - 2] == '\r' && text[pos - 1] == '\n');
}

bool HasLineBreak(const std::string& text) { return text.find(kLineBreak) != std::string::npos; }

}  // namespace

std::string EscapeConfigText(const std::string& text) { return GbkReplaceAll(text, kLineBreak, kEscapedLineBreak); }

std::string UnescapeConfigText(const std::string& text) { return GbkReplaceAll(text, kEscapedLineBreak, kLineBreak); }

std::string FormatConfigNumber(double number) {
  if (!std::isfinite(number) || number == 0.0) return "0";
  // Fixed notation, shortest digits that read back as the same double: whole
  // numbers come out without a point, and nothing ever uses an exponent,
  // which the reader's leading-number rule would cut off.
  char buffer[400];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::fixed);
  if (result.ec != std::errc()) return "0";
  return std::string(buffer, result.ptr);
}

ConfigStore::ConfigStore() : disk_(&SystemConfigDisk()) {}

ConfigStore::~ConfigStore() { Close(); }

void ConfigStore::CopyFrom(const ConfigStore& other) {
  if (&other == this) return;
  Close();
  content_ = other.content_;
  fileName_ = other.fileName_;
  storePath_ = other.storePath_;
  sectionName_ = other.sectionName_;
}

void ConfigStore::Close() {
  file_.reset();
  content_.clear();
  fileError_.clear();
  savedText_.clear();
  ++generation_;
}

bool ConfigStore::Load(const FilePath& name) {
  Close();
  fileName_ = name;
  ClearConfigFileError();
  file_ = disk_->Open(name, true);
  bool read = file_ && file_->ReadAll(&content_);
  if (!read) {
    file_.reset();
    content_.clear();
    fileError_ = ConfigFileError().empty() ? kNoReason : ConfigFileError();
    // Not writable (read-only, locked, no rights): still answer reads from
    // what can be read.
    std::unique_ptr<ConfigFile> reader = disk_->Open(name, false);
    std::string bytes;
    read = reader && reader->ReadAll(&bytes);
    if (read) content_ = std::move(bytes);
  }
  // A missing file is a first start, not a damaged one.
  if ((!read && FileExists(name)) || IsTornConfigText(content_)) {
    LoadBackup();
  } else {
    savedText_ = content_;
  }
  return file_ != nullptr;
}

void ConfigStore::LoadBackup() {
  std::unique_ptr<ConfigFile> backup = disk_->Open(ConfigBackupPath(fileName_), false);
  std::string bytes;
  if (!backup || !backup->ReadAll(&bytes) || bytes.empty() || IsTornConfigText(bytes)) return;
  content_ = std::move(bytes);
  if (messageBox_) {
    messageBox_(std::string(kBackupLoadedText) + "\r\n\r\n配置文件：" + fileName_.Gbk() +
                    "\r\n备份：" + ConfigBackupPath(fileName_).Gbk(),
                kConfigNoticeFlags, std::string());
  }
}

bool ConfigStore::Open(const FilePath& path) {
  storePath_ = path;
  return Load(path);
}

void ConfigStore::SetSection(const std::string& name) { sectionName_ = name; }

int ConfigStore::ProcessQueue() {
  if (pendingWrites_.empty()) return kWriteFailed;
  // A handler that calls this while an entry is being carried out must not
  // start the next one in the middle of it; the running loop will reach it.
  if (busy_) return kWriteQueued;
  int firstResult = kWriteFailed;
  bool first = true;
  while (!pendingWrites_.empty()) {
    PendingWrite entry = pendingWrites_.front();
    busy_ = 1;
    int result = entry.kind == 0 ? WriteEntry(entry.section, entry.key, entry.value, true) : kWriteFailed;
    pendingWrites_.pop_front();
    busy_ = 0;
    if (first) firstResult = result;
    first = false;
  }
  return firstResult;
}

int ConfigStore::WriteEntry(const std::string& section, const std::string& key, const std::string& value, bool now) {
  if (!now) {
    pendingWrites_.push_back(PendingWrite{0, section, key, value});
    if (busy_) return kWriteQueued;
    return ProcessQueue();
  }
  return WriteNow(section, key, value);
}

ConfigStore::Lookup ConfigStore::Search(const std::string& section, const std::string& key, size_t* searchFrom,
                                        bool* retry) const {
  Lookup at;
  *retry = false;
  const std::string header = "[" + section + "]";
  size_t h = FindFrom(content_, header, *searchFrom);
  if (h == std::string::npos) return at;
  if (!AtLineStart(content_, h)) {
    *searchFrom = h + 1;
    *retry = true;
    return at;
  }
  at.sectionFound = true;
  at.headerEnd = h + header.size() - 1;
  const std::string keyStart = kLineBreak + key + "=";
  size_t k = FindFrom(content_, keyStart, at.headerEnd);
  if (k == std::string::npos) return at;
  // The first such line behind a later header belongs to that section.
  if (FindSectionHeader(static_cast<int64_t>(at.headerEnd) + 1, static_cast<int64_t>(k) + 1) >= 0) return at;
  at.keyFound = true;
  at.valueBegin = k + keyStart.size();
  size_t lineEnd = FindFrom(content_, kLineBreak, at.valueBegin);
  at.valueEnd = lineEnd == std::string::npos ? content_.size() : lineEnd;
  return at;
}

int ConfigStore::WriteNow(const std::string& section, const std::string& key, const std::string& value) {
  // A line break in any part would split the entry over lines that the
  // search can never find again.
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return Fail(kLineBreakReason);
  const int edited = EditBuffer(section, key, value);
  if (edited != kWriteDone || batchDepth_ > 0) return edited;
  std::string reason;
  return SaveBuffer(&reason) ? kWriteDone : Fail(reason);
}

int ConfigStore::EditBuffer(const std::string& section, const std::string& key, const std::string& value) {
  size_t searchFrom = 0;
  int appends = 0;
  for (;;) {
    uint64_t generation = generation_;
    Pump();
    // A handler may have closed or reloaded the store: start over on the
    // new content.
    if (generation != generation_) searchFrom = 0;
    bool retry = false;
    Lookup at = Search(section, key, &searchFrom, &retry);
    if (retry) continue;
    if (at.sectionFound && at.keyFound) {
      size_t oldLength = at.valueEnd - at.valueBegin;
      if (content_.size() - oldLength + value.size() > kMaxConfigFileBytes) return Fail(kTooLargeReason);
      content_.replace(at.valueBegin, oldLength, value);
      return kWriteDone;
    }
    if (at.sectionFound) {
      // The new key goes directly behind the header, together with its
      // value. When the header's line goes on behind the "]" (text,
      // or a lone "\n" line end), the new line gets a line end of its own;
      // otherwise that rest would become part of the value and be lost at
      // its next write.
      size_t behind = at.headerEnd + 1;
      bool headerLineEnds = behind == content_.size() || content_.compare(behind, 2, kLineBreak) == 0;
      std::string line = kLineBreak + key + "=" + value + (headerLineEnds ? "" : kLineBreak);
      if (content_.size() + line.size() > kMaxConfigFileBytes) return Fail(kTooLargeReason);
      content_.insert(at.headerEnd + 1, line);
      return kWriteDone;
    }
    size_t length = content_.size();
    std::string header = (length == 0 ? "[" : "\r\n[") + section + "]";
    if (length + header.size() > kMaxConfigFileBytes) return Fail(kTooLargeReason);
    content_ += header;
    searchFrom = length;
    if (++appends >= kMaxHeaderAppends) break;
  }
  ReportRunaway();
  return Fail(kRunawayMessage);
}

int ConfigStore::Fail(const std::string& reason) {
  writeError_ = reason.empty() ? kNoReason : reason;
  return kWriteFailed;
}

std::string ConfigStore::ReadEntry(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) {
  if (HasLineBreak(section) || HasLineBreak(key)) return defaultValue;
  size_t searchFrom = 0;
  for (;;) {
    uint64_t generation = generation_;
    Pump();
    if (generation != generation_) searchFrom = 0;
    bool retry = false;
    Lookup at = Search(section, key, &searchFrom, &retry);
    if (retry) continue;
    if (!at.sectionFound || !at.keyFound) return defaultValue;
    return content_.substr(at.valueBegin, at.valueEnd - at.valueBegin);
  }
}

int64_t ConfigStore::FindSectionHeader(int64_t from, int64_t to) const {
  const std::string& text = content_;
  if (from < 0) from = 0;
  if (from >= to || static_cast<uint64_t>(from) >= text.size()) return -1;
  size_t candidate = static_cast<size_t>(from);
  for (;;) {
    candidate = FindFrom(text, "\r\n[", candidate);
    if (candidate == std::string::npos || static_cast<int64_t>(candidate) >= to) return -1;
    size_t open = candidate + 2;
    // Walk the candidate's line to its "\r\n", remembering where the last
    // character before it starts: only a "]" of its own ends a header.
    size_t last = open;
    size_t i = open;
    while (i < text.size() && !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
      last = i;
      i += GbkCharLength(text, i);
    }
    // Without a line end behind the "[" there is no "]\r\n" further on.
    if (i >= text.size()) return -1;
    if (text[last] == ']') return static_cast<int64_t>(last) > to ? -1 : static_cast<int64_t>(open);
    // Not a header line; its line end may begin the next candidate.
    candidate = i;
  }
}

bool ConfigStore::WriteText(const std::string& key, const std::string& text) {
  return WriteEntry(sectionName_, key, EscapeConfigText(text), false) == kWriteDone;
}

std::string ConfigStore::ReadText(const std::string& key, const std::string& defaultText) {
  return UnescapeConfigText(ReadEntry(sectionName_, key, EscapeConfigText(defaultText)));
}

bool ConfigStore::WriteNumber(const std::string& key, double number) {
  return WriteEntry(sectionName_, key, FormatConfigNumber(number), false) == kWriteDone;
}

double ConfigStore::ReadNumber(const std::string& key, double defaultNumber) {
  return LeadingNumber(ReadEntry(sectionName_, key, FormatConfigNumber(defaultNumber)));
}

bool ConfigStore::WriteBool(const std::string& key, bool value) {
  return WriteEntry(sectionName_, key, value ? "真" : "假", false) == kWriteDone;
}

bool ConfigStore::ReadBool(const std::string& key, bool defaultValue) {
  return ReadEntry(sectionName_, key, defaultValue ? "真" : "假") == "真";
}

void ConfigStore::BeginBatch() { ++batchDepth_; }

bool ConfigStore::EndBatch() {
  if (batchDepth_ > 0 && --batchDepth_ > 0) return true;
  std::string reason;
  if (SaveBuffer(&reason)) return true;
  Fail(reason);
  return false;
}

bool ConfigStore::SaveCheckBox(const ToggleControl& control) {
  return WriteBool(control.ControlName(), control.IsChecked());
}

bool ConfigStore::LoadCheckBox(ToggleControl& control) {
  bool checked = ReadBool(control.ControlName(), control.IsChecked());
  control.SetChecked(checked);
  return checked;
}

bool ConfigStore::SaveRadioButton(const ToggleControl& control) { return SaveCheckBox(control); }

bool ConfigStore::LoadRadioButton(ToggleControl& control) { return LoadCheckBox(control); }

bool ConfigStore::SaveBuffer(std::string* reason) {
  if (!file_) {
    *reason = fileError_;
    return fileError_.empty();
  }
  ClearConfigFileError();
  auto why = [](const std::string& what) {
    return what + (ConfigFileError().empty() ? std::string() : "：" + ConfigFileError());
  };
  // The previous text becomes the backup first: a file that is torn later,
  // by whatever, still has it beside it. An unchanged text keeps the backup
  // one save further back.
  if (!savedText_.empty() && savedText_ != content_ &&
      !ReplaceConfigFile(*disk_, ConfigBackupPath(fileName_), savedText_)) {
    *reason = why(kBackupReason);
    return false;
  }
  // Windows moves nothing over a file that is open: the held file is let go
  // just for the move and taken again at once.
  const bool saved = ReplaceConfigFile(*disk_, fileName_, content_, [this] { file_.reset(); });
  *reason = saved ? std::string() : why(kNoReason);
  if (!file_) {
    file_ = disk_->Open(fileName_, true);
    if (!file_) fileError_ = why(kNoReason);
  }
  if (saved) savedText_ = content_;
  return saved;
}

void ConfigStore::Pump() {
  if (messagePump_) messagePump_();
}

void ConfigStore::ReportRunaway() {
  if (!messageBox_) return;
  messageBox_(kRunawayMessage, kConfigAlertFlags, kMakerCaption);
  messageBox_(GbkTruncate(content_, kMaxAlertBytes), 0, std::string());
}

}  // namespace movrel
