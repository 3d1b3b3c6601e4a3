#include "output/compose_win.h"

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "common/time_text.h"
#include "gif/byte_sink.h"
#include "output/animation_writer.h"
#include "output/compose_plan.h"
#include "output/output_window_win.h"
#include "output/preview_window_win.h"
#include "output/shell_handoff_win.h"
#include "output/size_fit.h"
#include "output/store_frames.h"
#include "record/optimize_win.h"
#include "record/recorder.h"
#include "record/recording_win.h"
#include "ui/message_box_win.h"
#include "ui/modal_loop.h"
#include "ui/text_entry_dialog_win.h"
#include "ui/ui_win.h"

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

// The preview's size estimate reads the store: it waits while a save may
// rewrite the store (the changed-region pass) and starts afresh after.
class EstimatePause {
 public:
  EstimatePause() { PauseSizeEstimate(); }
  ~EstimatePause() { ResumeSizeEstimate(); }
  EstimatePause(const EstimatePause&) = delete;
  EstimatePause& operator=(const EstimatePause&) = delete;
};

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
  if (folder.empty() || GetTempFileNameW(WidePath(folder), kCopyFilePrefix, 0, name) == 0) return FilePath();
  return FilePathFromWide(name);
}

// `reduced`: what keeping the size limit took, empty when nothing did.
void ReportSaved(const FilePath& path, const std::string& reduced) {
  // The caption says it too while the question is open, as "已复制" does
  // after a copy.
  if (!reduced.empty()) TheOutputWindow().SetSaveCaption(reduced);
  const std::string line = reduced.empty() ? std::string() : "\r\n" + reduced;
  int answer = ShowMessage("已保存到GIF文件：" + path.Gbk() + line + "\r\n\r\n是否打开该文件？", kMbYesNo | kMbIconQuestion);
  if (answer == kResultYes) OpenWithShell(path);
}

// The temporary GIFs of the copies: only the newest stays.
CopiedAnimations& Copies() {
  static CopiedAnimations copies;
  return copies;
}

// The copy's GIF when the clipboard would not take it: where it is, and
// how long it stays there.
std::string CopyNotOfferedText(const std::string& path) {
  return "复制动画失败！剪贴板正被其他程序占用。\r\n动画暂存在：" + path +
         "\r\n下次复制或退出 Movrel 时将删除该文件；要留下动画，请用“保存动画”。";
}

void ReportCopied(const FilePath& path, const std::string& reduced) {
  const bool offered = PutImageOnClipboardAsHtml(TheOutputWindow().Handle(), path);
  Copies().Kept(path, offered);
  if (!offered) {
    // The GIF is written but nothing refers to it: say so rather than
    // announce a copy that is not there, and say that the file is only
    // kept until the next copy or the exit, which remove it.
    ShowMessage(CopyNotOfferedText(path.Gbk()), kMbOk | kMbIconExclamation);
    return;
  }
  TheOutputWindow().SetSaveCaption(reduced.empty() ? std::string(kCopiedCaption)
                                                  : std::string(kCopiedCaption) + "，" + reduced);
  MessageBeep(MB_OK);
  WaitWithEvents(kCopiedShownMs);
}

}  // namespace

FileChoiceError ReadSaveRecipe(const RecorderState& state, const OutputChoices& choices, const PreviewSettings& playback,
                               SaveRecipe* recipe) {
  recipe->compose.startIntervalMs = state.startIntervalMs;
  recipe->compose.speedChangeMs = TimeTextMs(playback.speedChangeText, playback.speedChangeUnit);
  recipe->compose.stillFrames = playback.stillFrames;
  recipe->animation = MakeAnimationSettings(state.animationSize.width, state.animationSize.height, choices.playCount);
  return ReadFileChoices(choices.file, &recipe->options, &recipe->limitBytes);
}

bool ComposingAnimation() { return composing; }

void RemoveLeftoverCopiesAtStart() { RemoveLeftoverCopies(SystemTempFolder()); }

void CloseOutputAtExit() {
  ClosePreviewWindow();
  Copies().Release();
}

void ComposeAndSave(RecordingContext& recording, bool copyToClipboard) {
  // Events are processed while composing, so a second click can arrive.
  if (composing) return;
  ComposingScope scope;
  const RecorderState& state = recording.state;
  if (!state.hasRecording) return;
  OutputWindow& window = TheOutputWindow();
  const OutputChoices choices = window.ReadChoices();
  // A setting that cannot be taken is refused before anything is asked or
  // written.
  SaveRecipe recipe;
  const FileChoiceError bad = ReadSaveRecipe(state, choices, choices.playback, &recipe);
  if (bad != FileChoiceError::kNone) {
    ShowMessage(FileChoiceRefusal(bad), kMbOk | kMbIconExclamation);
    return;
  }
  EstimatePause pause;
  if (!state.framesOptimized && !OptimizeFrames(recording)) return;

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

  window.SetSaveCaption(kComposingCaption);
  StoreFrames frames(recording.frames);
  const std::vector<AnimationFrame> plan = PlanAnimationFrames(frames, recipe.compose, recording.Cut().KeptFrames());
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
  bool tooLarge = false;
  SizeFit fit;
  {
    // The file is written beside the target and only replaces it once it
    // is whole: a failed save leaves whatever was there before.
    FileSink file;
    if (!file.Create(target)) {
      error = "无法创建文件";
    } else {
      const FitOutcome outcome = WriteAnimationWithin(frames, plan, recipe.animation, recipe.options, recipe.limitBytes,
                                                      file, progress, &fit, &error);
      // Too large, nothing is committed: the sink goes with the old target
      // untouched.
      tooLarge = outcome == FitOutcome::kTooLarge;
      if (outcome == FitOutcome::kWritten) {
        saved = file.Commit();
        if (!saved) error = "无法写入文件";
      } else {
        writeFailed = outcome == FitOutcome::kWriteFailed;
      }
    }
  }
  if (saved) {
    const std::string reduced = fit.reduced ? SizeFitSummary(fit) : std::string();
    if (copyToClipboard) {
      ReportCopied(target, reduced);
    } else {
      ReportSaved(target, reduced);
    }
  } else {
    // A failed copy leaves nothing behind: the temporary name was taken
    // as an empty file.
    if (copyToClipboard) CopiedAnimations::Failed(target);
    const std::string failed = copyToClipboard ? "复制动画失败！" : "保存动画失败！";
    if (tooLarge) {
      const std::string nothing = copyToClipboard ? "没有复制任何内容。" : "没有写入文件：" + path;
      ShowMessage(failed + SizeLimitRefusal(choices.file.limitText, fit.bytes) + "\r\n\r\n" + nothing,
                  kMbOk | kMbIconExclamation);
    } else if (writeFailed) {
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
