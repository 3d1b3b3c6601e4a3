// The record frame window: a top-level window lying 5 pixels around the
// record rectangle whose inside is the layered colour key, so only its
// border shows and every click goes through to the windows below.
#pragma once

#include <windows.h>

#include "common/handle_win.h"
#include "common/screen_rect.h"
#include "ui/window_win.h"

namespace movrel {

// Every pixel of this colour is invisible and not hit-tested.
constexpr COLORREF kFrameKeyColour = RGB(144, 0, 255);

// The settings UpdateFrameWindow reads from the main window.
struct FrameRequest {
  bool recordArea = false;   // 选择框录制区域
  bool showFrame = false;    // 选择框显示外框
  bool followMouse = false;  // 选择框跟随鼠标
  RecordRect rect;           // 编辑框左边, 编辑框顶边, 编辑框宽度, 编辑框高度
};

class FrameWindow : public Window {
 public:
  // Creates the window hidden; false when it cannot be made. Creating it
  // again keeps the existing window.
  bool Create();
  // Shows the frame around the request's rectangle (centred on the pointer
  // first when following the mouse) when both the record area and the
  // frame are asked for; hides it otherwise.
  void Update(const FrameRequest& request);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The one frame window of the program.
FrameWindow& TheFrameWindow();

// Centres `rect` on the mouse pointer, on the monitor under it, keeping its
// size (the rules are in follow_mouse.h). Before every grab the shell
// applies this to the capture rectangle when "跟随鼠标" is checked.
void FollowMouse(RecordRect& rect);

}  // namespace movrel
