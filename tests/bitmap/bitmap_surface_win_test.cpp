#include "bitmap/bitmap_surface_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "support/temp_folder.h"
#include "test_pictures.h"

namespace movrel {
namespace {

using test::Colorref;
using test::GradientBmp;
using test::GradientColour;
using test::Image24;
using test::Pixel24;
using test::PutPixel;
using test::Rgb;

int DisplayDepth() {
  DEVMODEW mode = {};
  mode.dmSize = sizeof(mode);
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return static_cast<int>(mode.dmBitsPerPel);
}

std::string ImageOf(BitmapSurface& s) { return s.ToBmpBytes().substr(kFileHeaderBytes); }

void ExpectEmpty(BitmapSurface& s) {
  EXPECT_EQ(s.GetHandle(), nullptr);
  EXPECT_EQ(s.GetMemoryDc(), nullptr);
  EXPECT_EQ(s.GetWidth() | s.GetHeight() | s.GetDepth() | s.GetHandleWidth() | s.GetStride(), 0);
  EXPECT_EQ(s.GetPixelSize() | s.GetPaletteSize(), 0);
  EXPECT_EQ(s.GetImageAddress(), nullptr);
  EXPECT_EQ(s.GetPixelAddress(), nullptr);
  EXPECT_EQ(s.GetPaletteAddress(), nullptr);
  EXPECT_EQ(s.GetPixelBytes(), "");
  EXPECT_EQ(s.ToBmpBytes(), std::string("BM\x0E\0\0\0\0\0\0\0\x36\0\0\0", 14));
}

TEST(SurfaceEmpty, EveryReadAnswersEmptyAndEveryUseFails) {
  BitmapSurface s, target;
  ExpectEmpty(s);
  EXPECT_EQ(s.GetPixel(0, 0), CLR_INVALID);
  EXPECT_FALSE(s.SetPixel(0, 0, 0));
  EXPECT_FALSE(s.ConvertDepth(24));
  EXPECT_FALSE(s.CopyRegionTo(target, 0, 0));
  ExpectEmpty(s);
  ASSERT_TRUE(s.CreateBlank(5, 5, 24));
  s.Reset();
  ExpectEmpty(s);
}

TEST(SurfaceBlank, SectionAndImageAgreeAtEveryDepth) {
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(33, 3, depth));
    EXPECT_EQ(s.GetHandleWidth(), s.GetWidth());
    EXPECT_EQ(s.GetHandleHeight(), 3);
    EXPECT_EQ(s.GetHandleDepth(), depth);
    EXPECT_EQ(s.GetDepth(), depth);
    EXPECT_EQ(s.GetStride(), StrideFor(33 * depth));
    const std::string file = s.ToBmpBytes();
    const std::string& table = FixedPalette(depth);
    ASSERT_EQ(file.size(), 54 + table.size() + s.GetPixelSize());
    EXPECT_EQ(file.substr(54, table.size()), table);
    EXPECT_EQ(s.GetPaletteAddress(), table.empty() ? nullptr : s.GetImageAddress() + kInfoHeaderBytes);
    EXPECT_EQ(s.GetPixelAddress(), s.GetImageAddress() + kInfoHeaderBytes + table.size());
    EXPECT_EQ(s.GetPixelBytes(), std::string(s.GetPixelSize(), '\0'));
    EXPECT_EQ(s.GetPixel(32, 2), RGB(0, 0, 0));
  }
  BitmapSurface s;
  ASSERT_TRUE(s.CreateBlank(4, 4, 24));
  for (int depth : {0, 2, 12, 15, 64}) {
    EXPECT_FALSE(s.CreateBlank(4, 4, depth)) << depth;
    ExpectEmpty(s);
  }
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
  // Failed writes outside the picture keep the pending one.
  for (POINT p : {POINT{-1, 0}, POINT{0, -1}, POINT{4, 0}, POINT{0, 3}, POINT{INT_MIN, INT_MAX}}) {
    EXPECT_FALSE(s.SetPixel(p.x, p.y, RGB(1, 1, 1)));
    EXPECT_EQ(s.GetPixel(p.x, p.y), 0xFFFFFFFFu);
  }
  const std::string image = ImageOf(s);
  EXPECT_EQ(Pixel24(image, 1, 0), (Rgb{10, 20, 30}));
  EXPECT_EQ(Pixel24(image, 3, 2), (Rgb{200, 100, 50}));
  EXPECT_EQ(static_cast<uint8_t>(image[40 + 2 * 12 + 3]), 30);  // the top row is stored last

  ASSERT_TRUE(s.SetPixel(0, 1, RGB(7, 8, 9)));
  EXPECT_EQ(s.GetPixelBytes().substr(12, 3), "\x09\x08\x07");
}

TEST(LoadFromBmpBytes, TakesTheDisplayDepthUntilConverted) {
  const std::string original = GradientBmp(7, 5);
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromBmpBytes(original));
  EXPECT_EQ(s.GetDepth(), DisplayDepth());
  EXPECT_EQ(s.GetPixel(6, 0), Colorref(GradientColour(6, 0)));
  ASSERT_TRUE(s.ConvertDepth(24));
  EXPECT_EQ(s.ToBmpBytes(), original);
}

TEST(LoadFromBmpBytes, MalformedBytesFailAndLeaveNoFile) {
  const std::string good = GradientBmp(4, 4);
  std::string badDepth = good, hugeClaim = good;
  badDepth[28] = 7;
  hugeClaim.replace(18, 8, std::string("\xFF\xFF\x00\x00\xFF\xFF\x00\x00", 8));
  const std::string inputs[] = {"",       "BM",      "not a picture at all",   good.substr(0, good.size() - 3),
                                badDepth, hugeClaim, std::string(2000, '\xFF')};
  for (const std::string& bytes : inputs) {
    BitmapSurface s;
    ASSERT_TRUE(s.CreateBlank(2, 2, 24));
    EXPECT_FALSE(s.LoadFromBmpBytes(bytes)) << bytes.size() << " bytes";
    ExpectEmpty(s);
  }
}

// Two copies of the program, or two threads, loading at once: each gets its
// own picture, and no file is made anywhere on the way (TMP points into an
// empty folder meanwhile).
TEST(LoadFromBmpBytes, LoadsAtTheSameTimeEachGetTheirOwnPicture) {
  wchar_t saved[MAX_PATH] = {};
  const DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH);
  test::TempFolder folder;
  const std::wstring tmp = ToWide(folder.Path());
  ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", tmp.substr(0, tmp.size() - 1).c_str()));
  const std::string pictures[2] = {GradientBmp(6, 2),
                                   BmpFileFromImage(Image24(5, 3, [](int, int) { return Rgb{9, 200, 77}; }))};
  int wrong[2] = {0, 0};
  auto load = [&](int which) {
    for (int round = 0; round < 40; ++round) {
      BitmapSurface s;
      const COLORREF expected = which == 0 ? Colorref(GradientColour(5, 1)) : RGB(9, 200, 77);
      if (!s.LoadFromBmpBytes(pictures[which]) || s.GetWidth() != (which == 0 ? 6 : 5) ||
          s.GetPixel(which == 0 ? 5 : 4, 1) != expected) {
        ++wrong[which];
      }
    }
  };
  std::thread first(load, 0), second(load, 1);
  first.join();
  second.join();
  SetEnvironmentVariableW(L"TMP", savedLength ? saved : nullptr);
  EXPECT_EQ(wrong[0], 0);
  EXPECT_EQ(wrong[1], 0);
  EXPECT_EQ(folder.FileNames(), std::vector<std::string>());
}

TEST(LoadFromFile, MonochromeFilesStayAtOneBit) {
  std::string image;
  ASSERT_TRUE(BuildImageBytes(9, 3, 1, &image));
  PutPixel(&image, 0, 0, 1);
  PutPixel(&image, 8, 2, 1);
  test::TempFolder folder;
  const std::string path = folder / "運_mono_movrel.bmp";
  ASSERT_TRUE(WriteWholeFile(path, BmpFileFromImage(image)));
  BitmapSurface s;
  const bool loaded = s.LoadFromFile(path);
  RemoveFile(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(s.GetDepth(), 1);
  EXPECT_EQ(s.GetPixel(0, 0), RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(8, 2), RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(1, 0), RGB(0, 0, 0));
  EXPECT_FALSE(s.LoadFromFile(path));
  ExpectEmpty(s);
}

TEST(ConvertDepth, TheBlockTransferMapsOntoEachDepth) {
  // Colours that the 4- and 8-bit tables hold exactly.
  static const Rgb kColours[] = {{0, 0, 0}, {255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {128, 128, 128}};
  const std::string bmp = BmpFileFromImage(Image24(6, 2, [](int x, int) { return kColours[x]; }));
  for (int depth : {32, 24, 16, 8, 4, 1}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    BitmapSurface s;
    ASSERT_TRUE(s.LoadFromBmpBytes(bmp));
    ASSERT_TRUE(s.ConvertDepth(depth));
    EXPECT_EQ(s.GetDepth(), depth);
    EXPECT_EQ(s.GetHandleDepth(), depth);
    EXPECT_EQ(s.ToBmpBytes().substr(54, FixedPalette(depth).size()), FixedPalette(depth));
    const int columns = depth == 1 ? 2 : 6;  // one bit keeps black and white only
    for (int x = 0; x < columns; ++x) {
      const COLORREF got = s.GetPixel(x, 1);
      const int slack = depth == 16 ? 8 : 0;  // five bits a channel
      EXPECT_NEAR(GetRValue(got), kColours[x].red, slack) << x;
      EXPECT_NEAR(GetGValue(got), kColours[x].green, slack) << x;
      EXPECT_NEAR(GetBValue(got), kColours[x].blue, slack) << x;
    }
  }
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

TEST(CopyRegionTo, CopiesTheBlockAtTheSourceDepth) {
  BitmapSurface source, target;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(60, 80)));
  ASSERT_TRUE(source.ConvertDepth(24));
  ASSERT_TRUE(target.CreateBlank(3, 3, 8));  // replaced, not drawn into
  ASSERT_TRUE(source.CopyRegionTo(target, 10, 20, 30, 40));
  EXPECT_EQ(target.GetWidth(), 30);
  EXPECT_EQ(target.GetHeight(), 40);
  EXPECT_EQ(target.GetDepth(), 24);
  std::string image = ImageOf(target);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 30; ++x) ASSERT_EQ(Pixel24(image, x, y), GradientColour(10 + x, 20 + y)) << x << "," << y;
  }

  ASSERT_TRUE(source.CopyRegionTo(target, 2, 3, 4, 5, 6, 7));
  EXPECT_EQ(target.GetWidth(), 10);
  EXPECT_EQ(target.GetHeight(), 12);
  image = ImageOf(target);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 10; ++x) {
      const Rgb want = x >= 6 && y >= 7 ? GradientColour(x - 6 + 2, y - 7 + 3) : Rgb{0, 0, 0};
      ASSERT_EQ(Pixel24(image, x, y), want) << x << "," << y;
    }
  }

  ASSERT_TRUE(source.CopyRegionTo(target, 0, 0));  // the whole picture by default
  EXPECT_EQ(target.ToBmpBytes(), source.ToBmpBytes());
}

TEST(CopyRegionTo, RefusesItselfAndImpossibleTargets) {
  BitmapSurface source, target;
  ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(8, 8)));
  const std::string before = source.ToBmpBytes();
  EXPECT_FALSE(source.CopyRegionTo(source, 1, 1, 2, 2));
  EXPECT_EQ(source.ToBmpBytes(), before);
  EXPECT_FALSE(source.CopyRegionTo(target, 0, 0, -3, 2));
  EXPECT_FALSE(source.CopyRegionTo(target, 0, 0, 2, 2, INT32_MAX, 0));
  ExpectEmpty(target);
}

TEST(LoadFromHandle, CopiesFreeBitmapsAndRefusesOthers) {
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
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromHandle(bitmap.get()));
  EXPECT_EQ(s.GetDepth(), DisplayDepth());
  EXPECT_EQ(s.GetWidth(), 16);
  EXPECT_EQ(s.GetPixel(3, 2), RGB(255, 0, 0));
  EXPECT_EQ(s.GetPixel(4, 3), RGB(255, 255, 255));
  ASSERT_TRUE(s.LoadFromHandle(bitmap.get(), 8));
  EXPECT_EQ(s.GetDepth(), 8);
  EXPECT_EQ(s.GetPixel(0, 0), RGB(255, 0, 0));
  BITMAP info;
  EXPECT_NE(GetObjectW(bitmap.get(), sizeof(info), &info), 0) << "the bitmap stays the caller's";

  EXPECT_FALSE(s.LoadFromHandle(bitmap.get(), 12));
  ExpectEmpty(s);
  EXPECT_FALSE(s.LoadFromHandle(nullptr));
  UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  EXPECT_FALSE(s.LoadFromHandle(reinterpret_cast<HBITMAP>(brush.get())));
  // Another surface's section is selected into that surface's DC.
  BitmapSurface other;
  ASSERT_TRUE(other.CreateBlank(4, 4, 24));
  EXPECT_FALSE(s.LoadFromHandle(other.GetHandle()));
  ExpectEmpty(s);
  EXPECT_TRUE(other.SetPixel(1, 1, RGB(5, 6, 7)));
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
  }
  EXPECT_EQ(GetObjectType(secondSection), 0u);
  EXPECT_EQ(GetObjectType(secondDc), 0u);
}

}  // namespace
}  // namespace movrel
