#include "config/settings.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "common/number.h"

namespace movrel {

namespace {

using T = SettingType;
using P = SettingProperty;

const char kWatermarkEdit[] = "编辑框文字内容";
const char kFontDialog[] = "对话框字体";
const char kWatermarkBackgroundPicker[] = "颜色选择器文字水印背景色";
// The last of the watermark's original font keys: once it is loaded, the
// font and colours are copied to where the user edits them.
const char kFontSizeKey[] = "文字.字体大小";
// The GIF save dialog's path (not the frame folder, 保存路径) is read after
// settingsLoading is cleared.
const char kAnimationPathKey[] = "合成路径";

}  // namespace

const SettingKey kSettingsKeys[kSettingsKeyCount] = {
    {"选择框录制区域", T::kBoolean, "选择框录制区域", P::kChecked, -1},
    {"矩形.左边", T::kText, "编辑框左边", P::kText, -1},
    {"矩形.顶边", T::kText, "编辑框顶边", P::kText, -1},
    // The width and height, whatever the key names say.
    {"矩形.右边", T::kText, "编辑框宽度", P::kText, -1},
    {"矩形.底边", T::kText, "编辑框高度", P::kText, -1},
    {"选择框跟随鼠标", T::kBoolean, "选择框跟随鼠标", P::kChecked, -1},
    {"选择框显示外框", T::kBoolean, "选择框显示外框", P::kChecked, -1},
    {"单选框标准", T::kBoolean, "单选框标准", P::kSelected, -1},
    {"单选框稍逊", T::kBoolean, "单选框稍逊", P::kSelected, -1},
    {"帧间隔", T::kText, "编辑框帧间隔", P::kText, -1},
    {"间隔单位", T::kNumber, "组合框间隔单位", P::kListIndex, -1},
    {"帧缩放", T::kNumber, "组合框缩放", P::kListIndex, -1},
    {"帧变速", T::kText, "编辑框每帧变速", P::kText, -1},
    {"变速单位", T::kNumber, "组合框变速单位", P::kListIndex, -1},
    {"静态画面", T::kNumber, "组合框静态画面", P::kListIndex, -1},
    {"播放次数", T::kNumber, "组合框播放次数", P::kListIndex, -1},
    // Item 8 holds the loop count the user chose, in its text.
    {"播放次数指定值", T::kText, "组合框播放次数", P::kListItemText, 8},
    {"选择框显示鼠标", T::kBoolean, "选择框显示鼠标", P::kChecked, -1},
    {"光标文件", T::kText, "编辑框光标文件", P::kText, -1},
    {"选择框图像水印", T::kBoolean, "选择框图像水印", P::kChecked, -1},
    {"图像文件", T::kText, "编辑框图像文件", P::kText, -1},
    {"透明颜色", T::kNumber, "颜色选择器图像水印透明色", P::kPickerColour, -1},
    {"选择框文字水印", T::kBoolean, "选择框文字水印", P::kChecked, -1},
    {"文字内容", T::kText, "编辑框文字内容", P::kText, -1},
    {"水印方位", T::kNumber, "组合框水印方位", P::kListIndex, -1},
    {"边缘距离", T::kText, "编辑框边缘距离", P::kText, -1},
    {"文字.背景色", T::kNumber, "编辑框文字内容", P::kBackgroundColour, -1},
    {"文字.字色", T::kNumber, "编辑框文字内容", P::kTextColour, -1},
    {"文字.加粗", T::kBoolean, "编辑框文字内容", P::kFontBold, -1},
    {"文字.倾斜", T::kBoolean, "编辑框文字内容", P::kFontItalic, -1},
    {"文字.删除线", T::kBoolean, "编辑框文字内容", P::kFontStrikeOut, -1},
    {"文字.下划线", T::kBoolean, "编辑框文字内容", P::kFontUnderline, -1},
    {"文字.字体名称", T::kText, "编辑框文字内容", P::kFontFace, -1},
    {"文字.字体大小", T::kNumber, "编辑框文字内容", P::kFontSize, -1},
    {"选择框停止帧数", T::kBoolean, "选择框停止帧数", P::kChecked, -1},
    {"帧数", T::kText, "编辑框帧数", P::kText, -1},
    {"选择框停止时间", T::kBoolean, "选择框停止时间", P::kChecked, -1},
    {"时间", T::kText, "编辑框时间", P::kText, -1},
    {"时间单位", T::kNumber, "组合框时间单位", P::kListIndex, -1},
    {"选择框录制倒计时", T::kBoolean, "选择框录制倒计时", P::kChecked, -1},
    {"倒计时值", T::kText, "编辑框倒计时值", P::kText, -1},
    {"选择框缩到托盘", T::kBoolean, "选择框缩到托盘", P::kChecked, -1},
    {"选择框保存帧", T::kBoolean, "选择框保存帧", P::kChecked, -1},
    {"保存路径", T::kText, "编辑框保存路径", P::kText, -1},
    {"保存格式", T::kNumber, "组合框保存格式", P::kListIndex, -1},
    {"选择框自动清空帧", T::kBoolean, "选择框自动清空帧", P::kChecked, -1},
    {"合成路径", T::kText, "对话框保存动画", P::kDialogFileName, -1},
    // Added after the others: older files lack them, so the box stays
    // checked and the font keeps the set and weight the edit starts with
    // (the weight as the bold flag says).
    {"选择框精简GIF", T::kBoolean, "选择框精简GIF", P::kChecked, -1},
    {"文字.字符集", T::kNumber, "编辑框文字内容", P::kFontCharSet, -1},
    {"文字.粗细", T::kNumber, "编辑框文字内容", P::kFontWeight, -1},
    // The compact GIF's dithering and lossy level and the size limit: files
    // without them save as before (no dithering, lossless, no limit).
    {"选择框抖动", T::kBoolean, "选择框抖动", P::kChecked, -1},
    {"有损压缩", T::kText, "编辑框有损压缩", P::kText, -1},
    {"大小上限", T::kText, "编辑框大小上限", P::kText, -1},
    // Clicks and keys drawn into recordings: off in older files.
    {"选择框显示鼠标点击", T::kBoolean, "选择框显示鼠标点击", P::kChecked, -1},
    {"选择框显示按键", T::kBoolean, "选择框显示按键", P::kChecked, -1},
};

namespace {

// A check box or radio button of the main window, seen through the store's
// toggle interface.
class NamedToggle : public ToggleControl {
 public:
  NamedToggle(SettingsControls& controls, const std::string& name) : controls_(controls), name_(name) {}
  std::string ControlName() const override { return name_; }
  bool IsChecked() const override { return controls_.GetChecked(name_); }
  void SetChecked(bool checked) override { controls_.SetChecked(name_, checked); }

 private:
  SettingsControls& controls_;
  std::string name_;
};

bool IsColour(double value) { return value >= 0.0 && value <= static_cast<double>(0x00FFFFFF); }

// Pickers and the watermark background may also hold "透明色" (no colour).
constexpr uint32_t kNoColour = 0xFF000000;
bool IsColourOrNone(double value) { return IsColour(value) || value == static_cast<double>(kNoColour); }

bool* FontFlag(WatermarkFont& font, SettingProperty property) {
  switch (property) {
    case P::kFontBold: return &font.bold;
    case P::kFontItalic: return &font.italic;
    case P::kFontStrikeOut: return &font.strikeOut;
    case P::kFontUnderline: return &font.underline;
    default: return nullptr;
  }
}

// Reads one key into its control, with the control's current value as the
// default. A number the control cannot take (an index outside the list, a
// colour outside 24 bits, a font height that is no height) leaves it as it
// is.
void LoadKey(ConfigStore& store, SettingsControls& controls, const SettingKey& k) {
  const std::string control = k.control;
  switch (k.property) {
    case P::kChecked: {
      NamedToggle toggle(controls, control);
      store.LoadCheckBox(toggle);
      break;
    }
    case P::kSelected: {
      NamedToggle toggle(controls, control);
      store.LoadRadioButton(toggle);
      break;
    }
    case P::kText:
      controls.SetText(control, store.ReadText(k.key, controls.GetText(control)));
      break;
    case P::kListIndex: {
      int32_t index = TruncToInt(store.ReadNumber(k.key, controls.GetListIndex(control)));
      if (index >= 0 && index < controls.GetListCount(control)) controls.SetListIndex(control, index);
      break;
    }
    case P::kListItemText:
      if (k.item < controls.GetListCount(control)) {
        controls.SetListItemText(control, k.item, store.ReadText(k.key, controls.GetListItemText(control, k.item)));
      }
      break;
    case P::kPickerColour: {
      double colour = store.ReadNumber(k.key, controls.GetPickerColour(control));
      if (IsColourOrNone(colour)) controls.SetPickerColour(control, static_cast<uint32_t>(colour));
      break;
    }
    case P::kTextColour: {
      double colour = store.ReadNumber(k.key, controls.GetTextColour(control));
      if (IsColour(colour)) controls.SetTextColour(control, static_cast<uint32_t>(colour));
      break;
    }
    case P::kBackgroundColour: {
      double colour = store.ReadNumber(k.key, controls.GetBackgroundColour(control));
      if (IsColourOrNone(colour)) controls.SetBackgroundColour(control, static_cast<uint32_t>(colour));
      break;
    }
    case P::kFontBold:
    case P::kFontItalic:
    case P::kFontStrikeOut:
    case P::kFontUnderline: {
      WatermarkFont font = controls.GetFont(control);
      bool* flag = FontFlag(font, k.property);
      *flag = store.ReadBool(k.key, *flag);
      // A file without a weight says only bold or not: the weight follows
      // the flag unless it already agrees with it (a later key may still
      // give the exact weight).
      if (font.bold != (font.weight >= kBoldFontWeight)) font.weight = font.bold ? kBoldFontWeight : kNormalFontWeight;
      controls.SetFont(control, font);
      break;
    }
    case P::kFontFace: {
      WatermarkFont font = controls.GetFont(control);
      std::string face = store.ReadText(k.key, font.faceName);
      // An empty face would let the system pick any font.
      if (!face.empty()) font.faceName = face;
      controls.SetFont(control, font);
      break;
    }
    case P::kFontSize: {
      WatermarkFont font = controls.GetFont(control);
      int32_t height = TruncToInt(store.ReadNumber(k.key, font.heightPx));
      if (height >= 1 && height <= kMaxFontHeightPx) font.heightPx = height;
      controls.SetFont(control, font);
      break;
    }
    case P::kDialogFileName:
      controls.SetDialogFileName(control, store.ReadText(k.key, controls.GetDialogFileName(control)));
      break;
    case P::kFontCharSet: {
      WatermarkFont font = controls.GetFont(control);
      int32_t charSet = TruncToInt(store.ReadNumber(k.key, font.charSet));
      if (charSet >= 0 && charSet <= 255) font.charSet = charSet;
      controls.SetFont(control, font);
      break;
    }
    case P::kFontWeight: {
      WatermarkFont font = controls.GetFont(control);
      int32_t weight = TruncToInt(store.ReadNumber(k.key, font.weight));
      if (weight >= 1 && weight <= kMaxFontWeight) {
        font.weight = weight;
        font.bold = weight >= kBoldFontWeight;
      }
      controls.SetFont(control, font);
      break;
    }
  }
}

bool SaveKey(ConfigStore& store, SettingsControls& controls, const SettingKey& k) {
  const std::string control = k.control;
  switch (k.property) {
    case P::kChecked: return store.SaveCheckBox(NamedToggle(controls, control));
    case P::kSelected: return store.SaveRadioButton(NamedToggle(controls, control));
    case P::kText: return store.WriteText(k.key, controls.GetText(control));
    case P::kListIndex: return store.WriteNumber(k.key, controls.GetListIndex(control));
    case P::kListItemText: return store.WriteText(k.key, controls.GetListItemText(control, k.item));
    case P::kPickerColour: return store.WriteNumber(k.key, controls.GetPickerColour(control));
    case P::kTextColour: return store.WriteNumber(k.key, controls.GetTextColour(control));
    case P::kBackgroundColour: return store.WriteNumber(k.key, controls.GetBackgroundColour(control));
    case P::kFontBold:
    case P::kFontItalic:
    case P::kFontStrikeOut:
    case P::kFontUnderline: {
      WatermarkFont font = controls.GetFont(control);
      return store.WriteBool(k.key, *FontFlag(font, k.property));
    }
    case P::kFontFace: return store.WriteText(k.key, controls.GetFont(control).faceName);
    case P::kFontSize: return store.WriteNumber(k.key, controls.GetFont(control).heightPx);
    case P::kDialogFileName: return store.WriteText(k.key, controls.GetDialogFileName(control));
    case P::kFontCharSet: return store.WriteNumber(k.key, controls.GetFont(control).charSet);
    case P::kFontWeight: return store.WriteNumber(k.key, controls.GetFont(control).weight);
  }
  return false;
}

// The radio buttons of one group follow each other in the table. A file in
// which none or several of them are selected would leave the group in a
// state the user cannot make; the group then keeps the states it had.
void CheckRadioGroup(SettingsControls& controls, const std::vector<std::pair<std::string, bool>>& before) {
  int selected = 0;
  for (const auto& button : before) selected += controls.GetChecked(button.first) ? 1 : 0;
  if (selected == 1) return;
  for (const auto& button : before) controls.SetChecked(button.first, button.second);
}

// The rectangle edits, in the order of RecordRect's fields.
constexpr const char* kRectEdits[] = {"编辑框左边", "编辑框顶边", "编辑框宽度", "编辑框高度"};

void KeepRectangleOnDesktop(SettingsControls& controls, const Desktop& desktop) {
  const RecordRect rect{LeadingInt(controls.GetText(kRectEdits[0])), LeadingInt(controls.GetText(kRectEdits[1])),
                        LeadingInt(controls.GetText(kRectEdits[2])), LeadingInt(controls.GetText(kRectEdits[3]))};
  const RecordRect kept = KeepOnDesktop(rect, desktop);
  if (kept.left == rect.left && kept.top == rect.top && kept.width == rect.width && kept.height == rect.height) return;
  SettingsLoadingScope loading(controls);
  const int32_t values[] = {kept.left, kept.top, kept.width, kept.height};
  for (int i = 0; i < 4; ++i) controls.SetText(kRectEdits[i], std::to_string(values[i]));
}

}  // namespace

void LoadSettings(ConfigStore& store, SettingsControls& controls, const Desktop& desktop) {
  store.SetSection(kSettingsSection);
  SettingsLoadingScope loading(controls);
  std::vector<std::pair<std::string, bool>> radioGroup;
  for (size_t i = 0; i < kSettingsKeyCount; ++i) {
    const SettingKey& k = kSettingsKeys[i];
    if (std::strcmp(k.key, kAnimationPathKey) == 0) loading.End();
    if (k.property == P::kSelected) radioGroup.emplace_back(k.control, controls.GetChecked(k.control));
    LoadKey(store, controls, k);
    bool groupEnds = i + 1 == kSettingsKeyCount || kSettingsKeys[i + 1].property != P::kSelected;
    if (!radioGroup.empty() && groupEnds) {
      CheckRadioGroup(controls, radioGroup);
      radioGroup.clear();
    }
    if (std::strcmp(k.key, kFontSizeKey) == 0) {
      WatermarkFont font = controls.GetFont(kWatermarkEdit);
      controls.SetFontDialog(kFontDialog, font, controls.GetTextColour(kWatermarkEdit));
      controls.SetPickerColour(kWatermarkBackgroundPicker, controls.GetBackgroundColour(kWatermarkEdit));
    }
  }
  // The font keys appended behind the others change the font after that
  // copy; the dialog must open with the font the edit shows.
  controls.SetFontDialog(kFontDialog, controls.GetFont(kWatermarkEdit), controls.GetTextColour(kWatermarkEdit));
  KeepRectangleOnDesktop(controls, desktop);
  controls.RefreshDependentControls(true);
}

bool SaveSettings(ConfigStore& store, SettingsControls& controls) {
  store.SetSection(kSettingsSection);
  // The keys go into the buffer one by one, with window events between
  // them, and reach the file together: the file never holds half a save.
  store.BeginBatch();
  bool all = true;
  for (const SettingKey& k : kSettingsKeys) all = SaveKey(store, controls, k) && all;
  const bool written = store.EndBatch();
  return written && all;
}

}  // namespace movrel
