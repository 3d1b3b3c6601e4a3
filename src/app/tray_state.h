// What the notification-area icon shows in each recording state, and the
// reading of .ico file bytes, without any platform code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace movrel {

enum class TrayState { kIdle, kRecording, kRecordingStill, kPaused };

// The .ico file bytes of the state's icon (one 32-bit image).
std::string TrayStateIcon(TrayState state);

// The state's tool tip, GBK ("\r\n" breaks the line).
std::string TrayStateTip(TrayState state);

// The shell keeps at most 127 bytes of tip text plus the terminating zero;
// a longer tip is cut there, never inside a double-byte character.
constexpr size_t kTrayTipMaxBytes = 127;
std::string TrayTipText(const std::string& tip);

// One image of an .ico file as its 16-byte directory entry describes it.
struct IcoImage {
  int width = 0;   // 0 in the entry means 256
  int height = 0;
  int bitCount = 0;
  size_t offset = 0;  // of the image's bytes within the file
  size_t size = 0;
};

// Reads the directory entry of image `index`. False (leaving `image` alone)
// when the bytes are not an icon file, hold no such image, or the entry
// points outside the data.
bool FindIcoImage(const std::string& ico, int index, IcoImage* image);

}  // namespace movrel
