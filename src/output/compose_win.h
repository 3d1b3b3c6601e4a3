// Saving the stopped recording as a GIF file or copying it to the clipboard,
// and the custom loop count. The main window is reached through
// TheOutputWindow() (output/output_window_win.h).
#pragma once

namespace movrel {

// "保存动画" (or, with `copyToClipboard`, the copy): composes the kept
// frames of the recording into a GIF.
void ComposeAndSave(bool copyToClipboard);

// True while ComposeAndSave runs (it processes window events between frames
// and during the two seconds of "已复制"): a new recording must not start
// then, since it would empty the store being composed.
bool ComposingAnimation();

// 组合框播放次数's "指定次数.." item was chosen.
void OnCustomLoopCountChosen();

// At exit, before the settings are saved: an open preview writes its
// settings back, and the copies' temporary GIFs that nothing needs go.
void CloseOutputAtExit();

}  // namespace movrel
