// The portable half of re-encoding: which GDI+ encoder a save format names
// and how a target file name is read.
#pragma once

#include <string>
#include <vector>

namespace movrel {

// The formats frames are saved in: the "保存格式" list index + 1.
enum SaveFormat {
  kSaveBmp = 1,
  kSaveJpeg = 2,
  kSaveGif = 3,
  kSaveTiff = 4,
  kSavePng = 5,
};
// The list's items, in SaveFormat's order; each is also the extension of
// the files saved in its format.
const std::vector<const char*>& SaveFormatItems();
// The format at a list index; an index outside the list means BMP.
SaveFormat SaveFormatAt(int listIndex);
inline int SaveFormatIndex(SaveFormat format) { return static_cast<int>(format) - 1; }
// "BMP", "JPG", "GIF", "TIFF", "PNG".
std::string SaveFormatExtension(SaveFormat format);

// The published class identifier of the built-in GDI+ encoder, as
// "{xxxxxxxx-...}" text; empty text for a value outside the table.
std::string EncoderClassIdText(int saveFormat);

// True when `bytes` are a GIF file whose first image carries compressed
// data: the signature, the screen descriptor and its colour table, any
// extensions, an image descriptor and a non-empty first data block, all
// inside the bytes.
bool GifHasImageData(const std::string& bytes);

// `text` without the spaces at both ends.
std::string TrimSpaces(const std::string& text);

}  // namespace movrel
