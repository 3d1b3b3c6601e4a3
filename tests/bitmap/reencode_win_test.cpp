#include "bitmap/reencode_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "bitmap/bitmap_surface_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "support/temp_folder.h"
#include "test_pictures.h"

namespace movrel {
namespace {

using test::GradientBmp;

TEST(ToWideBytes, Utf16LittleEndianWithOrWithoutTerminator) {
  struct Case {
    std::string text;
    bool drop;
    std::string bytes;
  };
  const Case cases[] = {
      {"A", false, std::string("A\0\0\0", 4)},
      {"A", true, std::string("A\0", 2)},
      {"運", false, std::string("\x4B\x90\0\0", 4)},  // U+904B
      {"運閉", true, std::string("\x4B\x90\x89\x95", 4)},
      {"", false, ""},
      {"", true, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ToWideBytes(c.text, c.drop), c.bytes) << c.text << " " << c.drop;
}

// Decodes any picture back to 24-bit pixels through a surface.
bool DecodeTo24(const std::string& encoded, BitmapSurface* s) {
  std::string bmp;
  if (!ReencodeImage(encoded, kSaveBmp, &bmp)) return false;
  return s->LoadFromBmpBytes(bmp) && s->ConvertDepth(24);
}

// Pixels and formats of every encoder's output are checked by Pillow in
// pillow_check.py; these tests cover what the program relies on besides.
TEST(ReencodeImage, GifFromPicturesOfEveryDepthCarriesAnImage) {
  for (int depth : {32, 24, 16, 8, 4, 1}) {
    BitmapSurface source;
    ASSERT_TRUE(source.LoadFromBmpBytes(GradientBmp(20, 10)));
    ASSERT_TRUE(source.ConvertDepth(depth));
    std::string gif;
    ASSERT_TRUE(ReencodeImage(source.ToBmpBytes(), kSaveGif, &gif)) << depth;
    EXPECT_TRUE(GifHasImageData(gif)) << depth;
    BitmapSurface back;
    ASSERT_TRUE(DecodeTo24(gif, &back)) << depth;
    EXPECT_EQ(back.GetWidth(), 20);
    EXPECT_EQ(back.GetHeight(), 10);
  }
}

TEST(ReencodeImage, OutputEndsWhereTheEncodedFileEnds) {
  std::string png;
  ASSERT_TRUE(ReencodeImage(GradientBmp(50, 40), kSavePng, &png));
  ASSERT_GE(png.size(), 12u);
  // The last chunk is IEND with its fixed checksum: nothing trails it.
  EXPECT_EQ(png.substr(png.size() - 12), std::string("\0\0\0\0IEND\xAE\x42\x60\x82", 12));
  std::string bmp;
  ASSERT_TRUE(ReencodeImage(png, kSaveBmp, &bmp));
  EXPECT_EQ(static_cast<uint8_t>(bmp[2]) | (static_cast<uint8_t>(bmp[3]) << 8) | (static_cast<uint8_t>(bmp[4]) << 16),
            static_cast<int>(bmp.size()));
}

TEST(ReencodeImage, RefusalsLeaveTheOutputUnchanged) {
  const std::string input = GradientBmp(8, 8);
  std::string truncatedPng;
  ASSERT_TRUE(ReencodeImage(input, kSavePng, &truncatedPng));
  truncatedPng.resize(20);
  struct Case {
    const char* what;
    std::string input;
    int format;
  };
  const Case cases[] = {
      {"format 0", input, 0},
      {"format 6", input, 6},
      {"format -1", input, -1},
      {"empty input", "", kSavePng},
      {"no picture", "this is plain text, not a picture", kSavePng},
      {"truncated picture", truncatedPng, kSaveBmp},
  };
  for (const Case& c : cases) {
    std::string output = "kept";
    EXPECT_FALSE(ReencodeImage(c.input, c.format, &output)) << c.what;
    EXPECT_EQ(output, "kept") << c.what;
  }
}

TEST(ReencodeImage, WritesTheNamedFile) {
  const std::string input = GradientBmp(12, 9);
  test::TempFolder folder;
  const std::string path = folder / "運閉_movrel_reencode.png";
  std::string output;
  ASSERT_TRUE(ReencodeImage(input, kSavePng, "  " + path + " ", &output));
  std::string written;
  ASSERT_TRUE(ReadWholeFile(path, &written));
  EXPECT_EQ(written, output);
  EXPECT_TRUE(RemoveFile(path));

  // Spaces alone name no file.
  wchar_t current[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, current);
  SetCurrentDirectoryW(ToWide(folder.Path()).c_str());
  std::string again;
  const bool encoded = ReencodeImage(input, kSaveJpeg, "   ", &again);
  const bool strayFile = FileExists("   ") || FileExists(folder / "   ");
  SetCurrentDirectoryW(current);
  EXPECT_TRUE(encoded);
  EXPECT_FALSE(strayFile);

  // A file that cannot be written is a failure, not a silent success.
  std::string kept = "kept";
  EXPECT_FALSE(ReencodeImage(input, kSavePng, folder / "no_such_movrel_folder\\x.png", &kept));
  EXPECT_EQ(kept, "kept");
}

}  // namespace
}  // namespace movrel
