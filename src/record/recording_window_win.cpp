#include "record/recording_window_win.h"

namespace movrel {
namespace {

RecordingWindow* recordingWindow = nullptr;

}  // namespace

void SetRecordingWindow(RecordingWindow* window) { recordingWindow = window; }

RecordingWindow& TheRecordingWindow() {
  static RecordingWindow none;
  return recordingWindow ? *recordingWindow : none;
}

}  // namespace movrel
