// The main window's commands: what a click, a changed edit, a list choice
// or a right click on one of its controls does.
#include "app/main_window_internal_win.h"

#include <commdlg.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "common/gbk_win.h"
#include "common/product.h"
#include "output/compose_win.h"
#include "output/preview_window_win.h"
#include "output/shell_handoff_win.h"
#include "record/composer_rules.h"
#include "record/recording_rules.h"
#include "record/recording_win.h"
#include "select/select_entry_win.h"
#include "ui/message_box_win.h"
#include "ui/modal_loop.h"
#include "ui/text_entry_dialog_win.h"
#include "ui/ui_win.h"

namespace movrel {
namespace main_window {
namespace {

// Edits whose text feeds the sample frame.
bool FeedsFrame(ControlIndex i) {
  switch (i) {
    case 编辑框左边:
    case 编辑框顶边:
    case 编辑框宽度:
    case 编辑框高度:
    case 编辑框边缘距离:
    case 编辑框光标文件:
    case 编辑框图像文件:
    case 编辑框文字内容:
      return true;
    default:
      return false;
  }
}

// Controls whose settings shape the saved file, and so the preview's size
// estimate.
bool ShapesFile(ControlIndex i) {
  switch (i) {
    case 选择框精简GIF:
    case 选择框抖动:
    case 编辑框有损压缩:
    case 编辑框大小上限:
    case 组合框播放次数:
      return true;
    default:
      return false;
  }
}

// A picked file that the recording will read whole: refused with a message
// when it cannot be read or is larger than any file of its kind.
bool AcceptPickedFile(const std::string& path, uint64_t maxBytes) {
  std::string bytes;
  const ImportRead read = ReadImportFile(path, maxBytes, &bytes);
  if (read == ImportRead::kRead) return true;
  ShowMessage(ImportRefusedText(path, read == ImportRead::kTooLarge, maxBytes), kMbIconExclamation);
  return false;
}

void OnChooseCursorFile() {
  std::vector<std::string> paths;
  if (AskOpenFile(Main().window, "选择鼠标文件(CUR)", "鼠标指针(CUR)|*.cur", false, &paths) &&
      AcceptPickedFile(paths.front(), kMaxCursorFileBytes)) {
    SetControlText(编辑框光标文件, paths.front());
  }
}

void OnChooseImageFile() {
  std::vector<std::string> paths;
  if (AskOpenFile(Main().window, "选择用作水印的图片文件",
                  "BMP图片|*.bmp|JPG图片|*.jpg|GIF图片|*.gif|PNG图片|*.png|图标(ICO)|*.ico|鼠标指针(CUR)|*.cur|"
                  "所有支持文件|*.bmp;*.jpg;*.gif;*.ico;*.cur;*.png|全部文件|*.*",
                  false, &paths) &&
      AcceptPickedFile(paths.front(), kMaxWatermarkPictureBytes)) {
    SetControlText(编辑框图像文件, paths.front());
  }
}

void OnEnterWatermarkText() {
  std::string text;
  if (TextEntryDialog("请输入水印的文字内容，可以引用 #年、#月、#日、#时、#分、#秒", "",
                      ControlText(编辑框文字内容), false, Main().window, &text)) {
    SetControlText(编辑框文字内容, text);
  }
  RefreshFramePreview();
}

void OnChooseFont() {
  MainWindow& w = Main();
  // The dialog works in the window's DPI; the stored font is at 96 DPI.
  LOGFONTW lf = w.fontDialogFont;
  lf.lfHeight = MulDiv(lf.lfHeight, static_cast<int>(w.dpi), 96);
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = w.window;
  cf.lpLogFont = &lf;
  cf.rgbColors = w.fontDialogColour;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
  {
    ModalLoopGuard modal;
    if (!ChooseFontW(&cf)) return;
  }
  lf.lfHeight = MulDiv(lf.lfHeight, 96, static_cast<int>(w.dpi));
  w.fontDialogFont = lf;
  w.fontDialogColour = cf.rgbColors;
  WatermarkStyle style = w.watermark;
  style.font = lf;
  style.textColour = cf.rgbColors;
  SetWatermarkStyle(style);
  RefreshFramePreview();
}

bool AskColour(HWND owner, COLORREF* colour) {
  static COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = owner;
  cc.rgbResult = *colour == kTransparentColour ? RGB(255, 255, 255) : *colour;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  ModalLoopGuard modal;
  if (!ChooseColorW(&cc)) return false;
  *colour = cc.rgbResult;
  return true;
}

void OnColourPickerClicked(ControlIndex index) {
  MainWindow& w = Main();
  COLORREF colour = w.pickerColours[index];
  enum { kPick = 1, kTransparent = 2 };
  int choice = kPick;
  if (Control(index).allowsTransparent) {
    // A small menu under the picker: a colour of the user's choice, or none.
    UniqueMenu owned(CreatePopupMenu());
    HMENU menu = owned.get();
    AppendMenuW(menu, MF_STRING, kPick, ToWide("选择颜色..").c_str());
    AppendMenuW(menu, MF_STRING | (colour == kTransparentColour ? MF_CHECKED : 0), kTransparent,
                ToWide("透明色").c_str());
    RECT r{};
    GetWindowRect(w.controls[index], &r);
    {
      ModalLoopGuard modal;  // the menu's own loop
      choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, w.window,
                              nullptr);
    }
  }
  if (choice == kTransparent) {
    colour = kTransparentColour;
  } else if (choice != kPick || !AskColour(w.window, &colour)) {
    return;
  }
  SetPickerColour(index, colour);
  if (index == 颜色选择器文字水印背景色) {
    WatermarkStyle style = w.watermark;
    style.backColour = colour;
    SetWatermarkStyle(style);
  }
  RefreshFramePreview();
}

void OnSaveSettingsClicked() {
  // A failed save has told the user why.
  if (SaveAllSettings()) ShowMessage("保存完毕！");
}

void OnFeatureNotesClicked() {
  std::string unused;
  TextEntryDialog("", "疑点说明", FeatureNotes(), true, Main().window, &unused);
}

void OnHomePageClicked() { ShellExecuteW(Main().window, L"open", ToWide(kHomePageUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL); }

// 按钮选择帧路径: a click chooses the frame folder, a right click opens it in
// a new file-manager window.
void OnFrameFolderClicked() {
  const std::string chosen = ChooseFrameFolder(ControlText(编辑框保存路径));
  if (!chosen.empty()) SetControlText(编辑框保存路径, chosen);
}

void OnFrameFolderRightClicked() {
  const FilePath folder = ResolveFrameFolder(ControlText(编辑框保存路径), Globals().programFolderPath);
  ExplorerOptions options;
  options.newWindow = true;
  // Only an existing folder is opened: the text may name a program or a
  // document (it comes from the settings file too), which must not start.
  if (ShowInExplorer(folder, options) == 0) {
    ShowMessage("无法打开帧文件夹：" + folder.Gbk() + "\r\n\r\n请检查该路径是否为已存在的文件夹。", kMbOk | kMbIconExclamation);
  }
}

int ModifierState() {
  int state = 0;
  if (GetKeyState(VK_CONTROL) < 0) state |= 1;
  if (GetKeyState(VK_SHIFT) < 0) state |= 2;
  if (GetKeyState(VK_MENU) < 0) state |= 4;
  return state;
}

void OnCheckBoxClicked(ControlIndex index) {
  if (ShapesFile(index)) RefreshSizeEstimate();
  for (const DependentGroup& group : DependentGroups()) {
    if (group.checkBox == index) {
      RefreshDependentControls(group.refreshesPreview);
      return;
    }
  }
  if (index == 选择框跟随鼠标 || index == 选择框显示外框) UpdateFrameWindow();
}

void OnClicked(ControlIndex index) {
  switch (index) {
    case 按钮选择光标: OnChooseCursorFile(); return;
    case 按钮选择图像: OnChooseImageFile(); return;
    case 按钮输入文字: OnEnterWatermarkText(); return;
    case 按钮设置字体: OnChooseFont(); return;
    case 按钮选择帧路径: OnFrameFolderClicked(); return;
    case 超级按钮矩形: SelectRectangle(ModifierState()); return;
    case 颜色选择器图像水印透明色:
    case 颜色选择器文字水印背景色: OnColourPickerClicked(index); return;
    case 单选框标准:
    case 单选框稍逊: RefreshFramePreview(); return;
    case 显示画板: ShowSampleFullSize(Main()); return;
    case 图片框开始录制:
    case 链接开始录制: OnStartRecordingClicked(); return;
    case 图片框停止录制:
    case 链接停止录制: Main().recorder->StopRecording(); return;
    case 图片框预览播放:
    case 链接预览播放: ShowPreviewWindow(*Main().recording); return;
    case 图片框保存动画:
    case 链接保存动画: ComposeAndSave(*Main().recording, false); return;
    case 链接保存配置: OnSaveSettingsClicked(); return;
    case 链接疑点说明: OnFeatureNotesClicked(); return;
    case 链接软件主页: OnHomePageClicked(); return;
    default:
      if (Control(index).kind == ControlKind::kCheckBox) OnCheckBoxClicked(index);
      return;
  }
}

void OnListChanged(ControlIndex index) {
  if (Globals().settingsLoading) return;
  if (index == 组合框播放次数 && ListIndex(index) == kPlayCountCustomItem) OnCustomLoopCountChosen();
  if (ShapesFile(index)) RefreshSizeEstimate();
  RefreshFramePreview();
}

}  // namespace

void OnCommand(WPARAM wParam) {
  ControlIndex index = ControlFromId(LOWORD(wParam));
  if (index == kControlCount) return;
  int code = HIWORD(wParam);
  ControlKind kind = Control(index).kind;
  if (kind == ControlKind::kEdit || kind == ControlKind::kMultiLineEdit) {
    if (code == EN_CHANGE && FeedsFrame(index) && !Globals().settingsLoading) RefreshFramePreview();
    if (code == EN_CHANGE && ShapesFile(index)) RefreshSizeEstimate();
    return;
  }
  if (kind == ControlKind::kList) {
    if (code == CBN_SELCHANGE) OnListChanged(index);
    return;
  }
  // BN_CLICKED and STN_CLICKED are both 0.
  if (code == BN_CLICKED) OnClicked(index);
}

void OnContextMenu(HWND target) {
  MainWindow& w = Main();
  if (target == w.controls[链接保存动画] || target == w.controls[图片框保存动画]) {
    if (IsWindowEnabled(target)) ComposeAndSave(*w.recording, true);
  } else if (target == w.controls[按钮选择帧路径]) {
    if (IsWindowEnabled(target)) OnFrameFolderRightClicked();
  }
}

}  // namespace main_window

void OnStartRecordingClicked() {
  MainWindow& w = Main();
  if (!w.recording->state.Underway()) {
    // A fresh start empties the frame store: not while a save reads it, and
    // not under an open preview, which plays from it.
    if (ComposingAnimation()) return;
    ClosePreviewWindow();
  }
  w.recorder->ToggleRecording();
}

}  // namespace movrel
