// The frame composer with real GDI under Wine: a window paints a known
// picture on the real screen, the composer grabs it, and the frame's BMP
// bytes are decoded here, apart from the code under test, and compared
// pixel by pixel.
#include "record/frame_composer_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "../bitmap/pattern_window_win.h"
#include "bitmap/bmp_layout.h"
#include "bitmap/reencode_win.h"
#include "common/desktop_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "record/composer_win.h"
#include "record/icon_file.h"
#include "record/input_marks.h"
#include "record/mark_pixels.h"
#include "record/recording_window_win.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

using test::PatternColour;
using test::PatternWindow;

constexpr COLORREF kGreen = RGB(0, 160, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// A decoded 8- or 24-bit BMP file.
struct Frame {
  int width = 0, height = 0, depth = 0;
  uint32_t pixelOffset = 0;
  std::string bytes;

  static Frame Decode(const std::string& file) {
    Frame f;
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return f;
    auto u32 = [&](size_t at) {
      uint32_t v;
      std::memcpy(&v, file.data() + at, 4);
      return v;
    };
    f.bytes = file;
    f.pixelOffset = u32(10);
    f.width = static_cast<int>(u32(18));
    f.height = static_cast<int>(u32(22));
    f.depth = static_cast<uint8_t>(file[28]);
    return f;
  }
  COLORREF At(int x, int y) const {
    const size_t stride = (static_cast<size_t>(width) * depth + 31) / 32 * 4;
    const auto* row = reinterpret_cast<const uint8_t*>(bytes.data()) + pixelOffset + (height - 1 - y) * stride;
    if (depth == 24) return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    const auto* entry = reinterpret_cast<const uint8_t*>(bytes.data()) + 54 + 4 * row[x];
    return RGB(entry[2], entry[1], entry[0]);
  }
  // The smallest box {left, top, right, bottom} holding every pixel that is
  // not `background`; all zero when there is none.
  RECT BoxNot(COLORREF background) const {
    RECT box = {width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (At(x, y) == background) continue;
        box.left = std::min<LONG>(box.left, x);
        box.top = std::min<LONG>(box.top, y);
        box.right = std::max<LONG>(box.right, x + 1);
        box.bottom = std::max<LONG>(box.bottom, y + 1);
      }
    }
    if (box.right == 0) box = RECT{0, 0, 0, 0};
    return box;
  }
  int Count(COLORREF colour) const {
    int n = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) n += At(x, y) == colour;
    }
    return n;
  }
};

std::tuple<LONG, LONG, LONG, LONG> Tie(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Writes `bytes` to the file `name` in the test's folder; answers its path.
std::string WriteTestFile(const test::TempFolder& folder, const std::string& name, const std::string& bytes) {
  EXPECT_TRUE(WriteWholeFile(folder / name, bytes));
  return folder / name;
}

// A file of `size` bytes that takes no room: its end is set, nothing written.
std::string HugeTestFile(const test::TempFolder& folder, const std::string& name, int64_t size) {
  const std::string path = folder / name;
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  LARGE_INTEGER end;
  end.QuadPart = size;
  EXPECT_TRUE(file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
  return path;
}

// A 24-bit BMP: `fill` inside, `border` in a frame `borderWidth` wide.
std::string BorderedBmp(int w, int h, COLORREF fill, COLORREF border, int borderWidth) {
  std::string image;
  BuildImageBytes(w, h, 24, &image);
  const int stride = StrideFor(w * 24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool edge = x < borderWidth || y < borderWidth || x >= w - borderWidth || y >= h - borderWidth;
      const COLORREF c = edge ? border : fill;
      char* p = &image[ImagePixelOffset(image) + (h - 1 - y) * stride + 3 * x];
      p[0] = static_cast<char>(GetBValue(c));
      p[1] = static_cast<char>(GetGValue(c));
      p[2] = static_cast<char>(GetRValue(c));
    }
  }
  return BmpFileFromImage(image);
}

// A cursor file of one size x size image at 32 bits, all opaque `colour`.
std::string SolidCursor(int size, COLORREF colour) {
  std::string data(40, '\0');
  auto put32 = [](std::string* s, size_t at, uint32_t v) { std::memcpy(&(*s)[at], &v, 4); };
  put32(&data, 0, 40);
  put32(&data, 4, size);
  put32(&data, 8, 2 * size);
  data[12] = 1;
  data[14] = 32;
  for (int i = 0; i < size * size; ++i) {
    data += static_cast<char>(GetBValue(colour));
    data += static_cast<char>(GetGValue(colour));
    data += static_cast<char>(GetRValue(colour));
    data += '\xff';
  }
  data += std::string(static_cast<size_t>(size) * ((size + 31) / 32 * 4), '\0');  // mask: all opaque
  std::string file(22, '\0');
  file[2] = 2;
  file[4] = 1;
  file[6] = static_cast<char>(size);
  file[7] = static_cast<char>(size);
  put32(&file, 14, static_cast<uint32_t>(data.size()));
  put32(&file, 18, 22);
  return file + data;
}

LOGFONTW WatermarkFont() {
  LOGFONTW lf{};
  lf.lfHeight = -15;
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = GB2312_CHARSET;
  wcscpy(lf.lfFaceName, L"\u5b8b\u4f53");
  return lf;
}

class ComposerTest : public ::testing::Test {
 protected:
  static constexpr int kX = 60, kY = 80;

  // Shows a window of client size w x h at (kX, kY) and points the settings
  // at it, with every overlay off.
  void Show(int w, int h, COLORREF solid = CLR_INVALID) {
    window_.reset();
    window_ = std::make_unique<PatternWindow>(kX, kY, w, h, WS_POPUP, solid);
    ASSERT_TRUE(window_->ShowAndWaitPainted());
    settings_ = ComposerSettings{};
    settings_.leftText = std::to_string(kX);
    settings_.topText = std::to_string(kY);
    settings_.widthText = std::to_string(w);
    settings_.heightText = std::to_string(h);
    settings_.showCursor = false;
    settings_.watermarks.font = WatermarkFont();
  }

  Frame Compose(int pointerX = -1000, int pointerY = -1000) {
    composer_.Prepare(settings_, ReadDesktop(), HomeMonitor());
    bytes_ = composer_.Compose(pointerX, pointerY);
    return Frame::Decode(bytes_);
  }

  void TearDown() override { composer_.Release(); }

  std::unique_ptr<PatternWindow> window_;
  ComposerSettings settings_;
  FrameComposer composer_;
  std::string bytes_;
  test::TempFolder files_;
};

// ---- the grab, the quality depth and scaling ------------------------------

TEST_F(ComposerTest, PlainGrabIsTheRectangleAtTheQualityDepth) {
  constexpr int w = 200, h = 120;
  Show(w, h);
  for (bool standard : {true, false}) {
    SCOPED_TRACE(standard ? "标准" : "稍逊");
    settings_.standardQuality = standard;
    const Frame f = Compose();
    EXPECT_FALSE(composer_.needsOverlay());
    ASSERT_EQ(f.width, w);
    ASSERT_EQ(f.height, h);
    EXPECT_EQ(composer_.frameSize().width, w);
    EXPECT_EQ(composer_.frameSize().height, h);
    EXPECT_EQ(f.depth, standard ? 24 : 8);
    if (!standard) {
      // The fixed 8-bit table follows the headers.
      EXPECT_EQ(f.pixelOffset, 1078u);
      EXPECT_EQ(f.bytes.substr(54, 1024), FixedPalette(8));
    }
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) wrong += f.At(x, y) != PatternColour(x, y, w, h);
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(ComposerTest, ScalingTruncatesAndKeepsThePicture) {
  struct Case {
    int w, h;
    const char* scale;
    int outW, outH;
    bool standard;
  };
  const Case cases[] = {
      {500, 300, "50%", 250, 150, true},
      {333, 100, "130%", 432, 130, true},
      {333, 100, "130%", 432, 130, false},  // scaled and 8-bit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.scale);
    Show(c.w, c.h);
    settings_.scaleItemText = c.scale;
    settings_.standardQuality = c.standard;
    const Frame f = Compose();
    EXPECT_TRUE(composer_.needsOverlay());
    ASSERT_EQ(f.width, c.outW);
    ASSERT_EQ(f.height, c.outH);
    EXPECT_EQ(composer_.frameSize().width, c.outW);
    EXPECT_EQ(composer_.frameSize().height, c.outH);
    EXPECT_EQ(f.depth, c.standard ? 24 : 8);
    // Each quadrant keeps its colour; scaling adds no blended colours.
    const POINT probes[] = {{c.outW / 4, c.outH / 4}, {3 * c.outW / 4, c.outH / 4},
                            {c.outW / 4, 3 * c.outH / 4}, {3 * c.outW / 4, 3 * c.outH / 4}};
    for (const POINT& p : probes) {
      EXPECT_EQ(f.At(p.x, p.y), PatternColour(p.x * c.w / c.outW, p.y * c.h / c.outH, c.w, c.h));
    }
    const int pure = f.Count(kRed) + f.Count(RGB(0, 255, 0)) + f.Count(kBlue) + f.Count(kWhite) +
                     f.Count(RGB(255, 0, 255));
    EXPECT_EQ(pure, c.outW * c.outH);
  }
}

TEST_F(ComposerTest, RectanglesWithoutAFrameGiveNoBytes) {
  Show(50, 40);
  struct Case {
    const char* what;
    const char* width;
    const char* height;
    const char* scale;
  };
  const Case cases[] = {
      {"zero width", "0", "40", "100%"},
      {"no number", "abc", "40", "100%"},
      {"negative height", "50", "-3", "100%"},
      {"beyond the frame limit", "99999", "99999", "100%"},
      {"scaled beyond the frame limit", "4000", "4000", "5000%"},
      {"scaled to nothing", "5", "5", "10%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    settings_.widthText = c.width;
    settings_.heightText = c.height;
    settings_.scaleItemText = c.scale;
    Compose();
    EXPECT_TRUE(bytes_.empty());
    EXPECT_EQ(composer_.frameSize().width, 0);
    EXPECT_EQ(composer_.frameSize().height, 0);
  }
}

// ---- clicks and keys ---------------------------------------------------------

TEST_F(ComposerTest, ClicksAndKeysAreDrawnWhenAskedAndScaleWithTheFrame) {
  constexpr int w = 200, h = 120;
  Show(w, h, kGreen);
  HDC screen = GetDC(nullptr);
  const int diameter = RingDiameter(0, static_cast<uint32_t>(GetDeviceCaps(screen, LOGPIXELSX)));
  ReleaseDC(nullptr, screen);
  // A point on the ring's line, to the right of the press point.
  const int lineX = 50 + diameter / 2 - std::max(2, diameter / 8) / 2 - 1;
  const COLORREF yellow = RGB(0xFF, 0xD2, 0x00);
  InputMarks marks;
  marks.rings = {ClickRing{kX + 50, kY + 60, MouseButton::kLeft, false, 100, 0}};
  marks.caption = {u"Ctrl+S"};
  auto compose = [&](const char* scale) {
    settings_.scaleItemText = scale;
    composer_.Prepare(settings_, ReadDesktop(), HomeMonitor());
    return Frame::Decode(composer_.Compose(-1000, -1000, marks));
  };

  // Not asked for, the marks are not drawn.
  settings_.showClicks = settings_.showKeys = false;
  EXPECT_EQ(compose("100%").Count(kGreen), w * h);

  settings_.showClicks = true;
  Frame f = compose("100%");
  EXPECT_EQ(f.At(lineX, 60), yellow);
  EXPECT_EQ(f.At(50, 60), kGreen);  // a released button's ring is open
  EXPECT_EQ(f.BoxNot(kGreen).bottom, 60 + (diameter + 1) / 2);
  marks.rings[0].filled = true;
  EXPECT_NE(compose("100%").At(50, 60), kGreen);

  // The caption lies at the bottom centre, white on a dark box.
  settings_.showKeys = true;
  settings_.showClicks = false;
  f = compose("100%");
  const RECT box = f.BoxNot(kGreen);
  EXPECT_GT(box.top, h / 2);
  EXPECT_NEAR((box.left + box.right) / 2, w / 2, 1);
  EXPECT_GT(f.Count(kWhite), 0);
  // At half the size the ring is half as far from the corner (the
  // system's stretching may round its colour a little).
  settings_.showClicks = true;
  f = compose("50%");
  const COLORREF scaled = f.At(lineX / 2, 30);
  EXPECT_NEAR(GetRValue(scaled), GetRValue(yellow), 8);
  EXPECT_NEAR(GetGValue(scaled), GetGValue(yellow), 8);
  EXPECT_NEAR(GetBValue(scaled), GetBValue(yellow), 8);
}

// ---- the cursor -------------------------------------------------------------

TEST_F(ComposerTest, DefaultCursorAtThePointerMinusTheCorner) {
  constexpr int w = 200, h = 120;
  Show(w, h, kGreen);
  const std::string empty = WriteTestFile(files_, "empty.cur", "");
  for (const std::string& file : {files_ / "none.cur", empty, std::string("指定一个鼠标指针文件")}) {
    SCOPED_TRACE(file);
    settings_.showCursor = true;
    settings_.cursorFile = file;
    const Frame f = Compose(kX + 40, kY + 30);
    ASSERT_TRUE(composer_.cursor().loaded());
    EXPECT_EQ(composer_.cursor().width(), 32);
    // The picture's corner is at the pointer; its tip (the hotspot 2, 4)
    // lands 2 right and 4 below.
    EXPECT_EQ(f.At(42, 34), kBlack);
    EXPECT_EQ(f.At(43, 38), kWhite);
    EXPECT_EQ(f.At(40, 30), kGreen);  // transparent
    EXPECT_EQ(f.At(41, 34), kGreen);
    EXPECT_EQ(f.At(42, 33), kGreen);
    const RECT box = f.BoxNot(kGreen);
    EXPECT_GE(box.left, 40);
    EXPECT_GE(box.top, 30);
    EXPECT_LE(box.right, 40 + 32);
    EXPECT_LE(box.bottom, 30 + 32);
  }
}

TEST_F(ComposerTest, CursorPartlyOutsideIsClippedAtTheEdges) {
  constexpr int w = 200, h = 120;
  Show(w, h, kGreen);
  settings_.showCursor = true;
  // Three pixels left of the rectangle: column 3 of the arrow is column 0.
  Frame f = Compose(kX - 3, kY + 10);
  ASSERT_EQ(f.width, w);
  EXPECT_EQ(f.At(0, 15), kBlack);
  EXPECT_EQ(f.At(0, 16), kWhite);
  EXPECT_EQ(f.BoxNot(kGreen).left, 0);
  // Near the bottom-right corner: the tip is inside, the rest cut off.
  f = Compose(kX + w - 4, kY + h - 8);
  ASSERT_EQ(f.width, w);
  ASSERT_EQ(f.height, h);
  EXPECT_EQ(f.At(w - 2, h - 4), kBlack);
  EXPECT_EQ(f.At(w - 1, h - 2), kWhite);
  // Entirely outside: nothing drawn, nothing broken.
  f = Compose(kX + w + 50, kY - 100);
  EXPECT_EQ(f.Count(kGreen), w * h);
}

TEST_F(ComposerTest, ChosenCursorFileOrNoneWhenItIsNoCursor) {
  Show(120, 80, kGreen);
  settings_.showCursor = true;
  settings_.cursorFile = WriteTestFile(files_, "red 運.cur", SolidCursor(16, kRed));
  Frame f = Compose(kX + 10, kY + 20);
  EXPECT_EQ(composer_.cursor().width(), 16);
  EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(10, 20, 26, 36));
  EXPECT_EQ(f.Count(kRed), 16 * 16);

  // A file that holds no cursor gives no cursor, so no overlay at all.
  settings_.cursorFile = WriteTestFile(files_, "junk.cur", "this is no cursor file");
  f = Compose(kX + 10, kY + 20);
  EXPECT_FALSE(composer_.cursor().loaded());
  EXPECT_FALSE(composer_.needsOverlay());
  EXPECT_EQ(f.Count(kGreen), 120 * 80);
}

// A settings file may name any file (the file picker's limits never apply
// to it): one larger than any cursor or picture is refused without being
// read, told once, and the frames go on with the default cursor and no
// image watermark.
TEST_F(ComposerTest, FilesLargerThanAnyCursorOrPictureAreRefusedOnce) {
  Show(120, 80, kGreen);
  settings_.showCursor = true;
  settings_.cursorFile = HugeTestFile(files_, "huge.cur", int64_t{5} << 29);  // 2.5 GiB
  settings_.watermarks.imageOn = true;
  settings_.watermarks.imageFile = HugeTestFile(files_, "huge.png", int64_t{65} << 20);
  Frame f = Compose(kX + 10, kY + 20);
  EXPECT_EQ(composer_.cursor().width(), 32);  // the default cursor
  EXPECT_FALSE(composer_.watermarks().imageLoaded());
  EXPECT_NE(f.Count(kGreen), 120 * 80);
  const std::vector<std::string> told = composer_.TakeFileRefusals();
  ASSERT_EQ(told.size(), 2u);
  EXPECT_EQ(told[0], "无法使用鼠标指针文件：" + settings_.cursorFile + "\r\n原因：文件太大（最多4 MiB）\r\n"
                     "录制时将画出默认的鼠标指针。");
  EXPECT_EQ(told[1], "无法使用水印图片：" + settings_.watermarks.imageFile + "\r\n原因：文件太大（最多64 MiB）\r\n"
                     "录制时不画图像水印。");
  // The preview prepares again at every keystroke: nothing more to tell.
  Compose();
  EXPECT_TRUE(composer_.TakeFileRefusals().empty());
  // A path that names no file (half typed) is not worth a message.
  settings_.cursorFile = files_ / "none.cur";
  Compose();
  EXPECT_TRUE(composer_.TakeFileRefusals().empty());
  EXPECT_EQ(composer_.cursor().width(), 32);
}

// ---- the text watermark -----------------------------------------------------

TEST_F(ComposerTest, TextWatermarkSitsWhereThePlacementTableSays) {
  constexpr int w = 300, h = 160, margin = 10;
  Show(w, h, kGreen);
  settings_.watermarks.textOn = true;
  // Expanded, the variables are narrower than as typed.
  settings_.watermarks.text = "现在时间(#年-#月-#日 #时:#分:#秒)";
  settings_.watermarks.textColour = kBlue;
  settings_.watermarks.backColour = kYellow;
  settings_.watermarks.marginText = std::to_string(margin);
  struct Case {
    int placement;
    const char* name;
  };
  for (const Case& c : {Case{kPlaceBottomRight, "右下"}, Case{kPlaceCentre, "中间"}, Case{kPlaceTopLeft, "左上"},
                        Case{kPlaceCentreRight, "中右"}}) {
    SCOPED_TRACE(c.name);
    settings_.watermarks.placement = c.placement;
    const Frame f = Compose();
    const TextBlock block = composer_.watermarks().textBlock();
    ASSERT_GT(block.width, 0);
    ASSERT_GT(block.height, 0);
    const CanvasPoint at = PlaceWatermark(c.placement, w, h, block.width, block.height, margin);
    // The opaque background fills exactly the measured block: so the text
    // was measured as expanded, and drawn where it was placed.
    EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(at.x, at.y, at.x + block.width, at.y + block.height));
    EXPECT_GT(f.Count(kBlue), 20);
    EXPECT_GT(f.Count(kYellow), f.Count(kBlue));
  }
  // 右下 with margin 10: the block ends 10 pixels from both edges.
  settings_.watermarks.placement = kPlaceBottomRight;
  const RECT box = Compose().BoxNot(kGreen);
  EXPECT_EQ(box.right, w - margin);
  EXPECT_EQ(box.bottom, h - margin);
}

TEST_F(ComposerTest, TextWatermarkLinesAndTransparentBackground) {
  constexpr int w = 300, h = 160;
  Show(w, h, kGreen);
  settings_.watermarks.textOn = true;
  settings_.watermarks.text = "A\r\nBBBBBBBB\r\nCC";
  settings_.watermarks.textColour = kBlue;
  settings_.watermarks.backColour = kYellow;
  settings_.watermarks.placement = kPlaceTopLeft;
  settings_.watermarks.marginText = "5";
  Frame f = Compose();
  const int lineHeight = composer_.watermarks().lineHeight();
  ASSERT_GT(lineHeight, 0);
  // Measured apart from the composer, with the same font.
  UniqueFont font(CreateFontIndirectW(&settings_.watermarks.font));
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  SelectGuard select(dc.get(), font.get());
  SIZE a{}, b{};
  GetTextExtentPoint32W(dc.get(), L"A", 1, &a);
  GetTextExtentPoint32W(dc.get(), L"BBBBBBBB", 8, &b);
  EXPECT_EQ(lineHeight, a.cy);
  // As wide as the widest line, three lines high, each line one below the
  // other with its own background.
  EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(5, 5, 5 + b.cx, 5 + 3 * lineHeight));
  EXPECT_EQ(f.At(5 + a.cx, 5 + lineHeight / 2), kGreen);                // right of "A"
  EXPECT_NE(f.At(5 + b.cx - 1, 5 + lineHeight + 1), kGreen);            // inside line 2
  EXPECT_EQ(f.At(5 + b.cx - 1, 5 + 2 * lineHeight + 1), kGreen);        // line 3 is shorter

  // "透明色": glyphs only, inside the same block, no background.
  settings_.watermarks.backColour = kTransparentColour;
  f = Compose();
  EXPECT_EQ(f.Count(kYellow), 0);
  EXPECT_GT(f.Count(kBlue), 20);
  const RECT box = f.BoxNot(kGreen);
  EXPECT_GE(box.left, 5);
  EXPECT_GE(box.top, 5);
  EXPECT_LE(box.right, 5 + b.cx);
  EXPECT_LE(box.bottom, 5 + 3 * lineHeight);

  // A text that expands to nothing draws nothing.
  settings_.watermarks.text = "";
  f = Compose();
  EXPECT_EQ(f.Count(kGreen), w * h);
  // "文字水印" off draws nothing and needs no canvas.
  settings_.watermarks.text = "A";
  settings_.watermarks.textOn = false;
  f = Compose();
  EXPECT_FALSE(composer_.needsOverlay());
  EXPECT_EQ(f.Count(kGreen), w * h);
}

// ---- the image watermark ----------------------------------------------------

TEST_F(ComposerTest, ImageWatermarkWithItsTransparentColour) {
  Show(200, 120, kGreen);
  std::string png;
  ASSERT_TRUE(ReencodeImage(BorderedBmp(20, 10, kRed, kWhite, 2), kSavePng, &png));
  settings_.watermarks.imageOn = true;
  settings_.watermarks.imageFile = WriteTestFile(files_, "水印.png", png);
  settings_.watermarks.placement = kPlaceTopLeft;
  settings_.watermarks.marginText = "5";

  // White (the default) is transparent: only the red inside shows.
  Frame f = Compose();
  ASSERT_TRUE(composer_.watermarks().imageLoaded());
  EXPECT_EQ(composer_.watermarks().imageWidth(), 20);
  EXPECT_EQ(composer_.watermarks().imageHeight(), 10);
  EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(7, 7, 23, 13));
  EXPECT_EQ(f.Count(kRed), 16 * 6);
  // "透明色": the whole picture, border included.
  settings_.watermarks.imageTransparent = kTransparentColour;
  f = Compose();
  EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(5, 5, 25, 15));
  EXPECT_EQ(f.Count(kWhite), 20 * 10 - 16 * 6);
  // Black is a transparent colour like any other; BMP files are read too.
  settings_.watermarks.imageFile = WriteTestFile(files_, "black.bmp", BorderedBmp(20, 10, kRed, kBlack, 3));
  settings_.watermarks.imageTransparent = kBlack;
  settings_.watermarks.placement = kPlaceBottomRight;
  f = Compose();
  EXPECT_EQ(Tie(f.BoxNot(kGreen)), std::make_tuple(200 - 5 - 17, 120 - 5 - 7, 200 - 5 - 3, 120 - 5 - 3));
  EXPECT_EQ(f.Count(kBlack), 0);
}

TEST_F(ComposerTest, UnreadableWatermarkImageDrawsNothing) {
  Show(120, 80, kGreen);
  settings_.watermarks.imageOn = true;
  for (const std::string& file : {files_ / "none.cur", WriteTestFile(files_, "junk.png", "not a picture at all"),
                                  WriteTestFile(files_, "empty.png", ""), std::string("指定一个图像文件")}) {
    SCOPED_TRACE(file);
    settings_.watermarks.imageFile = file;
    const Frame f = Compose();
    EXPECT_FALSE(composer_.watermarks().imageLoaded());
    EXPECT_FALSE(composer_.needsOverlay());
    EXPECT_EQ(f.Count(kGreen), 120 * 80);
  }
  // An icon or cursor file is a picture too, drawn over white.
  settings_.watermarks.imageFile = WriteTestFile(files_, "arrow.cur", DefaultCursorBytes());
  const Frame f = Compose();
  ASSERT_TRUE(composer_.watermarks().imageLoaded());
  EXPECT_EQ(composer_.watermarks().imageWidth(), 32);
  EXPECT_EQ(f.At(44 + 2, 24 + 4), kBlack);  // 中间: (120 - 32) / 2, (80 - 32) / 2
}

// ---- the program's calls ----------------------------------------------------

// The main window as the composer sees it: the settings it hands out, and
// what it is told before each grab and after a sample frame.
class TestRecordingWindow : public RecordingWindow {
 public:
  ComposerSettings settings;
  int placed = 0;
  bool placedFollowingMouse = false;
  std::string caption;

  ComposerSettings ReadComposerSettings() override { return settings; }
  void PlaceCaptureRect(RecordRect&, bool followMouse) override {
    ++placed;
    placedFollowingMouse = followMouse;
  }
  void SetGroupCaption(const std::string& text) override { caption = text; }
};

TEST(ComposeFrame, WithoutARecordedRectangleTheFrameIsTheWholeScreen) {
  TestRecordingWindow window;
  FrameComposer composer;
  window.settings.recordArea = false;
  window.settings.followMouse = true;  // nowhere to move the whole screen
  window.settings.showCursor = false;
  SetRecordingWindow(&window);
  PrepareCapture(composer);
  const RecordRect r = composer.rect();
  EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height),
            std::make_tuple(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  const Frame f = Frame::Decode(ComposeFrame(composer, false));
  EXPECT_EQ(f.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(f.height, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(composer.frameSize().width, f.width);
  EXPECT_EQ(composer.frameSize().height, f.height);
  EXPECT_EQ(window.placed, 1);
  EXPECT_FALSE(window.placedFollowingMouse);
  EXPECT_TRUE(window.caption.empty());  // a recording's frame leaves the caption alone
  composer.Release();
  EXPECT_FALSE(composer.prepared());
  // Preview mode prepares and releases by itself, and reports the frame.
  const Frame sample = Frame::Decode(ComposeFrame(composer, true));
  EXPECT_EQ(sample.width, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_FALSE(composer.prepared());
  EXPECT_EQ(window.caption, SingleFrameCaption(sample.bytes.size(), composer.frameSize()));
  // Unprepared, recording mode has nothing to compose.
  EXPECT_TRUE(ComposeFrame(composer, false).empty());
  EXPECT_EQ(composer.frameSize().width, 0);
  SetRecordingWindow(nullptr);
}

TEST(ComposeFrame, ARecordedRectangleFollowsTheMouseOnlyWhenAsked) {
  TestRecordingWindow window;
  FrameComposer composer;
  window.settings.showCursor = false;
  SetRecordingWindow(&window);
  for (bool follow : {false, true}) {
    window.settings.followMouse = follow;
    ComposeFrame(composer, true);
    EXPECT_EQ(window.placedFollowingMouse, follow);
  }
  SetRecordingWindow(nullptr);
}

}  // namespace
}  // namespace movrel
