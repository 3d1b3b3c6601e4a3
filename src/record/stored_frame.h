// The frame store's file for one kept picture: a 20-byte header that says
// what the file is and where the picture lies, then the picture's BMP file
// compressed with zlib at its fastest level. Screen pictures shrink to a
// small part of their size that way, at a few milliseconds a full frame.
//
//   0   4  "MVF1"
//   4   4  left, int32 little-endian: the picture's place in the whole frame
//   8   4  top
//   12  4  the BMP file's length, uint32 little-endian
//   16  4  n, the compressed length, uint32 little-endian
//   20  n  the zlib stream of the BMP file
//
// A file is exactly 20 + n bytes, and its stream must give exactly the
// stated length with a matching checksum: a file cut short by a crash or
// damaged on the disk is told from a picture, never read as one. Files that
// are plain BMP files (stores written before pictures were compressed) read
// as themselves at {0, 0}.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

// Where a frame's picture lies in the animation's logical screen.
struct FrameOffset {
  int32_t left = 0;
  int32_t top = 0;
  bool operator==(const FrameOffset& o) const { return left == o.left && top == o.top; }
};

constexpr int kStoredFrameHeaderBytes = 20;

// The stored file for the BMP file bytes `bmp` placed at `offset`; empty
// when the bytes are empty or too long for the header.
std::string EncodeStoredFrame(const std::string& bmp, FrameOffset offset);

// The BMP file bytes and the offset a stored file holds. False, leaving both
// as they were, for a file that is neither a whole stored frame nor a plain
// BMP file (cut short, damaged, empty).
bool DecodeStoredFrame(const std::string& file, std::string* bmp, FrameOffset* offset);

}  // namespace movrel
