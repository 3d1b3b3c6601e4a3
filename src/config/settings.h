// The settings file: which keys exist, in which order they are read and
// written, and which control property each one belongs to.
//
// The main window implements SettingsControls; LoadSettings copies the file
// into the controls once the window exists, SaveSettings copies the controls
// into the file ("保存配置" and shutdown). Every read passes the control's
// current value as the default, so a missing key, or a value that the
// control cannot take, leaves the control at its initial value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/desktop.h"
#include "config/config_store.h"

namespace movrel {

constexpr char kSettingsFileName[] = "Movrel.ini";
constexpr char kSettingsSection[] = "主界面";

enum class SettingType { kBoolean, kText, kNumber };

enum class SettingProperty {
  kChecked,          // check box state; the key is the control's name
  kSelected,         // radio button state; the key is the control's name
  kText,             // an edit's text
  kListIndex,        // a drop-down list's selected index
  kListItemText,     // the text of list item `item`
  kPickerColour,     // a colour picker's colour
  kTextColour,       // an edit's text colour
  kBackgroundColour, // an edit's background colour
  kFontBold,         // the following six: parts of an edit's font
  kFontItalic,
  kFontStrikeOut,
  kFontUnderline,
  kFontFace,
  kFontSize,
  kDialogFileName,   // the file name a file dialog last used
  kFontCharSet,      // two more parts of the font, added later
  kFontWeight,
};

struct SettingKey {
  const char* key;
  SettingType type;
  const char* control;
  SettingProperty property;
  int item;  // list item for kListItemText, otherwise -1
};

constexpr size_t kSettingsKeyCount = 55;
// The keys in the order in which they are written and read.
extern const SettingKey kSettingsKeys[kSettingsKeyCount];

constexpr int32_t kDefaultFontCharSet = 1;  // any set the face has
constexpr int32_t kNormalFontWeight = 400;
constexpr int32_t kBoldFontWeight = 700;
constexpr int32_t kMaxFontWeight = 1000;

// The watermark edit's font.
struct WatermarkFont {
  std::string faceName;
  // Stored under "文字.字体大小": the character height in pixels, that is
  // minus the LOGFONT height (the edit's initial font has height -15, so 15).
  // Pixels, unlike points, need no screen resolution to convert, so a saved
  // font comes back with exactly the height it had. Stored values outside
  // 1..kMaxFontHeightPx are not taken.
  int32_t heightPx = 0;
  bool bold = false;
  bool italic = false;
  bool strikeOut = false;
  bool underline = false;
  // The face's character set (0..255): a Latin face asked for with the
  // Chinese set would be replaced by another face. Stored under "文字.字符集".
  int32_t charSet = kDefaultFontCharSet;
  // 1..1000; "bold" is 700 and above. Stored under "文字.粗细" beside the
  // older bold flag, which keeps its key for older copies of the program.
  int32_t weight = kNormalFontWeight;
};

constexpr int32_t kMaxFontHeightPx = 1000;

// What LoadSettings and SaveSettings need of the main window. Controls are
// named by their Chinese control names (GBK), as in kSettingsKeys.
class SettingsControls {
 public:
  virtual ~SettingsControls() = default;

  // Edits; a multi-line edit's lines are joined by "\r\n".
  virtual std::string GetText(const std::string& control) const = 0;
  virtual void SetText(const std::string& control, const std::string& text) = 0;

  // Check boxes and radio buttons. SetChecked changes only the named button
  // (as BM_SETCHECK does); LoadSettings keeps a radio group consistent itself.
  virtual bool GetChecked(const std::string& control) const = 0;
  virtual void SetChecked(const std::string& control, bool checked) = 0;

  // Drop-down lists. SetListIndex is only called with 0 <= index < count.
  // SetListItemText replaces an item's text and keeps the selection.
  virtual int GetListCount(const std::string& control) const = 0;
  virtual int GetListIndex(const std::string& control) const = 0;
  virtual void SetListIndex(const std::string& control, int index) = 0;
  virtual std::string GetListItemText(const std::string& control, int index) const = 0;
  virtual void SetListItemText(const std::string& control, int index, const std::string& text) = 0;

  // Colours are COLORREF values 0x00BBGGRR; pickers and the background may
  // also be 0xFF000000, "透明色" (no colour).
  // The picker pair is a colour picker's colour; the other two pairs are the
  // text and background colours of an edit (the watermark text edit).
  virtual uint32_t GetPickerColour(const std::string& control) const = 0;
  virtual void SetPickerColour(const std::string& control, uint32_t colour) = 0;
  virtual uint32_t GetTextColour(const std::string& control) const = 0;
  virtual void SetTextColour(const std::string& control, uint32_t colour) = 0;
  virtual uint32_t GetBackgroundColour(const std::string& control) const = 0;
  virtual void SetBackgroundColour(const std::string& control, uint32_t colour) = 0;

  // An edit's font (the watermark text edit). SetFont is called once per
  // font key while loading, each time with the whole font.
  virtual WatermarkFont GetFont(const std::string& control) const = 0;
  virtual void SetFont(const std::string& control, const WatermarkFont& font) = 0;

  // The font dialog: the font and text colour it opens with next time.
  virtual void SetFontDialog(const std::string& dialog, const WatermarkFont& font, uint32_t textColour) = 0;

  // A file dialog's file name (the GIF save dialog's last path).
  virtual std::string GetDialogFileName(const std::string& dialog) const = 0;
  virtual void SetDialogFileName(const std::string& dialog, const std::string& path) = 0;

  // While set, the controls' change handlers do nothing.
  virtual void SetSettingsLoading(bool loading) = 0;
  virtual void RefreshDependentControls(bool refreshPreview) = 0;
};

// Sets the controls' settingsLoading for its lifetime, or until End: a load
// that stops half-way (a throw) never leaves the change handlers off.
class SettingsLoadingScope {
 public:
  explicit SettingsLoadingScope(SettingsControls& controls) : controls_(&controls) {
    controls.SetSettingsLoading(true);
  }
  ~SettingsLoadingScope() { End(); }
  SettingsLoadingScope(const SettingsLoadingScope&) = delete;
  SettingsLoadingScope& operator=(const SettingsLoadingScope&) = delete;
  void End() {
    if (controls_) controls_->SetSettingsLoading(false);
    controls_ = nullptr;
  }

 private:
  SettingsControls* controls_;
};

// Reads every key into the controls in table order: section "主界面",
// settingsLoading set, keys 1..46 with the watermark font and background
// colour copied to the font dialog and the background picker after key 34
// ("文字.字体大小"), settingsLoading cleared just before "合成路径" (key 47),
// the keys after it (48 "选择框精简GIF", 49 "文字.字符集", 50 "文字.粗细",
// 51 "选择框抖动", 52 "有损压缩", 53 "大小上限"), the font copied to the font
// dialog once more after the last key; a record rectangle that lies on no
// monitor of `desktop` (its monitor is gone) is moved onto the primary, the
// four edits written with settingsLoading set; then RefreshDependentControls
// with preview refresh.
void LoadSettings(ConfigStore& store, SettingsControls& controls, const Desktop& desktop);

// Writes every key from the controls' current values, in order, and the
// file once at the end. True when every write was carried out at once and
// the file was written.
bool SaveSettings(ConfigStore& store, SettingsControls& controls);

}  // namespace movrel
