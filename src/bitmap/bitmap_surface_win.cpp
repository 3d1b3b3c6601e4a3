#include "bitmap/bitmap_surface_win.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/file_io.h"

namespace movrel {

namespace {

bool GetBitmapInfo(HGDIOBJ bitmap, BITMAP* info) {
  if (!bitmap || GetObjectType(bitmap) != OBJ_BITMAP) return false;
  return GetObjectW(bitmap, sizeof(BITMAP), info) != 0;
}

// A one-bit picture whose colour table is black, then white.
bool IsBlackAndWhite(const uint32_t* info, bool core) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(info);
  if (core) {
    const auto* header = reinterpret_cast<const BITMAPCOREHEADER*>(info);
    const uint8_t* table = bytes + sizeof(BITMAPCOREHEADER);
    return header->bcBitCount == 1 && table[0] == 0 && table[1] == 0 && table[2] == 0 && table[3] == 0xFF &&
           table[4] == 0xFF && table[5] == 0xFF;
  }
  const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(info);
  const uint8_t* table = bytes + header->biSize;
  return header->biBitCount == 1 && table[0] == 0 && table[1] == 0 && table[2] == 0 && table[4] == 0xFF &&
         table[5] == 0xFF && table[6] == 0xFF;
}

}  // namespace

DibSection::DibSection(DibSection&& other) noexcept
    : memoryDc(std::move(other.memoryDc)),
      dibHandle(std::move(other.dibHandle)),
      previousBitmap(std::exchange(other.previousBitmap, nullptr)),
      pixelBits(std::exchange(other.pixelBits, nullptr)) {}

DibSection& DibSection::operator=(DibSection&& other) noexcept {
  if (this != &other) {
    Release();
    memoryDc = std::move(other.memoryDc);
    dibHandle = std::move(other.dibHandle);
    previousBitmap = std::exchange(other.previousBitmap, nullptr);
    pixelBits = std::exchange(other.pixelBits, nullptr);
  }
  return *this;
}

bool DibSection::Create(HDC referenceDc, const BITMAPINFO* info) {
  Release();
  UniqueMemoryDc dc(CreateCompatibleDC(referenceDc));
  if (!dc) return false;
  void* bits = nullptr;
  UniqueBitmap dib(CreateDIBSection(referenceDc, info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return false;
  HGDIOBJ previous = SelectObject(dc.get(), dib.get());
  if (!previous || previous == HGDI_ERROR) return false;
  memoryDc = std::move(dc);
  dibHandle = std::move(dib);
  previousBitmap = previous;
  pixelBits = static_cast<uint8_t*>(bits);
  return true;
}

void DibSection::Release() {
  if (memoryDc && previousBitmap) SelectObject(memoryDc.get(), previousBitmap);
  previousBitmap = nullptr;
  pixelBits = nullptr;
  dibHandle.reset();
  memoryDc.reset();
}

BitmapSurface::BitmapSurface() {
  InitPalettes();
  screenDc.emplace(nullptr);
}

// The members release themselves in reverse order: the section is put out
// of its memory DC and deleted with the DC, then the screen DC is given back.
BitmapSurface::~BitmapSurface() = default;

void BitmapSurface::Reset() {
  if (dibImage.empty() && !section.dibHandle) return;
  section.Release();
  dibImage.clear();
  screenDc.reset();
  screenDc.emplace(nullptr);
  bitsChanged = false;
}

void BitmapSurface::InitPalettes() {
  palette1 = FixedPalette(1);
  palette4 = FixedPalette(4);
  palette8 = FixedPalette(8);
}

bool BitmapSurface::LoadFromBmpBytes(const std::string& bmpBytes) {
  Reset();
  // The system loader trusts the headers; bytes that do not hold together
  // never reach it.
  BmpFileLayout layout;
  if (!IsLoadableBmpFile(bmpBytes, &layout)) return false;
  const size_t tableEnd = layout.tableEnd;
  const size_t pixelStart = layout.pixelOffset;
  // The headers and colour table in 4-byte aligned memory, as GDI reads them;
  // the table may reach into the pixels when the file says they start early.
  const size_t infoBytes = (pixelStart > tableEnd ? pixelStart : tableEnd) - kFileHeaderBytes;
  // Zeros behind it: a table cut short never reads as black and white.
  std::vector<uint32_t> info(infoBytes / 4 + 3, 0);
  std::memcpy(info.data(), bmpBytes.data() + kFileHeaderBytes, infoBytes);
  auto* header = reinterpret_cast<BITMAPINFO*>(info.data());
  // A run-length picture is decoded up to its size field: never past the file.
  if (layout.compression == kBmpRle8 || layout.compression == kBmpRle4) {
    header->bmiHeader.biSizeImage = static_cast<DWORD>(bmpBytes.size() - pixelStart);
  }
  // What the file loader does without LR_CREATEDIBSECTION: a monochrome
  // bitmap for a black-and-white picture, otherwise one compatible with the
  // screen, filled from the bits.
  const bool core = layout.headerBytes == sizeof(BITMAPCOREHEADER);
  const int width = layout.width;
  const int rows = layout.height;
  UniqueBitmap loaded(IsBlackAndWhite(info.data(), core) ? CreateBitmap(width, rows, 1, 1, nullptr)
                                                         : CreateCompatibleBitmap(ScreenDc(), width, rows));
  if (!loaded) return false;
  if (SetDIBits(ScreenDc(), loaded.get(), 0, static_cast<UINT>(rows), bmpBytes.data() + pixelStart, header,
                DIB_RGB_COLORS) <= 0) {
    return false;
  }
  return LoadFromHandle(loaded.get(), 0);
}

bool BitmapSurface::LoadFromFile(const std::string& path) {
  Reset();
  std::string bytes;
  // The bytes checked are the bytes loaded: the file is not opened twice.
  if (!ReadWholeFile(path, &bytes)) return false;
  return LoadFromBmpBytes(bytes);
}

bool BitmapSurface::LoadFromHandle(HBITMAP bitmap, int depth) {
  Reset();
  BITMAP info;
  if (!GetBitmapInfo(bitmap, &info)) return false;
  if (depth == 0) depth = info.bmBitsPixel;
  UniqueMemoryDc source(CreateCompatibleDC(ScreenDc()));
  if (!source) return false;
  // A bitmap can be selected into one DC only; one that is selected elsewhere
  // cannot be read here.
  HGDIOBJ held = SelectObject(source.get(), bitmap);
  if (!held || held == HGDI_ERROR) return false;
  bool filled = false;
  if (BuildImage(info.bmWidth, info.bmHeight, depth) && AttachSection(ScreenDc())) {
    filled = BitBlt(section.memoryDc.get(), 0, 0, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY) != FALSE;
  }
  SelectObject(source.get(), held);
  if (!section.dibHandle) {
    Reset();
    return false;
  }
  return FinishAttach(filled);
}

bool BitmapSurface::CreateBlank(int width, int height, int depth) {
  Reset();
  if (!BuildImage(width, height, depth) || !AttachSection(ScreenDc())) return false;
  return FinishAttach(true);
}

void BitmapSurface::RefreshImage() {
  if (dibImage.empty() || !section.pixelBits) return;
  GdiFlush();
  std::memcpy(&dibImage[ImagePixelOffset(dibImage)], section.pixelBits, static_cast<size_t>(GetPixelSize()));
}

bool BitmapSurface::BuildImage(int width, int height, int depth) {
  const std::string& table = depth == 1 ? palette1 : depth == 4 ? palette4 : depth == 8 ? palette8 : std::string();
  return BuildImageBytes(width, height, depth, table, &dibImage);
}

bool BitmapSurface::AttachSection(HDC referenceDc) {
  if (section.Create(referenceDc, reinterpret_cast<const BITMAPINFO*>(dibImage.data()))) return true;
  Reset();
  return false;
}

bool BitmapSurface::FinishAttach(bool filled) {
  if (!filled) {
    Reset();
    return false;
  }
  RefreshImage();  // flushes GDI first
  return true;
}

bool BitmapSurface::ConvertDepth(int depth) {
  BITMAP info;
  if (!GetBitmapInfo(section.dibHandle.get(), &info) || !IsSupportedDepth(depth)) return false;
  // The old picture stays whole until the new one is complete, so a failure
  // can put it back.
  DibSection kept = std::move(section);
  std::string keptImage = std::move(dibImage);
  dibImage.clear();
  bool done = BuildImage(info.bmWidth, info.bmHeight, depth) &&
              section.Create(ScreenDc(), reinterpret_cast<const BITMAPINFO*>(dibImage.data())) &&
              BitBlt(section.memoryDc.get(), 0, 0, info.bmWidth, info.bmHeight, kept.memoryDc.get(), 0, 0, SRCCOPY);
  if (!done) {
    section = std::move(kept);
    dibImage = std::move(keptImage);
    return false;
  }
  RefreshImage();
  return true;
}

bool BitmapSurface::CopyRegionTo(BitmapSurface& target, int x, int y, int width, int height, int targetX, int targetY) {
  BITMAP info;
  if (&target == this || !GetBitmapInfo(section.dibHandle.get(), &info)) return false;
  if (width == 0) width = info.bmWidth;
  if (height == 0) height = info.bmHeight;
  const int64_t targetWidth = int64_t{width} + targetX;
  const int64_t targetHeight = int64_t{height} + targetY;
  if (targetWidth > INT32_MAX || targetHeight > INT32_MAX) return false;
  if (!target.CreateBlank(static_cast<int>(targetWidth), static_cast<int>(targetHeight), info.bmBitsPixel)) {
    return false;
  }
  if (!BitBlt(target.GetMemoryDc(), targetX, targetY, width, height, section.memoryDc.get(), x, y, SRCCOPY)) {
    target.Reset();
    return false;
  }
  target.RefreshImage();
  return true;
}

HBITMAP BitmapSurface::GetHandle() const { return section.dibHandle.get(); }
HDC BitmapSurface::GetMemoryDc() const { return section.memoryDc.get(); }

int BitmapSurface::GetWidth() const { return ImageWidth(dibImage); }
int BitmapSurface::GetHeight() const { return ImageHeight(dibImage); }
int BitmapSurface::GetDepth() const { return ImageDepth(dibImage); }

int BitmapSurface::GetHandleWidth() const {
  BITMAP info;
  return GetBitmapInfo(section.dibHandle.get(), &info) ? info.bmWidth : 0;
}

int BitmapSurface::GetHandleHeight() const {
  BITMAP info;
  return GetBitmapInfo(section.dibHandle.get(), &info) ? info.bmHeight : 0;
}

int BitmapSurface::GetHandleDepth() const {
  BITMAP info;
  return GetBitmapInfo(section.dibHandle.get(), &info) ? info.bmBitsPixel : 0;
}

const uint8_t* BitmapSurface::GetImageAddress() const {
  return dibImage.empty() ? nullptr : reinterpret_cast<const uint8_t*>(dibImage.data());
}

const uint8_t* BitmapSurface::GetPixelAddress() const {
  return dibImage.empty() ? nullptr : GetImageAddress() + ImagePixelOffset(dibImage);
}

int BitmapSurface::GetPixelSize() const { return ImagePixelBytes(dibImage); }

const uint8_t* BitmapSurface::GetPaletteAddress() const {
  return ImagePaletteBytes(dibImage) == 0 ? nullptr : GetImageAddress() + kInfoHeaderBytes;
}

int BitmapSurface::GetPaletteSize() const { return ImagePaletteBytes(dibImage); }
int BitmapSurface::GetStride() const { return ImageStride(dibImage); }

void BitmapSurface::RefreshIfChanged() {
  if (!bitsChanged) return;
  RefreshImage();
  bitsChanged = false;
}

std::string BitmapSurface::ToBmpBytes() {
  RefreshIfChanged();
  return BmpFileFromImage(dibImage);
}

std::string BitmapSurface::GetPixelBytes() {
  RefreshIfChanged();
  if (dibImage.empty()) return std::string();
  return dibImage.substr(static_cast<size_t>(ImagePixelOffset(dibImage)));
}

bool BitmapSurface::Contains(int x, int y) const {
  return section.memoryDc && x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight();
}

COLORREF BitmapSurface::GetPixel(int x, int y) {
  RefreshIfChanged();
  if (!Contains(x, y)) return CLR_INVALID;
  return ::GetPixel(section.memoryDc.get(), x, y);
}

bool BitmapSurface::SetPixel(int x, int y, COLORREF colour) {
  if (!Contains(x, y) || !SetPixelV(section.memoryDc.get(), x, y, colour)) return false;
  bitsChanged = true;
  return true;
}

}  // namespace movrel
