#include "bitmap/bitmap_surface_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "test_pictures.h"

namespace movrel {
namespace {

using testing_pictures::Colorref;
using testing_pictures::GradientBmp;
using testing_pictures::GradientColour;
using testing_pictures::Image24;
using testing_pictures::Pixel24;
using testing_pictures::PutPixel;
using testing_pictures::Rgb;

uint32_t U32At(const std::string& s, size_t at) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int DisplayDepth() {
  DEVMODEW mode = {};
  mode.dmSize = sizeof(mode);
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return static_cast<int>(mode.dmBitsPerPel);
}

std::wstring TempFolderW() {
  wchar_t buffer[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, buffer);
  return std::wstring(buffer, n);
}

bool LoadTempFileExists() {
  return GetFileAttributesW((TempFolderW() + ToWide(kLoadTempFileName)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ImageOf(BitmapSurface& surface) {
  const std::string file = surface.ToBmpBytes();
  return file.substr(kFileHeaderBytes);
}

void ExpectEmpty(BitmapSurface& s) {
  EXPECT_EQ(s.GetHandle(), nullptr);
  EXPECT_EQ(s.GetMemoryDc(), nullptr);
  EXPECT_EQ(s.GetWidth(), 0);
  EXPECT_EQ(s.GetHeight(), 0);
  EXPECT_EQ(s.GetDepth(), 0);
  EXPECT_EQ(s.GetHandleWidth(), 0);
  EXPECT_EQ(s.GetStride(), 0);
  EXPECT_EQ(s.GetPixelSize(), 0);
  EXPECT_EQ(s.GetPaletteSize(), 0);
  EXPECT_EQ(s.GetImageAddress(), nullptr);
  EXPECT_EQ(s.GetPixelAddress(), nullptr);
  EXPECT_EQ(s.GetPaletteAddress(), nullptr);
  EXPECT_EQ(s.GetPixelBytes(), "");
  EXPECT_EQ(s.ToBmpBytes(), std::string("BM\x0E\0\0\0\0\0\0\0\x36\0\0\0", 14));
}

TEST(SurfaceEmpty, EveryReadAnswersEmptyAndEveryUseFails) {
  BitmapSurface fresh;
  ExpectEmpty(fresh);
  BitmapSurface target;
  EXPECT_EQ(fresh.GetPixel(0, 0), CLR_INVALID);
  EXPECT_FALSE(fresh.SetPixel(0, 0, 0));
  EXPECT_FALSE(fresh.ConvertDepth(24));
  EXPECT_FALSE(fresh.CopyRegionTo(target, 0, 0));
  EXPECT_FALSE(fresh.CopyToClipboard());
  ExpectEmpty(fresh);

  BitmapSurface used;
  ASSERT_TRUE(used.CreateBlank(5, 5, 24));
  used.Reset();
  ExpectEmpty(used);
  used.Reset();  // a second reset of an empty surface is harmless
  ExpectEmpty(used);
}

TEST(SurfaceBlank, LayoutOfBlankPictures) {
  struct Case {
    int width, height, depth, stride;
    size_t fileBytes;
    uint32_t pixelOffset;
  };
  const Case cases[] = {
      {3, 2, 24, 12, 78, 54}, {100, 100, 24, 300, 30054, 54}, {1, 1, 24, 4, 58, 54}, {33, 1, 1, 8, 70, 62},
      {5, 3, 4, 4, 130, 118}, {4, 4, 8, 4, 1094, 1078},       {3, 2, 16, 8, 70, 54}, {2, 3, 32, 8, 78, 54},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.depth);
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(c.width, c.height, c.depth));
    EXPECT_EQ(s.GetWidth(), c.width);
    EXPECT_EQ(s.GetHeight(), c.height);
    EXPECT_EQ(s.GetDepth(), c.depth);
    EXPECT_EQ(s.GetHandleWidth(), c.width);
    EXPECT_EQ(s.GetHandleHeight(), c.height);
    EXPECT_EQ(s.GetHandleDepth(), c.depth);
    EXPECT_EQ(s.GetStride(), c.stride);
    EXPECT_EQ(s.GetPixelSize(), c.stride * c.height);
    EXPECT_EQ(s.GetPixelAddress(), s.GetImageAddress() + c.pixelOffset - kFileHeaderBytes);
    const std::string file = s.ToBmpBytes();
    ASSERT_EQ(file.size(), c.fileBytes);
    EXPECT_EQ(U32At(file, 2), c.fileBytes);
    EXPECT_EQ(U32At(file, 10), c.pixelOffset);
    EXPECT_EQ(file.substr(c.pixelOffset), std::string(c.fileBytes - c.pixelOffset, '\0'));
    EXPECT_EQ(s.GetPixelBytes(), std::string(c.fileBytes - c.pixelOffset, '\0'));
    const std::string& table = FixedPalette(c.depth);
    EXPECT_EQ(s.GetPaletteSize(), static_cast<int>(table.size()));
    if (table.empty()) {
      EXPECT_EQ(s.GetPaletteAddress(), nullptr);
    } else {
      ASSERT_EQ(s.GetPaletteAddress(), s.GetImageAddress() + kInfoHeaderBytes);
      EXPECT_EQ(file.substr(54, table.size()), table);
    }
    EXPECT_EQ(s.GetPixel(c.width - 1, c.height - 1), RGB(0, 0, 0));
  }
}

TEST(SurfaceBlank, UnsupportedDepthOrSizeFailsAndLeavesEmpty) {
  for (int depth : {0, 2, 12, 15, 64}) {
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(4, 4, 24));
    EXPECT_FALSE(s.CreateBlank(4, 4, depth)) << depth;
    ExpectEmpty(s);
  }
  BitmapSurface s;
  EXPECT_FALSE(s.CreateBlank(0, 4, 24));
  EXPECT_FALSE(s.CreateBlank(4, -1, 24));
  EXPECT_FALSE(s.CreateBlank(100000, 100000, 32));
  ExpectEmpty(s);
}

TEST(SurfacePixels, WritesReachTheBytesAtTheNextExport) {
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(4, 3, 24));
  ASSERT_TRUE(s.SetPixel(1, 0, RGB(10, 20, 30)));
  // The byte image catches up lazily, not at every write.
  EXPECT_EQ(s.GetPixelAddress()[2 * 12 + 3], 0);
  EXPECT_EQ(s.GetPixel(1, 0), RGB(10, 20, 30));

  ASSERT_TRUE(s.SetPixel(3, 2, RGB(200, 100, 50)));
  EXPECT_FALSE(s.SetPixel(-1, 0, RGB(1, 1, 1)));  // a failed write keeps the pending one
  EXPECT_FALSE(s.SetPixel(4, 0, RGB(1, 1, 1)));
  EXPECT_FALSE(s.SetPixel(0, 3, RGB(1, 1, 1)));
  const std::string image = ImageOf(s);
  EXPECT_EQ(Pixel24(image, 1, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(Pixel24(image, 3, 2), (Rgb{200, 100, 50}));
  EXPECT_EQ(Pixel24(image, 0, 0), (Rgb{0, 0, 0}));
  // The top row is the last one stored.
  EXPECT_EQ(static_cast<uint8_t>(image[40 + 2 * 12 + 3]), 30);

  ASSERT_TRUE(s.SetPixel(0, 1, RGB(7, 8, 9)));
  const std::string rows = s.GetPixelBytes();
  ASSERT_EQ(rows.size(), 36u);
  EXPECT_EQ(rows.substr(12, 3), "\x09\x08\x07");
}

TEST(SurfacePixels, OutsideThePictureIsInvalid) {
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(5, 4, 24));
  for (POINT p : {POINT{-1, 0}, POINT{0, -1}, POINT{5, 0}, POINT{0, 4}, POINT{INT_MIN, INT_MAX}}) {
    EXPECT_EQ(s.GetPixel(p.x, p.y), 0xFFFFFFFFu) << p.x << "," << p.y;
  }
  EXPECT_NE(s.GetPixel(4, 3), CLR_INVALID);
}

TEST(SurfacePixels, WritesMapOntoEachDepth) {
  struct Case {
    int depth;
    COLORREF written;
    COLORREF readBack;
    std::string storedBytes;  // the first pixel bytes of the top row
  };
  const Case cases[] = {
      {32, RGB(1, 2, 3), RGB(1, 2, 3), std::string("\x03\x02\x01", 3)},
      {24, RGB(250, 128, 0), RGB(250, 128, 0), std::string("\x00\x80\xFA", 3)},
      {16, RGB(255, 0, 0), RGB(255, 0, 0), std::string("\x00\x7C", 2)},  // 5-5-5: red is 0x7C00
      {8, RGB(255, 0, 0), RGB(255, 0, 0), std::string("\xF9", 1)},       // entry 249
      {8, RGB(0, 0, 128), RGB(0, 0, 128), std::string("\x04", 1)},
      {4, RGB(255, 255, 0), RGB(255, 255, 0), std::string("\xB0", 1)},  // entry 11 in the high nibble
      {1, RGB(255, 255, 255), RGB(255, 255, 255), std::string("\x80", 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "depth " << c.depth << " colour " << std::hex << c.written);
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(3, 2, c.depth));
    ASSERT_TRUE(s.SetPixel(0, 0, c.written));
    EXPECT_EQ(s.GetPixel(0, 0), c.readBack);
    const std::string image = ImageOf(s);
    const size_t top = static_cast<size_t>(ImagePixelOffset(image) + ImageStride(image));
    EXPECT_EQ(image.substr(top, c.storedBytes.size()), c.storedBytes);
  }
}

TEST(LoadFromBmpBytes, TakesTheDisplayDepthUntilConverted) {
  const std::string original = GradientBmp(7, 5);
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromBmpBytes(original));
  EXPECT_FALSE(LoadTempFileExists());
  EXPECT_EQ(s.GetWidth(), 7);
  EXPECT_EQ(s.GetHeight(), 5);
  EXPECT_EQ(s.GetDepth(), DisplayDepth());
  EXPECT_EQ(s.GetPixel(6, 0), Colorref(GradientColour(6, 0)));
  ASSERT_TRUE(s.ConvertDepth(24));
  EXPECT_EQ(s.GetDepth(), 24);
  EXPECT_EQ(s.ToBmpBytes(), original);
}

TEST(LoadFromBmpBytes, MalformedBytesFailAndLeaveNoFile) {
  std::string good = GradientBmp(4, 4);
  std::string truncated = good.substr(0, good.size() - 3);
  std::string badDepth = good;
  badDepth[28] = 7;
  std::string hugeClaim = good;
  hugeClaim.replace(18, 8, std::string("\xFF\xFF\x00\x00\xFF\xFF\x00\x00", 8));
  const std::string inputs[] = {
      "", "BM", "not a picture at all, just some text", truncated, badDepth, hugeClaim, std::string(2000, '\xFF')};
  for (const std::string& bytes : inputs) {
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(2, 2, 24));
    EXPECT_FALSE(s.LoadFromBmpBytes(bytes)) << bytes.size() << " bytes";
    ExpectEmpty(s);
    EXPECT_FALSE(LoadTempFileExists());
  }
}

TEST(LoadFromBmpBytes, ReplacesAStaleTemporaryFile) {
  const std::wstring path = TempFolderW() + ToWide(kLoadTempFileName);
  ASSERT_TRUE(WriteWholeFile(ToGbk(path), "stale bytes of an earlier run"));
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromBmpBytes(GradientBmp(3, 3)));
  EXPECT_EQ(s.GetPixel(2, 2), Colorref(GradientColour(2, 2)));
  EXPECT_FALSE(LoadTempFileExists());
}

// The temporary folder is taken from TMP; a folder name with GBK trail bytes
// equal to '\\' and ']' must still name one folder.
TEST(LoadFromBmpBytes, TemporaryFolderWithTrailByteCharacters) {
  wchar_t saved[MAX_PATH] = {};
  const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
  const std::wstring folder = TempFolderW() + ToWide("運閉_movrel_bitmap");
  CreateDirectoryW(folder.c_str(), nullptr);
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", folder.c_str()));
  ASSERT_EQ(TempFolderW(), folder + L"\\");

  BitmapSurface s;
  const bool loaded = s.LoadFromBmpBytes(GradientBmp(6, 2));
  const bool leftBehind =
      GetFileAttributesW((folder + L"\\" + ToWide(kLoadTempFileName)).c_str()) != INVALID_FILE_ATTRIBUTES;
  SetEnvironmentVariableW(L"TMP", savedLength ? saved : nullptr);
  RemoveDirectoryW(folder.c_str());
  EXPECT_TRUE(loaded);
  EXPECT_FALSE(leftBehind);
  EXPECT_EQ(s.GetPixel(5, 1), Colorref(GradientColour(5, 1)));
}

TEST(LoadFromFile, MonochromeFilesStayAtOneBit) {
  std::string image;
  ASSERT_TRUE(BuildImageBytes(9, 3, 1, &image));
  PutPixel(&image, 0, 0, 1);
  PutPixel(&image, 8, 2, 1);
  const std::string path = ToGbk(TempFolderW()) + "運_mono_movrel.bmp";
  ASSERT_TRUE(WriteWholeFile(path, BmpFileFromImage(image)));
  BitmapSurface s;
  const bool loaded = s.LoadFromFile(path);
  RemoveFile(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(s.GetDepth(), 1);
  EXPECT_EQ(s.GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(8, 2), RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(1, 0), RGB(0, 0, 0));
  EXPECT_EQ(s.GetPixel(8, 1), RGB(0, 0, 0));
}

TEST(LoadFromFile, MissingOrMalformedFileFails) {
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(2, 2, 24));
  EXPECT_FALSE(s.LoadFromFile(ToGbk(TempFolderW()) + "no_such_movrel_picture.bmp"));
  ExpectEmpty(s);
  const std::string path = ToGbk(TempFolderW()) + "movrel_not_a_bmp.bmp";
  ASSERT_TRUE(WriteWholeFile(path, "BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"));
  EXPECT_FALSE(s.LoadFromFile(path));
  RemoveFile(path);
  ExpectEmpty(s);
}

// Colours that every depth's colour table holds exactly (except 1 bit).
const Rgb kPrimaries[] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 128, 128}};

std::string PrimariesBmp() {
  return BmpFileFromImage(Image24(6, 2, [](int x, int) { return kPrimaries[x]; }));
}

TEST(ConvertDepth, TheBlockTransferMapsOntoEachDepth) {
  for (int depth : {32, 24, 16, 8, 4}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    BitmapSurface s;
    ASSERT_TRUE(s.LoadFromBmpBytes(PrimariesBmp()));
    ASSERT_TRUE(s.ConvertDepth(depth));
    EXPECT_EQ(s.GetDepth(), depth);
    EXPECT_EQ(s.GetHandleDepth(), depth);
    EXPECT_EQ(s.GetWidth(), 6);
    EXPECT_EQ(s.GetHeight(), 2);
    const std::string file = s.ToBmpBytes();
    EXPECT_EQ(file.substr(54, FixedPalette(depth).size()), FixedPalette(depth));
    for (int x = 0; x < 6; ++x) {
      // 16 bits keep five bits a channel; 128 comes back as 132 or 128.
      const COLORREF got = s.GetPixel(x, 1);
      const Rgb want = kPrimaries[x];
      EXPECT_NEAR(GetRValue(got), want.red, depth == 16 ? 8 : 0) << x;
      EXPECT_NEAR(GetGValue(got), want.green, depth == 16 ? 8 : 0) << x;
      EXPECT_NEAR(GetBValue(got), want.blue, depth == 16 ? 8 : 0) << x;
    }
  }
  BitmapSurface mono;
  ASSERT_TRUE(mono.LoadFromBmpBytes(BmpFileFromImage(Image24(3, 1, [](int x, int) {
    const Rgb c[] = {{0, 0, 0}, {250, 250, 250}, {255, 255, 255}};
    return c[x];
  }))));
  ASSERT_TRUE(mono.ConvertDepth(1));
  EXPECT_EQ(mono.GetDepth(), 1);
  EXPECT_EQ(mono.GetPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(mono.GetPixel(2, 0), RGB(255, 255, 255));
}

TEST(ConvertDepth, AnUnsupportedDepthKeepsThePicture) {
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromBmpBytes(GradientBmp(5, 4)));
  ASSERT_TRUE(s.ConvertDepth(24));
  const std::string before = s.ToBmpBytes();
  for (int depth : {0, 12, 33}) EXPECT_FALSE(s.ConvertDepth(depth)) << depth;
  EXPECT_EQ(s.ToBmpBytes(), before);
  EXPECT_EQ(s.GetHandleDepth(), 24);
  EXPECT_EQ(s.GetPixel(4, 3), Colorref(GradientColour(4, 3)));
}

TEST(ConvertDepth, PendingPixelWritesSurviveTheSwap) {
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(3, 3, 32));
  ASSERT_TRUE(s.SetPixel(1, 1, RGB(9, 99, 199)));
  ASSERT_TRUE(s.ConvertDepth(24));
  EXPECT_EQ(Pixel24(ImageOf(s), 1, 1), (Rgb{9, 99, 199}));
}

TEST(CopyRegionTo, CopiesTheBlockAtTheSourceDepth) {
  BitmapSurface source;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(60, 80)));
  ASSERT_TRUE(source.ConvertDepth(24));
  BitmapSurface target;
  ASSERT_TRUE(target.CreateBlank(3, 3, 8));  // replaced, not drawn into
  ASSERT_TRUE(source.CopyRegionTo(target, 10, 20, 30, 40));
  EXPECT_EQ(target.GetWidth(), 30);
  EXPECT_EQ(target.GetHeight(), 40);
  EXPECT_EQ(target.GetDepth(), 24);
  const std::string image = ImageOf(target);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 30; ++x) {
      ASSERT_EQ(Pixel24(image, x, y), GradientColour(10 + x, 20 + y)) << x << "," << y;
    }
  }
}

TEST(CopyRegionTo, TargetPositionAndDefaults) {
  BitmapSurface source;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(20, 10)));
  ASSERT_TRUE(source.ConvertDepth(24));

  BitmapSurface whole;
  ASSERT_TRUE(source.CopyRegionTo(whole, 0, 0));
  EXPECT_EQ(whole.ToBmpBytes(), source.ToBmpBytes());

  BitmapSurface placed;
  ASSERT_TRUE(source.CopyRegionTo(placed, 2, 3, 4, 5, 6, 7));
  EXPECT_EQ(placed.GetWidth(), 10);
  EXPECT_EQ(placed.GetHeight(), 12);
  const std::string image = ImageOf(placed);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 10; ++x) {
      const bool inBlock = x >= 6 && y >= 7;
      const Rgb want = inBlock ? GradientColour(x - 6 + 2, y - 7 + 3) : Rgb{0, 0, 0};
      ASSERT_EQ(Pixel24(image, x, y), want) << x << "," << y;
    }
  }

  BitmapSurface palette;
  ASSERT_TRUE(source.ConvertDepth(8));
  ASSERT_TRUE(source.CopyRegionTo(palette, 0, 0, 5, 5));
  EXPECT_EQ(palette.GetDepth(), 8);
  EXPECT_EQ(palette.ToBmpBytes().substr(54, 1024), FixedPalette(8));
}

TEST(CopyRegionTo, RefusesItselfAndImpossibleTargets) {
  BitmapSurface source;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(8, 8)));
  const std::string before = source.ToBmpBytes();
  EXPECT_FALSE(source.CopyRegionTo(source, 1, 1, 2, 2));
  EXPECT_EQ(source.ToBmpBytes(), before);

  BitmapSurface target;
  EXPECT_FALSE(source.CopyRegionTo(target, 0, 0, -3, 2));
  EXPECT_FALSE(source.CopyRegionTo(target, 0, 0, 2, 2, INT32_MAX, 0));
  ExpectEmpty(target);
}

TEST(LoadFromHandle, CopiesAnyFreeBitmap) {
  WindowDc screen(nullptr);
  UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), 16, 9));
  ASSERT_TRUE(bitmap);
  {
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    SelectGuard select(dc.get(), bitmap.get());
    UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
    RECT all = {0, 0, 16, 9}, corner = {0, 0, 4, 3};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(dc.get(), &corner, red.get());
  }
  BitmapSurface own;
  ASSERT_TRUE(own.LoadFromHandle(bitmap.get()));
  EXPECT_EQ(own.GetDepth(), DisplayDepth());
  EXPECT_EQ(own.GetWidth(), 16);
  EXPECT_EQ(own.GetHeight(), 9);
  EXPECT_EQ(own.GetPixel(3, 2), RGB(255, 0, 0));
  EXPECT_EQ(own.GetPixel(4, 3), RGB(255, 255, 255));

  BitmapSurface eight;
  ASSERT_TRUE(eight.LoadFromHandle(bitmap.get(), 8));
  EXPECT_EQ(eight.GetDepth(), 8);
  EXPECT_EQ(eight.GetPixel(0, 0), RGB(255, 0, 0));
  BITMAP info;
  EXPECT_NE(GetObjectW(bitmap.get(), sizeof(info), &info), 0) << "the bitmap stays the caller's";
}

TEST(LoadFromHandle, RefusesWhatItCannotRead) {
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(2, 2, 24));
  EXPECT_FALSE(s.LoadFromHandle(nullptr));
  ExpectEmpty(s);
  UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_FALSE(s.LoadFromHandle(reinterpret_cast<HBITMAP>(brush.get())));
  ExpectEmpty(s);

  // Another surface's section is selected into that surface's DC.
  BitmapSurface other;
  ASSERT_TRUE(other.CreateBlank(4, 4, 24));
  EXPECT_FALSE(s.LoadFromHandle(other.GetHandle()));
  ExpectEmpty(s);
  EXPECT_TRUE(other.SetPixel(1, 1, RGB(5, 6, 7)));

  UniqueBitmap bitmap(CreateBitmap(4, 4, 1, 1, nullptr));
  EXPECT_FALSE(s.LoadFromHandle(bitmap.get(), 12));
  ExpectEmpty(s);
}

TEST(Clipboard, RoundTripThroughTheClipboard) {
  BitmapSurface source;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(23, 11)));
  ASSERT_TRUE(source.ConvertDepth(24));
  ASSERT_TRUE(source.CopyToClipboard());
  BitmapSurface back;
  ASSERT_TRUE(back.LoadFromClipboard(24));
  EXPECT_EQ(back.ToBmpBytes(), source.ToBmpBytes());
  BitmapSurface ownDepth;
  ASSERT_TRUE(ownDepth.LoadFromClipboard());
  EXPECT_EQ(ownDepth.GetDepth(), DisplayDepth());

  {
    ClipboardGuard clipboard(nullptr);
    ASSERT_TRUE(clipboard.open());
    EmptyClipboard();
  }
  EXPECT_FALSE(back.LoadFromClipboard());
  ExpectEmpty(back);
}

// Every operation releases what it made, on the failing paths too.
TEST(SurfaceResources, NoGdiObjectOutlivesItsOperation) {
  auto gdiObjects = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
  if (gdiObjects() == 0) GTEST_SKIP() << "the system does not count GDI objects";
  const std::string bmp = GradientBmp(17, 9);
  auto cycle = [&] {
    BitmapSurface s, t;
    s.LoadFromBmpBytes(bmp);
    s.ConvertDepth(8);
    s.ConvertDepth(12);
    s.CopyRegionTo(t, 1, 1, 5, 5);
    s.CopyRegionTo(t, 0, 0, -1, 5);
    s.SetPixel(2, 2, RGB(1, 2, 3));
    s.ToBmpBytes();
    s.LoadFromBmpBytes("BM broken");
    t.CreateBlank(4, 4, 12);
    t.LoadFromHandle(s.GetHandle());
  };
  cycle();  // first use may allocate lasting system objects
  const DWORD before = gdiObjects();
  for (int i = 0; i < 50; ++i) cycle();
  EXPECT_EQ(gdiObjects(), before);
}

TEST(SurfaceResources, ReplacedAndDestroyedPicturesFreeTheirObjects) {
  HBITMAP firstSection, secondSection;
  HDC firstDc, secondDc;
  {
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(8, 8, 24));
    firstSection = s.GetHandle();
    firstDc = s.GetMemoryDc();
    ASSERT_TRUE(s.ConvertDepth(8));
    secondSection = s.GetHandle();
    secondDc = s.GetMemoryDc();
    EXPECT_EQ(GetObjectType(firstSection), 0u);
    EXPECT_EQ(GetObjectType(firstDc), 0u);
    EXPECT_EQ(GetObjectType(secondSection), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(secondDc), static_cast<DWORD>(OBJ_MEMDC));
  }
  EXPECT_EQ(GetObjectType(secondSection), 0u);
  EXPECT_EQ(GetObjectType(secondDc), 0u);
}

}  // namespace
}  // namespace movrel
