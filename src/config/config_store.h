// The configuration store: named values in a text file of "[section]" header
// lines and key=value lines, separated by "\r\n", in GBK.
//
// The whole file is kept in `content_` and every read is answered from
// it. Every write edits the buffer, and the whole buffer then replaces the
// file at once (see config_file.h); the writes between BeginBatch and
// EndBatch reach the file together, in one replacement at the end. Bytes
// outside the edited range stay as they were. The file stays open for the
// store's whole life, so no other copy of the program writes it.
//
// A file whose bytes cannot be the settings text (IsTornConfigText), or that
// is there but cannot be read, is not taken when the backup beside it is
// sound: the store loads the backup instead and says so.
//
// File format, as the store reads and writes it:
//   - A header "[name]" counts only at the start of the file or behind
//     "\r\n". The first such header of a name is the section.
//   - An entry "key=value" belongs to the section whose header precedes it
//     with no other header line in between; a header line, for that test, is
//     "\r\n[" followed by text without "\r\n" up to "]\r\n".
//   - A value runs from behind "=" to the next "\r\n" or the end of the file.
//   - A new key goes directly behind its section's header; a new section is
//     appended as "\r\n[name]" ("[name]" in an empty file). No final line end
//     is ever added.
//   - Text values store every "\r\n" as "┊*┊" (A9 AE 2A A9 AE); booleans are
//     "真" or "假"; numbers are decimal text, whole numbers without a point.
//
// Searches step over double-byte characters, so a "]" that is the second
// byte of a character (閉 is E9 5D) never ends a header.
//
// Positions are byte offsets counted from 0; a failed search gives -1.
//
// Re-entrancy: every search pass first runs the message pump hook, so window
// events go on while the store works. A handler that asks for a write during
// another write gets 3 (false from the typed writers) and its write is
// carried out, in order, as soon as the current one has finished.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "config/config_file.h"

namespace movrel {

// A check box or radio button as the store sees it: a stable name (the key)
// and a checked (selected) state.
class ToggleControl {
 public:
  virtual ~ToggleControl() = default;
  virtual std::string ControlName() const = 0;
  virtual bool IsChecked() const = 0;
  virtual void SetChecked(bool checked) = 0;
};

// Results of WriteEntry.
constexpr int kWriteDone = 0;
constexpr int kWriteFailed = -1;
constexpr int kWriteQueued = 3;

// Flags the loop guard passes to the message-box hook: exclamation icon,
// system-modal.
constexpr unsigned kConfigAlertFlags = 0x30 | 0x1000;

class ConfigStore {
 public:
  // Lets pending window messages be handled; called once per search pass.
  using MessagePump = std::function<void()>;
  // The program's message box: text, button and icon flags, caption.
  using MessageBoxFn = std::function<int(const std::string& text, unsigned flags, const std::string& caption)>;

  ConfigStore();
  virtual ~ConfigStore();
  ConfigStore(const ConfigStore&) = delete;
  ConfigStore& operator=(const ConfigStore&) = delete;

  // Takes over the other store's content, file name, path and section, but
  // not its open file: writes to this copy change only its buffer.
  virtual void CopyFrom(const ConfigStore& other);

  // Closes the file and empties the buffer.
  virtual void Close();
  // Reads the file into the buffer and holds it open for writing; true if it
  // is open. A file that cannot be opened for writing is still read when it
  // can be; writes then change only the buffer and fail, with the reason the
  // file could not be opened. A torn or unreadable file is replaced by a
  // sound backup in the buffer, told through the message box; the file is
  // still the one held and written.
  virtual bool Load(const FilePath& name);
  // Carries out the queued writes, oldest first, including those queued
  // meanwhile; the result of the first one, or -1 when the queue is empty.
  virtual int ProcessQueue();
  // Writes `value` (which must not contain "\r\n") under `key` of `section`.
  // Without `now` the write is queued: 3 when another write is in progress,
  // otherwise the result of ProcessQueue. With `now` it is carried out at
  // once: 0 success, -1 failure.
  virtual int WriteEntry(const std::string& section, const std::string& key, const std::string& value, bool now);
  // The stored value text, or `defaultValue` when the section or key is
  // missing. An existing key with an empty value gives empty text.
  virtual std::string ReadEntry(const std::string& section, const std::string& key, const std::string& defaultValue);
  // Position of the "[" of the first header line "\r\n[...]\r\n" whose
  // "\r\n" starts in [from, to) and whose "]" lies at or before `to`; -1 if
  // there is none.
  virtual int64_t FindSectionHeader(int64_t from, int64_t to) const;
  // Remembers `path` and loads it.
  virtual bool Open(const FilePath& path);
  virtual void SetSection(const std::string& name);
  // The typed writers answer true when written at once; false when the write
  // failed or had to wait in the queue (it is carried out later all the same).
  virtual bool WriteText(const std::string& key, const std::string& text);
  virtual std::string ReadText(const std::string& key, const std::string& defaultText);
  virtual bool WriteNumber(const std::string& key, double number);
  // Text that is not a number reads as 0 (the leading number is taken).
  virtual double ReadNumber(const std::string& key, double defaultNumber);
  virtual bool WriteBool(const std::string& key, bool value);
  // True exactly when the stored text is "真".
  virtual bool ReadBool(const std::string& key, bool defaultValue);
  // From here to the matching EndBatch writes change only the buffer;
  // EndBatch then writes the whole buffer to the file once. Pairs nest: the
  // outermost EndBatch writes. False, with WriteError set, when the text did
  // not reach the file.
  virtual void BeginBatch();
  virtual bool EndBatch();
  virtual bool SaveCheckBox(const ToggleControl& control);
  virtual bool LoadCheckBox(ToggleControl& control);
  virtual bool SaveRadioButton(const ToggleControl& control);
  virtual bool LoadRadioButton(ToggleControl& control);

  void SetMessagePump(MessagePump pump) { messagePump_ = std::move(pump); }
  void SetMessageBox(MessageBoxFn messageBox) { messageBox_ = std::move(messageBox); }
  // The file operations behind the store; the system's files unless a test
  // hands in others. The disk must outlive the store.
  void SetDisk(ConfigDisk& disk) { disk_ = &disk; }

  // Why the last failed write since ClearWriteError did not reach the file
  // (GBK, the system's words where it gave any); empty while every write
  // did. A store without a file of its own (a copy, or one never loaded)
  // writes to its buffer only, and that is no failure.
  const std::string& WriteError() const { return writeError_; }
  void ClearWriteError() { writeError_.clear(); }

  const std::string& Content() const { return content_; }
  bool IsFileOpen() const { return file_ != nullptr; }
  bool IsBusy() const { return busy_ != 0; }

 private:
  struct PendingWrite {
    int kind;  // 0: a value to write
    std::string section;
    std::string key;
    std::string value;
  };

  // Where a key's value lies in the buffer.
  struct Lookup {
    bool sectionFound = false;
    size_t headerEnd = 0;  // the header's "]"
    bool keyFound = false;
    size_t valueBegin = 0;
    size_t valueEnd = 0;  // one past the value's last byte
  };

  // One search pass from `searchFrom`: the first header of `section` that
  // begins a line, and the key within it. Headers that do not begin a line
  // move `searchFrom` behind them and make the pass report `retry`.
  Lookup Search(const std::string& section, const std::string& key, size_t* searchFrom, bool* retry) const;
  int WriteNow(const std::string& section, const std::string& key, const std::string& value);
  // The buffer edit of WriteNow.
  int EditBuffer(const std::string& section, const std::string& key, const std::string& value);
  // Takes the backup into the buffer when it is sound; says so.
  void LoadBackup();
  // Replaces the file by the buffer, keeping the file's previous text as the
  // backup. True when the text is in the file, or the store has no file of
  // its own; otherwise false with the reason in `reason`. The file is the
  // same as before a failed save, and is held again after either.
  bool SaveBuffer(std::string* reason);
  int Fail(const std::string& reason);
  void Pump();
  void ReportRunaway();

  std::string content_;
  std::unique_ptr<ConfigFile> file_;
  FilePath fileName_;
  int32_t busy_ = 0;
  std::deque<PendingWrite> pendingWrites_;
  FilePath storePath_;
  std::string sectionName_;

  MessagePump messagePump_;
  MessageBoxFn messageBox_;
  ConfigDisk* disk_;
  // Changes whenever the buffer is replaced as a whole (Close, Load,
  // CopyFrom), so a search interrupted by the pump can tell.
  uint64_t generation_ = 0;
  // Why the loaded file is not held for writing (it could not be opened so,
  // or not again after a save); every write fails with it until the next
  // Load.
  std::string fileError_;
  std::string writeError_;
  // What the file holds as far as it is worth keeping: the text loaded or
  // last saved. Empty for a torn or unreadable file, which never displaces
  // the backup.
  std::string savedText_;
  int batchDepth_ = 0;
};

// "\r\n" to "┊*┊" and back.
std::string EscapeConfigText(const std::string& text);
std::string UnescapeConfigText(const std::string& text);
// Decimal text of a number: whole numbers without a point, fractions as the
// shortest text that reads back as the same double, never in exponent form.
std::string FormatConfigNumber(double number);

}  // namespace movrel
