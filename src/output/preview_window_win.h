// The preview window: plays the stopped recording from the frame store as
// the GIF will show it, with its own copies of the speed change and the
// still-frame handling, which it writes back to the main window on closing.
// A non-modal window owned by the main window; one at a time.
#pragma once

namespace movrel {

// Opens the preview (or brings the open one to the front); "预览播放".
void ShowPreviewWindow();

bool PreviewWindowOpen();

// Closes the preview as its exit button does (its settings go back to the
// main window); nothing when none is open. A fresh recording empties the
// store the preview plays from, so the recorder closes it first.
void ClosePreviewWindow();

}  // namespace movrel
