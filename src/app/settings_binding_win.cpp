#include "app/settings_binding_win.h"

#include <windows.h>

#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "config/settings.h"
#include "ui/message_box_win.h"

namespace movrel {
namespace {

// The main window as the settings code sees it: controls by their names.
class MainWindowControls : public SettingsControls {
 public:
  std::string GetText(const std::string& control) const override { return ControlText(Find(control)); }
  void SetText(const std::string& control, const std::string& text) override { SetControlText(Find(control), text); }

  bool GetChecked(const std::string& control) const override { return IsChecked(Find(control)); }
  void SetChecked(const std::string& control, bool checked) override {
    // Only the named button: the loader keeps the radio pair consistent.
    SendMessageW(ControlWindow(Find(control)), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  }

  int GetListCount(const std::string& control) const override {
    return static_cast<int>(SendMessageW(ControlWindow(Find(control)), CB_GETCOUNT, 0, 0));
  }
  int GetListIndex(const std::string& control) const override { return ListIndex(Find(control)); }
  void SetListIndex(const std::string& control, int index) override { movrel::SetListIndex(Find(control), index); }
  std::string GetListItemText(const std::string& control, int index) const override {
    return ListItemText(Find(control), index);
  }
  void SetListItemText(const std::string& control, int index, const std::string& text) override {
    movrel::SetListItemText(Find(control), index, text);
  }

  uint32_t GetPickerColour(const std::string& control) const override { return PickerColour(Find(control)); }
  void SetPickerColour(const std::string& control, uint32_t colour) override {
    movrel::SetPickerColour(Find(control), colour);
  }
  uint32_t GetTextColour(const std::string&) const override { return Main().watermark.textColour; }
  void SetTextColour(const std::string&, uint32_t colour) override {
    WatermarkStyle style = Main().watermark;
    style.textColour = colour;
    SetWatermarkStyle(style);
  }
  uint32_t GetBackgroundColour(const std::string&) const override { return Main().watermark.backColour; }
  void SetBackgroundColour(const std::string&, uint32_t colour) override {
    WatermarkStyle style = Main().watermark;
    style.backColour = colour;
    SetWatermarkStyle(style);
  }

  WatermarkFont GetFont(const std::string&) const override { return FromLogFont(Main().watermark.font); }
  void SetFont(const std::string&, const WatermarkFont& font) override {
    WatermarkStyle style = Main().watermark;
    ToLogFont(font, &style.font);
    SetWatermarkStyle(style);
  }
  void SetFontDialog(const std::string&, const WatermarkFont& font, uint32_t textColour) override {
    ToLogFont(font, &Main().fontDialogFont);
    Main().fontDialogColour = textColour;
  }

  std::string GetDialogFileName(const std::string&) const override { return Main().saveDialogPath; }
  void SetDialogFileName(const std::string&, const std::string& path) override { Main().saveDialogPath = path; }

  void SetSettingsLoading(bool loading) override { Globals().settingsLoading = loading; }
  void RefreshDependentControls(bool refreshPreview) override { movrel::RefreshDependentControls(refreshPreview); }

 private:
  static ControlIndex Find(const std::string& name) { return FindControl(name); }

  // The stored font height is in pixels at 96 DPI, the unit the edit's font
  // is kept in (it is scaled only when shown).
  static WatermarkFont FromLogFont(const LOGFONTW& lf) {
    WatermarkFont font;
    font.faceName = ToGbk(lf.lfFaceName);
    font.heightPx = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    font.bold = lf.lfWeight >= FW_BOLD;
    font.italic = lf.lfItalic != 0;
    font.strikeOut = lf.lfStrikeOut != 0;
    font.underline = lf.lfUnderline != 0;
    font.charSet = lf.lfCharSet;
    // FW_DONTCARE (0) draws as normal.
    font.weight = lf.lfWeight > 0 ? lf.lfWeight : kNormalFontWeight;
    return font;
  }
  static void ToLogFont(const WatermarkFont& font, LOGFONTW* lf) {
    std::wstring face = ToWide(font.faceName);
    if (!face.empty() && face.size() < LF_FACESIZE) {
      wcsncpy(lf->lfFaceName, face.c_str(), LF_FACESIZE - 1);
      lf->lfFaceName[LF_FACESIZE - 1] = L'\0';
    }
    if (font.heightPx > 0) lf->lfHeight = -font.heightPx;
    // The exact weight when it agrees with the bold flag; otherwise the
    // flag decides.
    const bool weightFits = font.weight >= 1 && font.weight <= kMaxFontWeight &&
                            (font.weight >= kBoldFontWeight) == font.bold;
    lf->lfWeight = weightFits ? font.weight : (font.bold ? FW_BOLD : FW_NORMAL);
    if (font.charSet >= 0 && font.charSet <= 255) lf->lfCharSet = static_cast<BYTE>(font.charSet);
    lf->lfItalic = font.italic;
    lf->lfStrikeOut = font.strikeOut;
    lf->lfUnderline = font.underline;
  }
};

}  // namespace

ConfigStore& SettingsStore() {
  static ConfigStore store;
  return store;
}

void OpenSettingsStore() {
  ConfigStore& store = SettingsStore();
  store.SetMessageBox(
      [](const std::string& text, unsigned flags, const std::string& caption) { return ShowMessage(text, flags, caption); });
  store.SetMessagePump(PumpPendingMessages);
  store.Open(Globals().settingsFilePath);
}

void LoadAllSettings() {
  MainWindowControls controls;
  LoadSettings(SettingsStore(), controls, ReadDesktop());
}

bool SaveAllSettings() {
  MainWindowControls controls;
  ConfigStore& store = SettingsStore();
  store.ClearWriteError();
  SaveSettings(store, controls);
  // A write that only had to wait in the queue is carried out later all the
  // same; only a write that failed makes the save a failure, told once for
  // all the keys.
  if (store.WriteError().empty()) return true;
  ShowMessage(SettingsSaveFailedText(Globals().settingsFilePath.Gbk(), store.WriteError()), kMbIconError);
  return false;
}

}  // namespace movrel
