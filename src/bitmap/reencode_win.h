// Re-encoding of a picture file's bytes into another file format, with GDI+
// decoding and encoding entirely in memory.
#pragma once

#include <string>

#include "bitmap/image_format.h"

namespace movrel {

// Decodes `input` (any picture file GDI+ reads, in practice BMP bytes) and
// encodes it with the built-in encoder of `saveFormat` (see SaveFormat),
// every encoder with its own defaults. When `fileName` is not empty after
// trimming spaces, the result is also written to that file (GBK path),
// replacing it. True when encoded bytes were produced (and written, when a
// file was named); `output` is left unchanged otherwise. GDI+ is started and
// shut down around every call.
bool ReencodeImage(const std::string& input, int saveFormat, const std::string& fileName, std::string* output);
bool ReencodeImage(const std::string& input, int saveFormat, std::string* output);

// `text` (GBK) as UTF-16LE bytes with its terminating zero character, or
// without it when `dropTerminator` is set. Empty text gives empty bytes.
std::string ToWideBytes(const std::string& text, bool dropTerminator);

}  // namespace movrel
