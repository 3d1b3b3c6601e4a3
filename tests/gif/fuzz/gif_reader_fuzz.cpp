// libFuzzer target over the GIF reader: loads arbitrary bytes and drives every
// read operation over every frame, plus the edits that write back what was
// read. Besides the sanitizers it checks two properties a sound reader keeps:
// writing back the values just read changes no byte, and a BMP's size field
// matches its length.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "gif/gif_reader.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

uint32_t Le32(const std::string& s, size_t pos) {
  return static_cast<uint8_t>(s[pos]) | static_cast<uint8_t>(s[pos + 1]) << 8 |
         static_cast<uint8_t>(s[pos + 2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(s[pos + 3])) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace movrel;
  GifReader reader;
  reader.Create();
  const std::string input(reinterpret_cast<const char*>(data), size);
  reader.LoadGif("", input);

  GifFileInfo info = reader.GetGifInfo();
  const bool loaded = reader.GetError().empty();
  if (!loaded) return 0;
  Require(reader.GetGifData(0) == input);
  Require(reader.SetGifInfo(info));

  for (int k = 0; k <= info.frameCount + 1; ++k) {
    GifFrameInfo frame = reader.GetFrameInfo(k);
    if (reader.GetError().empty()) Require(reader.SetFrameInfo(frame, k));
    for (int index : {0, 1, 255}) {
      int32_t colour = reader.GetPalette(k, index);
      if (colour >= 0) Require(reader.SetPalette(k, index, colour));
    }
    if (k >= 1) {
      std::string bmp = reader.GetGifData(k);
      if (!bmp.empty()) Require(bmp.size() >= 54 && bmp.compare(0, 2, "BM") == 0 && Le32(bmp, 2) == bmp.size());
    }
  }
  Require(reader.GetGifData(0) == input);
  return 0;
}
