// BitmapSurface: one picture held twice, kept in step: as a DIB section
// selected into a memory DC (so GDI can blit into and out of it) and as a
// packed DIB byte image (info header, colour table, bottom-up pixel rows)
// from which a complete BMP file is made. The rest of the program trades
// pictures as BMP file bytes: captures end with ToBmpBytes, and pictures
// arriving as bytes enter through LoadFromBmpBytes.
//
// Coordinates are GDI coordinates: (0, 0) is the top-left pixel although the
// rows are stored bottom-up. Depths are 1, 4, 8, 16 (5-5-5), 24 and 32 bits
// per pixel; 1-, 4- and 8-bit pictures use fixed colour tables, and
// conversion to them is done by the block transfer alone. An optional
// argument given as 0 takes its default. One thread at a time per surface.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/desktop.h"

#include "bitmap/bmp_layout.h"
#include "common/handle_win.h"

namespace movrel {

// A DIB section selected into its own memory DC. Releasing puts the object
// that the selection displaced back first, so the section is never deleted
// while it is selected.
struct DibSection {
  UniqueMemoryDc memoryDc;
  UniqueBitmap dibHandle;
  HGDIOBJ previousBitmap = nullptr;
  uint8_t* pixelBits = nullptr;

  DibSection() = default;
  ~DibSection() { Release(); }
  DibSection(DibSection&& other) noexcept;
  DibSection& operator=(DibSection&& other) noexcept;
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  // A memory DC compatible with `referenceDc` and a section made on
  // `referenceDc` from `info` (header and colour table) with DIB_RGB_COLORS,
  // selected into it. False, holding nothing, when either cannot be made.
  bool Create(HDC referenceDc, const BITMAPINFO* info);
  void Release();
};

class BitmapSurface {
 public:
  BitmapSurface();
  virtual ~BitmapSurface();
  BitmapSurface(const BitmapSurface&) = delete;
  BitmapSurface& operator=(const BitmapSurface&) = delete;

  // Releases the picture; the surface is empty afterwards.
  virtual void Reset();
  virtual void InitPalettes();

  // Loads a BMP file's bytes in memory, into the display-compatible bitmap
  // the system's file loader would make (a monochrome picture stays at one
  // bit), so no file is involved and two loads never meet. False, and the
  // surface empty, for bytes that are no loadable BMP file.
  virtual bool LoadFromBmpBytes(const std::string& bmpBytes);
  // Reads the file once and loads those bytes; `path` is GBK.
  virtual bool LoadFromFile(const std::string& path);
  // Copies any bitmap that is not selected into a DC; the bitmap stays the
  // caller's. Depth 0: the bitmap's own.
  virtual bool LoadFromHandle(HBITMAP bitmap, int depth = 0);

  // The icon or cursor drawn over white at width x height (default 32 x 32)
  // and depth (default 32); transparent pixels come out white.
  virtual bool LoadFromIcon(HICON icon, int width = 0, int height = 0, int depth = 0);
  // A screen rectangle. Width and height default to the rest of the display
  // right of x and below y, depth to the display's. The grab never contains
  // the mouse pointer.
  virtual bool CaptureScreen(int x, int y, int width = 0, int height = 0, int depth = 0);
  // A block of a window's client area, as the window paints itself (so a
  // covered window is captured whole). Width and height default to the rest
  // of the client area, depth to 24. False for a minimised or hidden window
  // or one that cannot print itself.
  virtual bool CaptureWindow(HWND window, int x = 0, int y = 0, int width = 0, int height = 0, int depth = 0);
  // A rectangle of any DC, in that DC's coordinates.
  virtual bool CaptureDc(HDC dc, const RECT& rect, int depth);

  // A picture of zero pixel bytes: black, or colour-table entry 0 (black).
  virtual bool CreateBlank(int width, int height, int depth);
  // Copies the section's pixel memory into the pixel rows of the byte image.
  // Callers that draw into GetMemoryDc() run this themselves.
  virtual void RefreshImage();
  // Replaces the byte image by a blank one (the first step of every load);
  // no section is made. False, changing nothing, for an unsupported depth or
  // size.
  virtual bool BuildImage(int width, int height, int depth);
  // Swaps the picture for one of the same size at `depth`. False, keeping
  // the picture, when the surface is empty or the depth unsupported.
  virtual bool ConvertDepth(int depth);
  // Makes `target` a blank picture of (width + targetX) x (height + targetY)
  // at this surface's depth and copies the block whose top-left corner is
  // (x, y) here to (targetX, targetY) there. Width and height default to this
  // surface's. False when this surface is empty, when `target` is this
  // surface, or when the target cannot be made.
  virtual bool CopyRegionTo(BitmapSurface& target, int x, int y, int width = 0, int height = 0, int targetX = 0,
                            int targetY = 0);

  virtual HBITMAP GetHandle() const;
  virtual HDC GetMemoryDc() const;
  // From the header of the byte image; 0 when empty.
  virtual int GetWidth() const;
  virtual int GetHeight() const;
  virtual int GetDepth() const;
  // As the system reports them for the section; 0 when empty.
  virtual int GetHandleWidth() const;
  virtual int GetHandleHeight() const;
  virtual int GetHandleDepth() const;
  // Start of the byte image; null when empty.
  virtual const uint8_t* GetImageAddress() const;
  // Start of the pixel rows inside the byte image; null when empty.
  virtual const uint8_t* GetPixelAddress() const;
  // Height x stride; 0 when empty.
  virtual int GetPixelSize() const;
  // Start of the colour table for depths below 16; null otherwise.
  virtual const uint8_t* GetPaletteAddress() const;
  // 4 x colour-table entries; 0 when empty.
  virtual int GetPaletteSize() const;
  virtual int GetStride() const;
  static int StrideFor(int bitsPerRow) { return movrel::StrideFor(bitsPerRow); }
  static std::string InfoHeaderToBytes(const BmpInfoHeader& header) { return movrel::InfoHeaderToBytes(header); }
  static std::string FileHeaderToBytes(const BmpFileHeader& header) { return movrel::FileHeaderToBytes(header); }

  // The whole BMP file; an empty surface gives the bare 14-byte file header.
  virtual std::string ToBmpBytes();
  // The pixel rows, bottom row first.
  virtual std::string GetPixelBytes();
  // The colour at (x, y) (red in the lowest byte), CLR_INVALID outside.
  virtual COLORREF GetPixel(int x, int y);
  // Writes one pixel into the section; the byte image catches up at the next
  // ToBmpBytes, GetPixelBytes or GetPixel. False outside the picture.
  virtual bool SetPixel(int x, int y, COLORREF colour);

 private:
  // The common tail of every load: a section made on `referenceDc` from the
  // header of the byte image that BuildImage has just made. On failure the
  // surface is reset.
  bool AttachSection(HDC referenceDc);
  // After the section was filled: flush GDI and copy the pixels into the
  // byte image. On a failed fill the surface is reset.
  bool FinishAttach(bool filled);
  void RefreshIfChanged();
  bool Contains(int x, int y) const;
  HDC ScreenDc() const { return screenDc ? screenDc->get() : nullptr; }

  std::string palette1;
  std::string palette4;
  std::string palette8;
  std::optional<WindowDc> screenDc;
  DibSection section;
  std::string dibImage;
  bool bitsChanged = false;
};

// `rect` of the desktop at `depth`, wherever it lies: what no monitor
// shows (a gap between monitors of different sizes, or beyond the desktop)
// is black, and only the part within the desktop's bounds is read from the
// screen. False only when the picture itself cannot be made.
bool CaptureDesktopArea(BitmapSurface& surface, const RecordRect& rect, const Desktop& desktop, int depth);

}  // namespace movrel
