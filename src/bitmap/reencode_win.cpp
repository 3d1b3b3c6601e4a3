#include "bitmap/reencode_win.h"

#include <windows.h>

// GDI+ needs the COM stream types first.
#include <objidl.h>

#include <gdiplus.h>

#include <cstring>
#include <memory>

#include "bitmap/bitmap_surface_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"

namespace movrel {
namespace {

namespace gp = Gdiplus::DllExports;

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;  // version 1, no callback, both defaults
    started_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (started_) Gdiplus::GdiplusShutdown(token_);
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  bool started() const { return started_; }

 private:
  ULONG_PTR token_ = 0;
  bool started_ = false;
};

using UniqueStream = ComPtr<IStream>;

struct ImageDispose {
  void operator()(Gdiplus::GpBitmap* image) const { gp::GdipDisposeImage(image); }
};
using UniqueImage = std::unique_ptr<Gdiplus::GpBitmap, ImageDispose>;

// A stream over a copy of `bytes`; the stream frees its block on release.
UniqueStream StreamOverCopy(const std::string& bytes) {
  // CreateStreamOnHGlobal wants a movable block.
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, bytes.size()));
  if (!block) return UniqueStream();
  {
    GlobalLockGuard lock(block.get());
    if (!lock.data()) return UniqueStream();
    std::memcpy(lock.data(), bytes.data(), bytes.size());
  }
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(block.get(), TRUE, &stream))) return UniqueStream();
  block.release();
  return UniqueStream(stream);
}

// The stream's contents up to its own length: the block behind it may be
// rounded up, and those trailing bytes belong to no file.
bool StreamContents(IStream* stream, std::string* bytes) {
  STATSTG stat = {};
  HGLOBAL block = nullptr;
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME)) || FAILED(GetHGlobalFromStream(stream, &block))) return false;
  const ULONGLONG length = stat.cbSize.QuadPart;
  if (length == 0 || length > GlobalSize(block)) return false;
  GlobalLockGuard lock(block);
  if (!lock.data()) return false;
  bytes->assign(static_cast<const char*>(lock.data()), static_cast<size_t>(length));
  return true;
}

// Decodes `input` with GDI+ and encodes it with the encoder of `saveFormat`,
// with the encoder's own defaults.
bool Encode(const std::string& input, int saveFormat, std::string* encoded) {
  const std::string classIdText = EncoderClassIdText(saveFormat);
  if (input.empty() || classIdText.empty()) return false;

  GdiplusSession session;
  if (!session.started()) return false;
  const std::string wideText = ToWideBytes(classIdText, false);
  std::wstring classIdWide(reinterpret_cast<const wchar_t*>(wideText.data()), wideText.size() / sizeof(wchar_t));
  CLSID encoder;
  if (FAILED(CLSIDFromString(classIdWide.c_str(), &encoder))) return false;

  UniqueStream source = StreamOverCopy(input);
  if (!source) return false;
  Gdiplus::GpBitmap* decoded = nullptr;
  if (gp::GdipCreateBitmapFromStream(source.get(), &decoded) != Gdiplus::Ok || !decoded) return false;
  UniqueImage image(decoded);

  UniqueStream target;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, target.put()))) return false;
  // A failing encoder may have written part of a file; that is no result.
  if (gp::GdipSaveImageToStream(image.get(), target.get(), &encoder, nullptr) != Gdiplus::Ok) return false;
  return StreamContents(target.get(), encoded);
}

// Some GDI+ builds encode GIF from palette pictures only: given any other
// they fail, or write a GIF without image data and report success. The
// retry goes through an 8-bit copy on the fixed colour table, the reduction
// that frames of the lower quality get anyway.
bool EncodeGifFromEightBits(const std::string& input, std::string* encoded) {
  std::string bmp, gif;
  BitmapSurface surface;
  if (!Encode(input, kSaveBmp, &bmp) || !surface.LoadFromBmpBytes(bmp) || !surface.ConvertDepth(8)) return false;
  if (!Encode(surface.ToBmpBytes(), kSaveGif, &gif) || !GifHasImageData(gif)) return false;
  *encoded = std::move(gif);
  return true;
}

}  // namespace

std::string ToWideBytes(const std::string& text, bool dropTerminator) {
  if (text.empty()) return std::string();
  // -1: the terminating zero is converted too.
  const int units = MultiByteToWideChar(kGbkCodePage, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return std::string();
  std::wstring wide(static_cast<size_t>(units), L'\0');
  MultiByteToWideChar(kGbkCodePage, 0, text.c_str(), -1, &wide[0], units);
  std::string bytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t));
  if (dropTerminator) bytes.resize(bytes.size() - sizeof(wchar_t));
  return bytes;
}

bool ReencodeImage(const std::string& input, int saveFormat, const std::string& fileName, std::string* output) {
  std::string encoded;
  bool done = Encode(input, saveFormat, &encoded);
  if (saveFormat == kSaveGif && !(done && GifHasImageData(encoded))) done = EncodeGifFromEightBits(input, &encoded);
  if (!done) return false;
  const std::string path = TrimSpaces(fileName);
  if (!path.empty() && !WriteWholeFile(path, encoded)) return false;
  *output = std::move(encoded);
  return true;
}

bool ReencodeImage(const std::string& input, int saveFormat, std::string* output) {
  return ReencodeImage(input, saveFormat, std::string(), output);
}

}  // namespace movrel
