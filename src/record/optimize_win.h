// The changed-region pass over a stopped recording, in its modal window
// "正在优化动画帧，以尽可能降低GIF文件大小..": every kept frame after the
// first is compared with the kept frame before it by exclusive-or on the
// work canvas, and replaced by the smallest rectangle holding every changed
// pixel, with the rectangle's position as the frame's offset; a kept frame
// without a changed pixel becomes a still frame. User-interface thread only.
#pragma once

#include "record/recorder.h"
#include "record/recording_context_win.h"

namespace movrel {

// Runs the pass over the recording's frames in the optimisation window and
// sets its state's framesOptimized. Saving calls it once per recording.
// Runs at most once per recording: true at once when the pass has already
// run; false (changing nothing) when the window is already open.
bool OptimizeFrames(RecordingContext& recording);

// The optimisation window is open: F9 must not start a recording then.
bool OptimizationWindowShown();

// Keeps the hidden work canvas at the frame size (the recording tick calls
// it for every frame).
void FitWorkCanvas(PixelSize size);

}  // namespace movrel
