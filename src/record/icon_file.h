// Icon and cursor files (.ico, .cur): the directory at the front and the
// images it points to. The cursor drawn into frames comes from such a file,
// either the user's or the program's own default cursor, so its bytes are
// checked here before the system is given any of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace movrel {

constexpr uint16_t kIconFileType = 1;
constexpr uint16_t kCursorFileType = 2;

// One image of an icon or cursor file.
struct IconFileImage {
  uint16_t fileType = 0;  // kIconFileType or kCursorFileType
  int width = 0;          // of the image data itself
  int height = 0;
  int hotspotX = 0;       // cursors only
  int hotspotY = 0;
  uint32_t offset = 0;    // of the image data in the file
  uint32_t size = 0;
};

// The largest image of the file (the first of equal ones), or nothing when
// the bytes are no icon or cursor file: a short or inconsistent directory,
// or an image that does not lie inside the bytes or starts with neither an
// info header nor the PNG signature.
std::optional<IconFileImage> ParseIconFile(const std::string& bytes);

// The program's own cursor: a .cur file of one 32 x 32 image of 16 colours
// with its hotspot at (2, 4), 766 bytes. It is drawn when the chosen cursor
// file cannot be read or is empty.
const std::string& DefaultCursorBytes();

constexpr int kDefaultCursorFileBytes = 766;
constexpr int kDefaultCursorHotspotX = 2;
constexpr int kDefaultCursorHotspotY = 4;

}  // namespace movrel
