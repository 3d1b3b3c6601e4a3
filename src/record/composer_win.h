// The recording's frame composer (RecordingContext::composer) on the
// settings the recording window (record/recording_window_win.h) gives. The
// recorder prepares it at a fresh start, composes a frame per tick and
// releases it at stop; the main window's sample frame prepares, composes and
// releases it in one call.
#pragma once

#include <string>

#include "record/frame_composer_win.h"

namespace movrel {

// Reads the settings into the prepared state, the capture rectangle with
// them. The watermarks are prepared as its last step.
void PrepareCapture(FrameComposer& composer);

// One frame of the capture rectangle as BMP file bytes; composer.frameSize()
// gives its size. In preview mode it prepares first, writes the frame's size
// into 分组框1's caption and releases afterwards. Before the grab the
// recording window places the rectangle: follow-mouse moves it (when a
// rectangle is recorded) and the outline window follows.
std::string ComposeFrame(FrameComposer& composer, bool previewMode, const InputMarks& marks = InputMarks());

// A recording's frame of the prepared composer, placed as above: its pixels,
// held by the composer until the next frame; empty when there is none.
PixelRows ComposeRecordingFrame(FrameComposer& composer, const InputMarks& marks);

}  // namespace movrel
