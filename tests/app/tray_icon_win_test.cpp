#include "app/tray_icon_win.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <vector>

#include "app/app_globals.h"
#include "app/main_window_win.h"
#include "common/handle_win.h"
#include "support/wait_until.h"

namespace movrel {
namespace {

using test::WaitUntil;

// ---- icons from .ico bytes ------------------------------------------------

// The icon drawn at its own size over a grey background, as 0x00RRGGBB.
std::vector<uint32_t> Render(HICON icon, int size) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  UniqueBitmap section(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  SelectGuard select(dc.get(), section.get());
  RECT all = {0, 0, size, size};
  UniqueBrush grey(CreateSolidBrush(RGB(128, 128, 128)));
  FillRect(dc.get(), &all, grey.get());
  DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> out(pixels, pixels + size * size);
  for (uint32_t& p : out) p &= 0xFFFFFF;
  return out;
}

enum class Ink { kRed, kWhite, kBlack, kBlue, kGrey };

Ink InkOf(uint32_t rgb) {
  int r = rgb >> 16 & 0xFF, g = rgb >> 8 & 0xFF, b = rgb & 0xFF;
  if (r > 180 && g < 80 && b < 80) return Ink::kRed;
  if (r > 230 && g > 230 && b > 230) return Ink::kWhite;
  if (r < 40 && g < 40 && b < 40) return Ink::kBlack;
  if (b > 100 && r < 80) return Ink::kBlue;
  if (r == 128 && g == 128 && b == 128) return Ink::kGrey;
  return Ink::kGrey;
}

TEST(IconFromIcoBytes, EachStateShowsItsPictureAtItsOwnSize) {
  struct Probe {
    int x, y;
    Ink ink;
  };
  struct Case {
    TrayState state;
    int size;
    std::vector<Probe> probes;
  } cases[] = {
      // Red ring, white inner disc, red middle; the corners are transparent.
      {TrayState::kRecording, 16, {{8, 1, Ink::kRed}, {8, 3, Ink::kWhite}, {8, 8, Ink::kRed}, {0, 0, Ink::kGrey}}},
      // One black bar across the middle of the white disc.
      {TrayState::kRecordingStill, 16,
       {{8, 1, Ink::kRed}, {8, 4, Ink::kWhite}, {8, 8, Ink::kBlack}, {5, 7, Ink::kBlack}, {15, 15, Ink::kGrey}}},
      // Two black bars with white between them.
      {TrayState::kPaused, 16,
       {{8, 5, Ink::kBlack}, {8, 10, Ink::kBlack}, {8, 8, Ink::kWhite}, {8, 14, Ink::kRed}, {0, 15, Ink::kGrey}}},
      // The program icon: a blue film frame with a red dot.
      {TrayState::kIdle, 24, {{12, 12, Ink::kRed}, {3, 12, Ink::kBlue}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.state));
    UniqueIcon icon(IconFromIcoBytes(TrayStateIcon(c.state), 0));
    ASSERT_TRUE(icon);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.get(), &info));
    UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectW(colour.get(), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, c.size);
    EXPECT_EQ(bm.bmHeight, c.size);
    std::vector<uint32_t> pixels = Render(icon.get(), c.size);
    for (const Probe& p : c.probes) {
      EXPECT_EQ(InkOf(pixels[p.y * c.size + p.x]), p.ink) << "pixel (" << p.x << ", " << p.y << ") is " << std::hex
                                                          << pixels[p.y * c.size + p.x];
    }
  }
}

TEST(IconFromIcoBytes, BrokenBytesGiveNoIcon) {
  const std::string good = TrayStateIcon(TrayState::kRecording);
  std::string garbage = good;
  for (size_t i = 22; i < garbage.size(); ++i) garbage[i] = static_cast<char>(0xA5);
  std::string headerOnly = good.substr(0, 22);
  std::string cut = good.substr(0, good.size() - 1);
  for (const std::string* ico : {&headerOnly, &cut, &garbage}) {
    UniqueIcon icon(IconFromIcoBytes(*ico, 0));
    EXPECT_FALSE(icon) << ico->size() << " bytes";
  }
  EXPECT_EQ(IconFromIcoBytes(good, 1), nullptr);
  EXPECT_EQ(IconFromIcoBytes(std::string(), 0), nullptr);
}

// ---- the icon in the notification area --------------------------------------

// The main window's own procedure, as seen under the tray's subclass.
struct OwnProcLog {
  std::vector<UINT> messages;
  bool Saw(UINT message) const {
    for (UINT m : messages) {
      if (m == message) return true;
    }
    return false;
  }
} ownLog;

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  ownLog.messages.push_back(message);
  return DefWindowProcW(window, message, wParam, lParam);
}

// Asks the shell, as another program would, whether it holds an icon
// (only an icon that is there can be modified).
bool ShellHasIcon(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window;
  data.uID = 1;
  data.uFlags = NIF_TIP;
  wcscpy(data.szTip, L"Movrel");
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = OwnProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
      wc.lpszClassName = L"MovrelTrayTestWindow";
      return RegisterClassExW(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    window_ = CreateWindowExW(0, L"MovrelTrayTestWindow", L"tray test", WS_OVERLAPPEDWINDOW, 50, 50, 200, 120,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
    ShowWindow(window_, SW_SHOW);
    Main().window = window_;
    Globals().trayHidden = false;
    Globals().taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    ownLog.messages.clear();
  }
  void TearDown() override {
    RemoveTray();
    Globals().trayHidden = false;
    if (IsWindow(window_)) DestroyWindow(window_);
    Main().window = nullptr;
  }
  WNDPROC CurrentProc() const { return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window_, GWLP_WNDPROC)); }

  HWND window_ = nullptr;
};

TEST_F(TrayIconTest, UpdatesAddTheIconOnceAndKeepTheWindowSubclassed) {
  ASSERT_FALSE(ShellHasIcon(window_));
  SetTrayState(TrayState::kRecording);
  EXPECT_TRUE(TrayIconShown());
  EXPECT_TRUE(ShellHasIcon(window_));
  EXPECT_NE(CurrentProc(), OwnProc);
  WNDPROC subclass = CurrentProc();
  // Every tick updates the icon; the subclass stays the same one.
  for (TrayState state : {TrayState::kRecordingStill, TrayState::kRecording, TrayState::kPaused}) {
    SetTrayState(state);
    EXPECT_EQ(CurrentProc(), subclass);
  }
  RemoveTray();
  EXPECT_FALSE(TrayIconShown());
  EXPECT_FALSE(ShellHasIcon(window_));
  EXPECT_EQ(CurrentProc(), OwnProc);
}

TEST_F(TrayIconTest, HiddenIconTakesNoUpdatesAndComesBackWithTheLatestState) {
  SetTrayState(TrayState::kIdle);
  Globals().trayHidden = true;
  UpdateTrayIcon();
  EXPECT_FALSE(TrayIconShown());
  EXPECT_FALSE(ShellHasIcon(window_));
  EXPECT_EQ(CurrentProc(), OwnProc);
  // Recording ticks while hidden change the stored state only.
  SetTrayState(TrayState::kRecording);
  SetTrayState(TrayState::kRecordingStill);
  EXPECT_FALSE(ShellHasIcon(window_));
  EXPECT_EQ(CurrentProc(), OwnProc);
  Globals().trayHidden = false;
  UpdateTrayIcon();
  EXPECT_TRUE(TrayIconShown());
  EXPECT_TRUE(ShellHasIcon(window_));
}

TEST_F(TrayIconTest, MouseMessagesGoToTheTrayHandlerOnly) {
  SetTrayState(TrayState::kIdle);
  ASSERT_TRUE(IsWindowVisible(window_));
  SendMessageW(window_, kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  EXPECT_FALSE(IsWindowVisible(window_));
  SendMessageW(window_, kTrayCallbackMessage, 1, WM_LBUTTONDOWN);
  EXPECT_TRUE(IsWindowVisible(window_));
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window_; }));
  // Other mouse messages of the icon do nothing.
  for (LPARAM m : {WM_MOUSEMOVE, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP}) {
    SendMessageW(window_, kTrayCallbackMessage, 1, m);
    EXPECT_TRUE(IsWindowVisible(window_)) << m;
  }
  EXPECT_FALSE(ownLog.Saw(kTrayCallbackMessage));
  // Everything else reaches the window's own procedure.
  SendMessageW(window_, WM_APP + 7, 0, 0);
  EXPECT_TRUE(ownLog.Saw(WM_APP + 7));
}

TEST_F(TrayIconTest, ANewTaskbarGetsTheIconBack) {
  SetTrayState(TrayState::kPaused);
  // The shell restarts and forgets every icon.
  NOTIFYICONDATAW data{};
  data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  data.hWnd = window_;
  data.uID = 1;
  ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
  ASSERT_FALSE(ShellHasIcon(window_));
  SendMessageW(window_, Globals().taskbarCreatedMessage, 0, 0);
  EXPECT_TRUE(ShellHasIcon(window_));
  // The window itself hears of the new taskbar too.
  EXPECT_TRUE(ownLog.Saw(Globals().taskbarCreatedMessage));
}

TEST_F(TrayIconTest, DestroyingTheWindowRemovesTheIcon) {
  SetTrayState(TrayState::kIdle);
  HWND window = window_;
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_TRUE(ownLog.Saw(WM_DESTROY));
  EXPECT_FALSE(TrayIconShown());
  EXPECT_FALSE(ShellHasIcon(window));
}

TEST_F(TrayIconTest, TheCloseBoxHidesTheWindowIntoTheTray) {
  SetTrayState(TrayState::kIdle);
  ASSERT_TRUE(TrayIconShown());
  HideMainWindowToTray();
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(ShellHasIcon(window_));
}

}  // namespace
}  // namespace movrel
