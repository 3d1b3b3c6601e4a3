// The region selection as the main window calls it: the rectangle overlay
// (超级按钮矩形 and F8) and the record frame window. What the selection
// reads from and writes to the main window comes through SelectionWindow,
// which the shell implements over its controls and sets once at start-up.
// User-interface thread only.
#pragma once

#include <windows.h>

#include "common/screen_rect.h"
#include "select/frame_window_win.h"

namespace movrel {

class SelectionWindow {
 public:
  virtual ~SelectionWindow() = default;
  // The main window: owner of the overlay, brought back to the front after
  // a selection.
  virtual HWND Handle() = 0;
  // False while a recording runs or is paused: the rectangle is the
  // recording's until it stops.
  virtual bool RectangleEditable() = 0;
  // The rectangle's four edits and the check boxes of the frame window.
  virtual FrameRequest ReadFrameRequest() = 0;
  // Writes an accepted rectangle into the four edits (their change handlers
  // stay quiet) and refreshes the sample frame once.
  virtual void SetRectangle(const RecordRect& rect) = 0;
};

// The window the selection works on from now on. Until one is set the
// calls below do nothing.
void SetSelectionWindow(SelectionWindow* window);

// The overlay over the whole screen, starting from the edits' rectangle
// (modifiers: Ctrl 1, Shift 2, Alt 4; Ctrl alone opens it on that
// rectangle); an accepted rectangle goes into the edits.
void SelectRectangle(int modifiers);

// The record frame window: made hidden at start-up, shown around the edits'
// rectangle while both 录制区域 and 显示外框 are checked, gone at exit.
void CreateFrameWindow();
void UpdateFrameWindow();
void DestroyFrameWindow();

}  // namespace movrel
