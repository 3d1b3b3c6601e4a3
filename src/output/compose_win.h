// Saving the stopped recording as a GIF file or copying it to the clipboard,
// and the custom loop count. The main window is reached through
// TheOutputWindow() (output/output_window_win.h).
#pragma once

#include "output/compose_plan.h"
#include "output/output_window_win.h"
#include "record/recording_context_win.h"

namespace movrel {

// How a save of the recording `state` describes would be made now: the
// delays from `playback` (the preview passes its own copies, a save the main
// window's), the records, file options and size limit from the main
// window's `choices`. An error names the setting a save refuses.
FileChoiceError ReadSaveRecipe(const RecorderState& state, const OutputChoices& choices, const PreviewSettings& playback,
                               SaveRecipe* recipe);

// "保存动画" (or, with `copyToClipboard`, the copy): composes the kept
// frames of the recording into a GIF.
void ComposeAndSave(RecordingContext& recording, bool copyToClipboard);

// True while ComposeAndSave runs (it processes window events between frames
// and during the two seconds of "已复制"): a new recording must not start
// then, since it would empty the store being composed.
// At start-up: the copies' temporary GIFs an earlier run left behind go,
// except one the clipboard still offers.
void RemoveLeftoverCopiesAtStart();
bool ComposingAnimation();

// 组合框播放次数's "指定次数.." item was chosen.
void OnCustomLoopCountChosen();

// At exit, before the settings are saved: an open preview writes its
// settings back, and the copies' temporary GIFs that nothing needs go.
void CloseOutputAtExit();

}  // namespace movrel
