// The block structure of a loaded GIF file: indexing its frames once at load
// time and walking one frame's blocks up to its image descriptor. Every read
// is checked against the end of the data, so any byte string can be handed in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace movrel {

constexpr size_t kGifNone = static_cast<size_t>(-1);

// Header (6) and logical screen descriptor (7).
constexpr size_t kGifScreenEnd = 13;

inline uint8_t GifByte(const std::string& data, size_t pos) { return static_cast<uint8_t>(data[pos]); }

// Bytes of a colour table whose packed size field is `sizeField` (low 3 bits).
inline size_t GifColorTableBytes(uint8_t sizeField) { return size_t{3} << ((sizeField & 7) + 1); }

// What indexing found. Positions are offsets into the data.
struct GifIndex {
  // The structure broke (a byte that starts no block, or an image cut off
  // before its code-size byte): no frames are listed.
  bool damaged = false;
  // First byte of the looping block's 11-byte application identifier.
  size_t loopBlock = kGifNone;
  // Introducer (0x21) of the animation comment.
  size_t comment = kGifNone;
  // First block of each frame: its graphic control block, or its image
  // descriptor when it has none.
  std::vector<size_t> frames;
};

// Indexes `data`, which must hold at least the header and screen descriptor.
//
// Frames: every graphic control block with a 4-byte sub-block starts a frame,
// and the next image belongs to it. An image that follows no control block of
// its own (the previous control block was already used by an earlier image, or
// there is none) starts a frame of its own, so every image of the file is
// listed exactly once.
//
// Looping block: an application extension whose identifier is "NETSCAPE2.0"
// or "ANIMEXTS1.0" and whose next sub-block is the 3-byte loop sub-block
// (id 1, then the count); the last one wins.
//
// Animation comment: a comment of exactly one sub-block that does not stand
// between a control block and its image; the last one wins.
//
// Extensions of unknown kinds are skipped by their sub-blocks. An image
// whose descriptor (and local table) is followed directly by the next block
// or the trailer has no data; it is listed all the same.
//
// Data that ends inside a block ends indexing as if the trailer had been
// reached.
GifIndex IndexGif(const std::string& data);

// The blocks of one frame, from its first block to its image descriptor.
struct GifFrameBlocks {
  size_t control = kGifNone;  // the frame's graphic control block (21 F9 04)
  size_t comment = kGifNone;  // the last comment before the image (21 FE)
  size_t image = kGifNone;    // the image descriptor (2C); none when not reached
};

// Walks extensions (by their sub-blocks) from `start` until an image
// descriptor whose 10 bytes lie inside the data. The walk stops without an
// image at the trailer, at a byte that starts no block or at the end of the
// data.
GifFrameBlocks WalkGifFrame(const std::string& data, size_t start);

// Position just after the block terminator of the sub-block chain that starts
// at `pos` (a length byte), or kGifNone when the data ends first.
size_t SkipGifSubBlocks(const std::string& data, size_t pos);

// The data bytes of the sub-block chain at `pos`, joined and cut at the first
// zero byte (comments are text).
std::string ReadGifSubBlockText(const std::string& data, size_t pos);

}  // namespace movrel
