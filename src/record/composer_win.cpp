#include "record/composer_win.h"

#include <windows.h>

#include "common/desktop_win.h"
#include "record/recording_window_win.h"
#include "ui/dialog_rules.h"
#include "ui/message_box_win.h"

namespace movrel {
namespace {

void PrepareFromSettings(FrameComposer& composer) {
  // The whole screen is the monitor that holds the main window.
  composer.Prepare(TheRecordingWindow().ReadComposerSettings(), ReadDesktop(), HomeMonitor());
  // A file the settings name that cannot be used is told once, whether the
  // preview or a recording read it first; the frames go on without it.
  for (const std::string& text : composer.TakeFileRefusals()) ShowMessage(text, kMbOk | kMbIconExclamation);
}

// Before the grab the rectangle is placed: follow-mouse applies to a
// recorded rectangle only, as the whole screen has nowhere to move. Returns
// the pointer's place.
POINT PlaceCaptureRect(FrameComposer& composer) {
  TheRecordingWindow().PlaceCaptureRect(composer.rect(), composer.followsMouse());
  POINT pointer{};
  GetCursorPos(&pointer);
  return pointer;
}

}  // namespace

void PrepareCapture(FrameComposer& composer) { PrepareFromSettings(composer); }

std::string ComposeFrame(FrameComposer& composer, bool previewMode, const InputMarks& marks) {
  RecordingWindow& window = TheRecordingWindow();
  if (previewMode) PrepareFromSettings(composer);
  const POINT pointer = PlaceCaptureRect(composer);
  std::string frame = composer.Compose(pointer.x, pointer.y, marks);
  if (previewMode) {
    window.SetGroupCaption(SingleFrameCaption(frame.size(), composer.frameSize()));
    composer.Release();
  }
  return frame;
}

PixelRows ComposeRecordingFrame(FrameComposer& composer, const InputMarks& marks) {
  const POINT pointer = PlaceCaptureRect(composer);
  return composer.ComposePixels(pointer.x, pointer.y, marks);
}

}  // namespace movrel
