// The notification-area icons, embedded as .ico file bytes of one 32-bit
// image each (drawn in src/app/icons/).
#pragma once

#include <cstddef>

namespace movrel {

extern const unsigned char kTrayIconIdle[];
extern const size_t kTrayIconIdleSize;
extern const unsigned char kTrayIconRecording[];
extern const size_t kTrayIconRecordingSize;
extern const unsigned char kTrayIconRecordingStill[];
extern const size_t kTrayIconRecordingStillSize;
extern const unsigned char kTrayIconPaused[];
extern const size_t kTrayIconPausedSize;

}  // namespace movrel
