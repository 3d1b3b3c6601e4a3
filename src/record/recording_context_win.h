// The program's one recording: what the recorder has done, the frames it
// stored, the composer that makes them and the user's cut of them. The shell
// makes it at start-up and hands it to the recorder, the changed-region
// pass, the preview and the save; none of them keeps one of its own, and a
// test makes as many as it likes.
#pragma once

#include "record/frame_composer_win.h"
#include "record/frame_edit.h"
#include "record/frame_store.h"
#include "record/recorder.h"

namespace movrel {

class RecordingContext {
 public:
  RecorderState state;
  FrameStore frames;
  FrameComposer composer;

  // The cut of the stored recording: kept across previews and saves, started
  // afresh with every new recording.
  FrameEdit& Cut() {
    cut_.Follow(frames.Recording(), frames.Count());
    return cut_;
  }

 private:
  FrameEdit cut_;
};

}  // namespace movrel
