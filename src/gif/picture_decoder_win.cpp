// Decoding through the OLE picture loader: the picture is drawn upright at its
// natural size into a screen-compatible bitmap and read back as 24-bit rows,
// which is how the system delivers BMP, JPEG and GIF pictures alike.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstring>
#include <utility>

#include "common/handle_win.h"
#include "gif/bmp_decoder.h"
#include "gif/codec_failure.h"
#include "gif/picture_decoder.h"

namespace movrel {

namespace {

// Keeps COM initialised on this thread while a picture is decoded; some
// loaders (JPEG, GIF) create their decoders through COM.
class ComScope {
 public:
  ComScope() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialized_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialized_;
};

// Loads the picture from a read-only copy of the bytes in a movable block,
// which is released as soon as the loader is done with it.
bool LoadPicture(const uint8_t* data, size_t size, ComPtr<IPicture>* picture) {
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) throw CodecFailure(kNoMemoryForFile);
  {
    GlobalLockGuard lock(block.get());
    if (!lock.data()) throw CodecFailure(kNoMemoryForFile);
    std::memcpy(lock.data(), data, size);
  }
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(block.get(), FALSE, stream.put()))) return false;
  HRESULT hr = OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                              reinterpret_cast<void**>(picture->put()));
  return SUCCEEDED(hr) && picture->get();
}

}  // namespace

bool DecodePicture(const uint8_t* data, size_t size, WorkingImage* image) {
  if (!data || size == 0 || size > 0x7FFFFFFF) return false;
  // The loader makes pictures of garbage or of nothing from some broken BMP
  // files; those fail here as they do in the codec's own decoder.
  if (InspectBmp(data, size) == BmpVerdict::kBroken) return false;
  ComScope com;
  ComPtr<IPicture> picture;
  if (!LoadPicture(data, size, &picture)) return false;

  // The natural size comes in hundredths of a millimetre; the screen's
  // logical resolution turns it into pixels, rounded to the nearest.
  OLE_XSIZE_HIMETRIC sizeX = 0;
  OLE_YSIZE_HIMETRIC sizeY = 0;
  if (FAILED(picture->get_Width(&sizeX)) || FAILED(picture->get_Height(&sizeY))) return false;
  WindowDc screen(nullptr);
  if (!screen) return false;
  int width = MulDiv(sizeX, GetDeviceCaps(screen.get(), LOGPIXELSX), 2540);
  int height = MulDiv(sizeY, GetDeviceCaps(screen.get(), LOGPIXELSY), 2540);
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) return false;

  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  UniqueMemoryDc memoryDc(CreateCompatibleDC(screen.get()));
  if (!bitmap || !memoryDc) return false;
  {
    SelectGuard select(memoryDc.get(), bitmap.get());
    // Source rectangle from the top edge downwards draws the picture upright.
    if (FAILED(picture->Render(memoryDc.get(), 0, 0, width, height, 0, sizeY, sizeX, -sizeY, nullptr))) return false;
  }
  picture.reset();

  WorkingImage decoded;
  decoded.Allocate(width, height);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  // On a palette display the read-back goes through the stock palette.
  HPALETTE previous = SelectPalette(screen.get(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  RealizePalette(screen.get());
  int lines = GetDIBits(screen.get(), bitmap.get(), 0, static_cast<UINT>(height), decoded.StoredRow(0), &info,
                        DIB_RGB_COLORS);
  if (previous) SelectPalette(screen.get(), previous, FALSE);
  RealizePalette(screen.get());
  if (lines != height) return false;
  *image = std::move(decoded);
  return true;
}

}  // namespace movrel
