#include "app/tray_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/file_io.h"

namespace movrel {
namespace {

const TrayState kStates[] = {TrayState::kIdle, TrayState::kRecording, TrayState::kRecordingStill, TrayState::kPaused};

TEST(TrayTipText, CutsAt127BytesWithoutSplittingACharacter) {
  const std::string han = "录";  // two bytes in GBK
  ASSERT_EQ(han.size(), 2u);
  struct Case {
    const char* what;
    std::string tip;
    std::string expected;
  } cases[] = {
      {"empty", "", ""},
      {"127 bytes stay", std::string(127, 'a'), std::string(127, 'a')},
      {"128 bytes lose one", std::string(128, 'a'), std::string(127, 'a')},
      {"a character across the limit goes whole", std::string(126, 'a') + han, std::string(126, 'a')},
      {"a character ending on the limit stays", std::string(125, 'a') + han + "b", std::string(125, 'a') + han},
      // Trail bytes such as 0x5C ("\") must not be taken for characters.
      {"double-byte only", [] { std::string s; for (int i = 0; i < 70; ++i) s += "\xDF\x5C"; return s; }(),
       [] { std::string s; for (int i = 0; i < 63; ++i) s += "\xDF\x5C"; return s; }()},
  };
  for (const Case& c : cases) EXPECT_EQ(TrayTipText(c.tip), c.expected) << c.what;
}

TEST(TrayState, EveryTipFitsTheShellAndNamesTheProduct) {
  for (TrayState state : kStates) {
    std::string tip = TrayStateTip(state);
    EXPECT_EQ(TrayTipText(tip), tip) << static_cast<int>(state);
    EXPECT_EQ(tip.compare(0, 6, "Movrel"), 0);
  }
  EXPECT_EQ(TrayStateTip(TrayState::kIdle), "Movrel");
  EXPECT_EQ(TrayStateTip(TrayState::kPaused), "Movrel\r\n(录制暂停中，按F9键继续录制)");
}

TEST(TrayState, TheEmbeddedIconsAreTheFilesOfTheIconFolder) {
  const char* files[] = {"tray_idle.ico", "tray_recording.ico", "tray_recording_still.ico", "tray_paused.ico"};
  for (int i = 0; i < 4; ++i) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(std::string(MOVREL_SOURCE_DIR) + "/src/app/icons/" + files[i], &bytes)) << files[i];
    EXPECT_EQ(bytes, TrayStateIcon(kStates[i])) << files[i] << " was changed without running make_tray_icons.py";
  }
}

std::string IcoWith(uint16_t reserved, uint16_t type, uint16_t count, uint32_t size, uint32_t offset,
                    size_t totalBytes) {
  std::string ico(totalBytes, '\0');
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes && at + i < ico.size(); ++i) ico[at + i] = static_cast<char>(v >> (8 * i));
  };
  put(0, reserved, 2);
  put(2, type, 2);
  put(4, count, 2);
  put(6, 16, 1);
  put(7, 16, 1);
  put(10, 1, 2);
  put(12, 32, 2);
  put(14, size, 4);
  put(18, offset, 4);
  return ico;
}

TEST(FindIcoImage, RefusesBytesThatHoldNoSuchImage) {
  struct Case {
    const char* what;
    std::string ico;
    int index;
  } cases[] = {
      {"empty", "", 0},
      {"shorter than the header", std::string("\0\0\1\0\1", 5), 0},
      {"reserved word set", IcoWith(1, 1, 1, 8, 22, 30), 0},
      {"a cursor file", IcoWith(0, 2, 1, 8, 22, 30), 0},
      {"no images", IcoWith(0, 1, 0, 8, 22, 30), 0},
      {"index past the count", IcoWith(0, 1, 1, 8, 22, 30), 1},
      {"negative index", IcoWith(0, 1, 1, 8, 22, 30), -1},
      {"directory entry cut short", IcoWith(0, 1, 1, 8, 22, 30).substr(0, 21), 0},
      {"second entry missing", IcoWith(0, 1, 2, 8, 22, 30).substr(0, 22), 1},
      {"image of no bytes", IcoWith(0, 1, 1, 0, 22, 30), 0},
      {"offset past the end", IcoWith(0, 1, 1, 8, 31, 30), 0},
      {"image runs past the end", IcoWith(0, 1, 1, 9, 22, 30), 0},
      {"size and offset wrap around", IcoWith(0, 1, 1, 0xFFFFFFF0u, 0x20, 30), 0},
  };
  for (const Case& c : cases) {
    IcoImage image;
    image.width = -7;
    EXPECT_FALSE(FindIcoImage(c.ico, c.index, &image)) << c.what;
    EXPECT_EQ(image.width, -7) << c.what;
  }
  IcoImage image;
  ASSERT_TRUE(FindIcoImage(IcoWith(0, 1, 1, 8, 22, 30), 0, &image));
  EXPECT_EQ(image.offset, 22u);
  EXPECT_EQ(image.size, 8u);
  // A width or height byte of 0 means 256.
  std::string big = IcoWith(0, 1, 1, 8, 22, 30);
  big[6] = big[7] = 0;
  ASSERT_TRUE(FindIcoImage(big, 0, &image));
  EXPECT_EQ(image.width, 256);
  EXPECT_EQ(image.height, 256);
}

}  // namespace
}  // namespace movrel
