// Helpers of the maker tests: pictures built pixel by pixel, written as BMP
// files of every kind the decoders read, and an independent GIF parser with
// its own LZW decoder that also records the code widths it read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace movrel {
namespace test {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// Pixels row by row from the top.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
  Picture(int w, int h, Rgb fill = Rgb()) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  Rgb& At(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgb& At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

enum class BmpHeader { kCore12, kInfo40, kV4, kV5 };

struct BmpKind {
  int bitsPerPixel = 24;
  bool topDown = false;
  BmpHeader header = BmpHeader::kInfo40;
  // For 16 and 32 bits: red, green and blue masks; all 0 for the plain layout.
  uint32_t masks[3] = {0, 0, 0};
};

// A complete BMP file of `picture`. For 1, 4 and 8 bits the colour table
// holds the picture's distinct colours, which must fit; for 16 bits each
// channel keeps its top bits.
std::string MakeBmp(const Picture& picture, const BmpKind& kind = BmpKind());

// A picture of `width` × `height` with a different colour key at every pixel
// until the 4096 keys run out, and noise in the low bits.
Picture ManyColors(int width, int height, unsigned seed);

struct GifFrame {
  bool hasControl = false;
  uint8_t controlPacked = 0;
  uint16_t delayCs = 0;
  uint8_t transparentIndex = 0;
  std::string comment;  // comment blocks between the control block and the image
  int left = 0, top = 0, width = 0, height = 0;
  uint8_t descriptorPacked = 0;
  std::vector<Rgb> localTable;
  int minCodeSize = 0;
  std::vector<int> subBlockSizes;
  std::vector<uint8_t> indices;  // in stream order (interlaced order when interlaced)
  std::vector<int> codeWidths;   // width of every code read, clear and end codes included
  std::vector<int> codes;
  size_t endBit = 0;  // bits read up to and including the end code
};

struct GifFile {
  std::string signature;
  int width = 0, height = 0;
  uint8_t screenPacked = 0;
  uint8_t background = 0, aspect = 0;
  std::vector<Rgb> globalTable;
  bool hasLoop = false;
  size_t loopOffset = 0;
  uint16_t loopCount = 0;
  std::vector<GifFrame> frames;
  std::string trailingComment;  // comment after the last frame
  bool trailer = false;
};

// Random colours (a fixed sequence for each seed): many keys, and pixel
// strings that rarely repeat.
Picture Noise(int width, int height, unsigned seed);

// Parses and decodes a whole GIF; false with a reason for anything malformed.
bool ParseGif(const std::string& bytes, GifFile* gif, std::string* error);

// Decodes image data alone (minimum code size, sub-blocks, terminator) into
// a frame of `pixels` pixels.
bool DecodeImageData(const std::string& data, size_t pixels, GifFrame* frame, std::string* error);

// Little helpers for golden bytes.
std::string Bytes(std::initializer_list<int> values);

}  // namespace test
}  // namespace movrel
