#include "select/select_entry_win.h"

#include "common/message_pump_win.h"
#include "select/selection_overlay_win.h"

namespace movrel {
namespace {

SelectionWindow* selectionWindow = nullptr;

}  // namespace

void SetSelectionWindow(SelectionWindow* window) { selectionWindow = window; }

void SelectRectangle(int modifiers) {
  // One overlay at a time: F8 can arrive while one is already open.
  static bool selecting = false;
  SelectionWindow* w = selectionWindow;
  if (!w || selecting || !w->RectangleEditable()) return;
  selecting = true;
  const RecordRect edits = w->ReadFrameRequest().rect;
  const SelectionRect preset = PresetRect(edits.left, edits.top, edits.width, edits.height);
  SelectionRect chosen;
  const bool accepted = RunSelectionOverlay(w->Handle(), preset, modifiers == kModifierCtrl, &chosen);
  selecting = false;
  if (!accepted) return;
  // The windows that the overlay covered repaint before anything reads the
  // screen.
  WaitWithEvents(100);
  w->SetRectangle(RecordRect{chosen.x1, chosen.y1, chosen.Width(), chosen.Height()});
  PumpPendingMessages();
  HWND main = w->Handle();
  if (main && IsWindowVisible(main)) {
    SetForegroundWindow(main);
    SetFocus(main);
  }
}

void CreateFrameWindow() { TheFrameWindow().Create(); }

void UpdateFrameWindow() {
  if (selectionWindow) TheFrameWindow().Update(selectionWindow->ReadFrameRequest());
}

void DestroyFrameWindow() { TheFrameWindow().Destroy(); }

}  // namespace movrel
