#include "output/compose_win.h"

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "app/control_table.h"
#include "app/hotkey_poll.h"
#include "app/message_box_win.h"
#include "app/text_entry_dialog_win.h"
#include "app/ui_win.h"
#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "gif/byte_sink.h"
#include "output/animation_writer.h"
#include "output/compose_plan.h"
#include "output/output_window_win.h"
#include "output/preview_window_win.h"
#include "output/shell_handoff_win.h"
#include "output/store_frames.h"
#include "record/optimize_win.h"
#include "record/recorder.h"
#include "record/recording_win.h"

namespace movrel {
namespace {

constexpr const char kSaveCaption[] = "保存动画";
constexpr const char kComposingCaption[] = "正在合成..";

// "正在合成..(37%)": the caption while composing.
std::string ComposingCaption(int percent) {
  return std::string(kComposingCaption) + "(" + std::to_string(percent) + "%)";
}
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
// user cancels or chooses nothing. The chosen path stays as the system
// spells it; the GBK form is only remembered for the next time.
bool AskSavePath(FilePath* path) {
  std::vector<wchar_t> file(32768, L'\0');
  std::wstring last = ToWide(TheOutputWindow().LastSavePath());
  if (last.size() < file.size()) last.copy(file.data(), last.size());
  const std::wstring filter = FileDialogFilter("GIF动画(*.gif)|*.gif|全部文件(*.*)|*.*");
  const std::wstring title = ToWide("选择本次录制的动画保存到的GIF文件：");
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = TheOutputWindow().Handle();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrDefExt = L"gif";
  // An existing file is only replaced after the user has agreed to it.
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  {
    ModalLoopGuard modal;  // no hotkey acts under the dialog
    if (!GetSaveFileNameW(&dialog)) return false;
  }
  *path = FilePathFromWide(file.data());
  if (path->empty()) return false;
  TheOutputWindow().SetLastSavePath(path->Gbk());
  return true;
}

// A fresh name in the system temporary folder (a hexadecimal number +
// ".tmp"); empty when none could be had.
FilePath TemporaryGifPath() {
  const FilePath folder = SystemTempFolder();
  wchar_t name[MAX_PATH + 1] = {};
  if (folder.empty() || GetTempFileNameW(WidePath(folder), L"", 0, name) == 0) return FilePath();
  return FilePathFromWide(name);
}

ComposeSettings ComposeSettingsOf(const OutputChoices& choices) {
  ComposeSettings settings;
  settings.startIntervalMs = RecordingState().startIntervalMs;
  settings.speedChangeMs = SpeedChangeMs(choices.playback.speedChangeText, choices.playback.speedChangeUnit);
  settings.stillFrames = StillFramesFromIndex(choices.playback.stillFramesIndex);
  return settings;
}

void ReportSaved(const FilePath& path) {
  int answer = ShowMessage("已保存到GIF文件：" + path.Gbk() + "\r\n\r\n是否打开该文件？", kMbYesNo | kMbIconQuestion);
  if (answer == kResultYes) OpenWithShell(path);
}

// The temporary GIFs of the copies: only the newest stays.
CopiedAnimations& Copies() {
  static CopiedAnimations copies;
  return copies;
}

void ReportCopied(const FilePath& path) {
  const bool offered = PutImageOnClipboardAsHtml(TheOutputWindow().Handle(), path);
  Copies().Kept(path, offered);
  if (!offered) {
    // The GIF is written but nothing refers to it: say so rather than
    // announce a copy that is not there.
    ShowMessage("复制动画失败！剪贴板正被其他程序占用，动画已保存在：" + path.Gbk(), kMbOk | kMbIconExclamation);
    return;
  }
  TheOutputWindow().SetSaveCaption(kCopiedCaption);
  MessageBeep(MB_OK);
  WaitWithEvents(kCopiedShownMs);
}

}  // namespace

bool ComposingAnimation() { return composing; }

void CloseOutputAtExit() {
  ClosePreviewWindow();
  Copies().Release();
}

void ComposeAndSave(bool copyToClipboard) {
  // Events are processed while composing, so a second click can arrive.
  if (composing) return;
  ComposingScope scope;
  RecorderState& state = RecordingState();
  if (!state.hasRecording) return;
  if (!state.framesOptimized && !OptimizeFrames()) return;

  FilePath target;
  if (copyToClipboard) {
    target = TemporaryGifPath();
    if (target.empty()) {
      ShowMessage("复制动画失败！无法在临时文件夹中创建文件：" + SystemTempFolder().Gbk(), kMbOk | kMbIconError);
      return;
    }
  } else if (!AskSavePath(&target)) {
    return;
  }
  // The GBK form is for the messages only.
  const std::string path = target.Gbk();

  OutputWindow& window = TheOutputWindow();
  const OutputChoices choices = window.ReadChoices();
  window.SetSaveCaption(kComposingCaption);
  StoreFrames frames(Frames());
  AnimationInfo info = MakeAnimationInfo(state.animationSize.width, state.animationSize.height,
                                         PlayCountOfItem(choices.playCountItem, choices.playCountItemText));
  std::vector<AnimationFrame> plan = PlanAnimationFrames(frames, ComposeSettingsOf(choices), RecordingCut().KeptFrames());
  const GifLayout layout = choices.compact ? GifLayout::kCompact : GifLayout::kClassic;
  int shownPercent = -1;
  auto progress = [&](int done, int total) {
    int percent = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * 100 / total) : 0;
    if (percent != shownPercent) {
      shownPercent = percent;
      window.SetSaveCaption(ComposingCaption(percent));
    }
    PumpPendingMessages();
  };
  std::string error;
  bool saved = false;
  bool writeFailed = true;  // the target, not the recording, is at fault
  {
    // The file is written beside the target and only replaces it once it
    // is whole: a failed save leaves whatever was there before.
    FileSink file;
    if (!file.Create(target)) {
      error = "无法创建文件";
    } else {
      AnimationOutcome outcome = WriteAnimation(frames, plan, info, layout, file, progress, &error);
      if (outcome == AnimationOutcome::kWritten) {
        saved = file.Commit();
        if (!saved) error = "无法写入文件";
      } else {
        writeFailed = outcome == AnimationOutcome::kWriteFailed;
      }
    }
  }
  if (saved) {
    if (copyToClipboard) {
      ReportCopied(target);
    } else {
      ReportSaved(target);
    }
  } else {
    // A failed copy leaves nothing behind: the temporary name was taken
    // as an empty file.
    if (copyToClipboard) CopiedAnimations::Failed(target);
    const std::string failed = copyToClipboard ? "复制动画失败！" : "保存动画失败！";
    if (writeFailed) {
      ShowMessage(failed + "请检查该路径是否可写：" + path + "\r\n\r\n" + error, kMbOk | kMbIconError);
    } else {
      ShowMessage(failed + error + "\r\n\r\n没有写入文件：" + path, kMbOk | kMbIconError);
    }
  }
  window.SetSaveCaption(kSaveCaption);
}

void OnCustomLoopCountChosen() {
  OutputWindow& window = TheOutputWindow();
  const std::string item = window.CustomLoopItemText();
  std::string input;
  if (!TextEntryDialog("输入GIF动画循环播放的次数：", std::string(), CustomLoopNumberText(item), false, window.Handle(),
                       &input)) {
    return;
  }
  window.SetCustomLoopItemText(CustomLoopItemText(input));
}

}  // namespace movrel
