// The main window's calls into the region selection: the rectangle overlay
// (超级按钮矩形 and F8) and the record frame window.
#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "common/message_pump_win.h"
#include "common/number.h"
#include "record/recorder.h"
#include "select/frame_window_win.h"
#include "select/selection_overlay_win.h"

namespace movrel {
namespace {

RecordRect EditRect() {
  RecordRect r;
  r.left = LeadingInt(ControlText(编辑框左边));
  r.top = LeadingInt(ControlText(编辑框顶边));
  r.width = LeadingInt(ControlText(编辑框宽度));
  r.height = LeadingInt(ControlText(编辑框高度));
  return r;
}

}  // namespace

void SelectRectangle(int modifiers) {
  // One overlay at a time: F8 can arrive while one is already open.
  static bool selecting = false;
  if (selecting || RecordingUnderway()) return;
  selecting = true;
  const RecordRect edits = EditRect();
  const SelectionRect preset = PresetRect(edits.left, edits.top, edits.width, edits.height);
  SelectionRect chosen;
  const bool accepted = RunSelectionOverlay(Main().window, preset, modifiers == kModifierCtrl, &chosen);
  selecting = false;
  if (!accepted) return;
  // The windows that the overlay covered repaint before anything reads the
  // screen.
  WaitWithEvents(100);
  AppGlobals& g = Globals();
  g.settingsLoading = true;
  SetControlText(编辑框左边, std::to_string(chosen.x1));
  SetControlText(编辑框顶边, std::to_string(chosen.y1));
  SetControlText(编辑框宽度, std::to_string(chosen.Width()));
  SetControlText(编辑框高度, std::to_string(chosen.Height()));
  g.settingsLoading = false;
  RefreshFramePreview();
  PumpPendingMessages();
  HWND main = Main().window;
  if (main && IsWindowVisible(main)) {
    SetForegroundWindow(main);
    SetFocus(main);
  }
}

void CreateFrameWindow() { TheFrameWindow().Create(); }

void UpdateFrameWindow() {
  FrameRequest request;
  request.recordArea = IsChecked(选择框录制区域);
  request.showFrame = IsChecked(选择框显示外框);
  request.followMouse = IsChecked(选择框跟随鼠标);
  request.rect = EditRect();
  TheFrameWindow().Update(request);
}

void DestroyFrameWindow() { TheFrameWindow().Destroy(); }

}  // namespace movrel
