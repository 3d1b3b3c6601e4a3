// The preview window: plays the stopped recording from the frame store as
// the GIF will show it, with its own copies of the speed change and the
// still-frame handling, which it writes back to the main window on closing,
// and shows the size a save would have with the current settings.
// A non-modal window owned by the main window; one at a time.
#pragma once

#include "record/recording_context_win.h"

namespace movrel {

// Opens the preview of `recording` (or brings the open one to the front);
// "预览播放". The recording outlives the window.
void ShowPreviewWindow(RecordingContext& recording);

bool PreviewWindowOpen();

// Closes the preview as its exit button does (its settings go back to the
// main window); nothing when none is open. A fresh recording empties the
// store the preview plays from, so the recorder closes it first.
void ClosePreviewWindow();

// The main window's settings that shape the file changed (精简GIF, 抖动,
// 有损压缩, 大小上限, 播放次数): an open preview counts its size estimate
// afresh.
void RefreshSizeEstimate();

// The size estimate reads the store on a thread of its own. While anything
// may change the store (a save's changed-region pass) it is paused: the
// count under way is cancelled and waited for, and none starts until every
// pause has been resumed, when one starts afresh.
void PauseSizeEstimate();
void ResumeSizeEstimate();

}  // namespace movrel
