#include "common/desktop_win.h"

#include <algorithm>

namespace movrel {
namespace {

HWND homeWindow = nullptr;

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  auto* boxes = reinterpret_cast<std::vector<DesktopBox>*>(data);
  const DesktopBox box = ToDesktopBox(info.rcMonitor);
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    boxes->insert(boxes->begin(), box);
  } else {
    boxes->push_back(box);
  }
  return TRUE;
}

bool HomeMonitorInfo(MONITORINFO* info) {
  info->cbSize = sizeof *info;
  // A hidden or minimised window still has a place (the restored one), so
  // the monitor stays the user's while the main window sits in the tray.
  HMONITOR monitor = homeWindow && IsWindow(homeWindow) ? MonitorFromWindow(homeWindow, MONITOR_DEFAULTTOPRIMARY)
                                                        : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
  return monitor && GetMonitorInfoW(monitor, info);
}

DesktopBox PrimaryScreen() { return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }

}  // namespace

DesktopBox ToDesktopBox(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

Desktop ReadDesktop() {
  std::vector<DesktopBox> boxes;
  if (!EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&boxes)) || boxes.empty()) {
    boxes = {PrimaryScreen()};
  }
  return Desktop(std::move(boxes));
}

void SetHomeWindow(HWND window) { homeWindow = window; }
HWND HomeWindow() { return homeWindow && IsWindow(homeWindow) ? homeWindow : nullptr; }

DesktopBox HomeMonitor() {
  MONITORINFO info{};
  return HomeMonitorInfo(&info) ? ToDesktopBox(info.rcMonitor) : PrimaryScreen();
}

DesktopBox HomeWorkArea() {
  MONITORINFO info{};
  return HomeMonitorInfo(&info) ? ToDesktopBox(info.rcWork) : PrimaryScreen();
}

POINT CentredOn(const DesktopBox& anchor, int width, int height, const DesktopBox& area) {
  auto place = [](int64_t anchorLo, int64_t anchorHi, int size, int lo, int hi) {
    const int64_t start = anchorLo + (anchorHi - anchorLo - size) / 2;
    return size >= hi - lo ? lo : static_cast<int>(std::clamp<int64_t>(start, lo, hi - size));
  };
  return {place(anchor.left, anchor.right, width, area.left, area.right),
          place(anchor.top, anchor.bottom, height, area.top, area.bottom)};
}

POINT CentredOnHome(int width, int height) {
  const DesktopBox area = HomeWorkArea();
  HWND home = HomeWindow();
  RECT r{};
  if (home && IsWindowVisible(home) && !IsIconic(home) && GetWindowRect(home, &r)) {
    return CentredOn(ToDesktopBox(r), width, height, area);
  }
  return CentredOn(area, width, height, area);
}

}  // namespace movrel
