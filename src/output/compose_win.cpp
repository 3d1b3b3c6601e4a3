#include "output/compose_win.h"

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "app/app_hooks_win.h"
#include "app/control_table.h"
#include "app/main_window_win.h"
#include "app/message_box_win.h"
#include "app/text_entry_dialog_win.h"
#include "app/ui_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "gif/gif_maker.h"
#include "output/compose_plan.h"
#include "output/shell_handoff_win.h"
#include "output/store_frames.h"
#include "record/optimize_win.h"
#include "record/recorder.h"
#include "record/recording_win.h"

namespace movrel {
namespace {

constexpr const char kSaveCaption[] = "保存动画";
constexpr const char kComposingCaption[] = "正在合成..";
constexpr const char kCopiedCaption[] = "已复制";
constexpr int32_t kCopiedShownMs = 2000;

bool composing = false;

class ComposingScope {
 public:
  ComposingScope() { composing = true; }
  ~ComposingScope() { composing = false; }
  ComposingScope(const ComposingScope&) = delete;
  ComposingScope& operator=(const ComposingScope&) = delete;
};

// The save dialog 对话框保存动画, opened at the last path. False when the
// user cancels or chooses nothing.
bool AskSavePath(std::string* path) {
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring last = ToWide(Main().saveDialogPath);
  if (last.size() < file.size()) last.copy(file.data(), last.size());
  const std::wstring filter = FileDialogFilter("GIF动画(*.gif)|*.gif|全部文件(*.*)|*.*");
  const std::wstring title = ToWide("选择本次录制的动画保存到的GIF文件：");
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = Main().window;
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"gif";
  // An existing file is only replaced after the user has agreed to it.
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!GetSaveFileNameW(&dialog)) return false;
  *path = ToGbk(file.data());
  if (path->empty()) return false;
  Main().saveDialogPath = *path;
  return true;
}

// A fresh name in the system temporary folder (a hexadecimal number +
// ".tmp"); empty when none could be had.
std::string TemporaryGifPath() {
  wchar_t folder[MAX_PATH + 1] = {};
  DWORD n = GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return std::string();
  wchar_t name[MAX_PATH + 1] = {};
  if (GetTempFileNameW(folder, L"", 0, name) == 0) return std::string();
  return ToGbk(name);
}

ComposeSettings CurrentComposeSettings() {
  ComposeSettings settings;
  settings.startIntervalMs = RecordingState().startIntervalMs;
  settings.speedChangeMs = SpeedChangeMs(ControlText(编辑框每帧变速), ListIndex(组合框变速单位));
  settings.stillFrames = StillFramesFromIndex(ListIndex(组合框静态画面));
  return settings;
}

uint16_t CurrentPlayCount() {
  int item = ListIndex(组合框播放次数);
  return PlayCountOfItem(item, ListItemText(组合框播放次数, item));
}

void ReportSaved(const std::string& path) {
  int answer = ShowMessage("已保存到GIF文件：" + path + "\r\n\r\n是否打开该文件？", kMbYesNo | kMbIconQuestion);
  if (answer == kResultYes) OpenWithShell(path);
}

void ReportCopied(const std::string& path) {
  if (!PutImageOnClipboardAsHtml(path)) {
    // The GIF is written but nothing refers to it: say so rather than
    // announce a copy that is not there.
    ShowMessage("复制动画失败！剪贴板正被其他程序占用，动画已保存在：" + path, kMbOk | kMbIconExclamation);
    return;
  }
  SetControlText(链接保存动画, kCopiedCaption);
  MessageBeep(MB_OK);
  WaitWithEvents(kCopiedShownMs);
}

}  // namespace

bool ComposingAnimation() { return composing; }

void ComposeAndSave(bool copyToClipboard) {
  // Events are processed while composing, so a second click can arrive.
  if (composing) return;
  ComposingScope scope;
  RecorderState& state = RecordingState();
  if (!state.hasRecording) return;
  if (!state.framesOptimized && !OptimizeFrames()) return;

  std::string path;
  if (copyToClipboard) {
    path = TemporaryGifPath();
    if (path.empty()) {
      ShowMessage("复制动画失败！请检查该路径是否可写：" + path, kMbOk | kMbIconError);
      return;
    }
  } else if (!AskSavePath(&path)) {
    return;
  }

  SetControlText(链接保存动画, kComposingCaption);
  GifMaker maker;
  StoreFrames frames(Frames());
  AnimationInfo info = MakeAnimationInfo(state.animationSize.width, state.animationSize.height, CurrentPlayCount());
  bool saved = ComposeGif(frames, CurrentComposeSettings(), info, &maker, PumpPendingMessages) && maker.SaveGif(path);
  if (saved) {
    if (copyToClipboard) {
      ReportCopied(path);
    } else {
      ReportSaved(path);
    }
  } else {
    ShowMessage((copyToClipboard ? "复制动画失败！请检查该路径是否可写：" : "保存动画失败！请检查该路径是否可写：") + path,
                kMbOk | kMbIconError);
  }
  SetControlText(链接保存动画, kSaveCaption);
  maker.Clear();
}

void OnCustomLoopCountChosen() {
  const std::string item = ListItemText(组合框播放次数, kLoopItemCustom);
  std::string input;
  if (!TextEntryDialog("输入GIF动画循环播放的次数：", std::string(), CustomLoopNumberText(item), false, Main().window,
                       &input)) {
    return;
  }
  SetListItemText(组合框播放次数, kLoopItemCustom, CustomLoopItemText(input));
}

}  // namespace movrel
