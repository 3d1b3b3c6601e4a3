// Saving the stopped recording as a GIF file or copying it to the clipboard
// (ComposeAndSave in app/app_hooks_win.h), and the custom loop count.
#pragma once

namespace movrel {

// True while ComposeAndSave runs (it processes window events between frames
// and during the two seconds of "已复制"): a new recording must not start
// then, since it would empty the store being composed.
bool ComposingAnimation();

}  // namespace movrel
