#include "record/recording_rules.h"

#include <cmath>
#include <cstdio>

#include "common/gbk.h"
#include "common/number.h"

namespace movrel {

const char* StartCaption(RecorderPhase phase) {
  switch (phase) {
    case RecorderPhase::kRecording: return kStartCaptionRecording;
    case RecorderPhase::kPaused: return kStartCaptionPaused;
    case RecorderPhase::kIdle: break;
  }
  return kStartCaptionIdle;
}

const char* TrayTip(RecorderTrayState state) {
  switch (state) {
    case RecorderTrayState::kRecording: return "Movrel\r\n(正在录制中..按F9键暂停或F10键停止)";
    case RecorderTrayState::kRecordingStill: return "Movrel\r\n(正在录制中但出现静止画面..按F9键暂停或F10键停止)";
    case RecorderTrayState::kPaused: return "Movrel\r\n(录制暂停中，按F9键继续录制)";
    case RecorderTrayState::kIdle: break;
  }
  return "Movrel";
}

namespace {

// x < limit, with the tolerance the duration text uses.
bool Below(double x, double limit) { return x - limit < -1e-7; }

std::string ShownValue(double x) {
  double rounded = std::round(x * 100) / 100;
  char text[64];
  snprintf(text, sizeof text, "%.13g", rounded);
  return text;
}

}  // namespace

std::string FormatDuration(int64_t ms) {
  double x = static_cast<double>(ms);
  if (Below(x, 1000)) return ShownValue(x) + " 毫秒";
  x /= 1000;
  if (Below(x, 60)) return ShownValue(x) + " 秒";
  x /= 60;
  if (Below(x, 60)) return ShownValue(x) + " 分";
  x /= 60;
  if (Below(x, 24)) return ShownValue(x) + " 时";
  x /= 24;
  if (Below(x, 30)) return ShownValue(x) + " 天";
  x /= 30;
  if (Below(x, 12)) return ShownValue(x) + " 月";
  x /= 12;
  return ShownValue(x) + " 年";
}

std::string FrameWriteFailureMessage(const std::string& folder, const std::string& reason) {
  return "无法写入录制的帧，录制已停止。\r\n文件夹：" + folder + "\r\n原因：" + (reason.empty() ? "未知错误" : reason);
}

std::string RunningCaption(int frameCount, int32_t totalTimeMs, bool stillFrame) {
  std::string caption = "1.基本设置（帧数：" + std::to_string(frameCount) + " 时间：" + FormatDuration(totalTimeMs) + "）";
  if (stillFrame) caption += "<静止画面>";
  return caption;
}

int CountdownStartSeconds(int seconds) { return seconds < 1 ? 3 : seconds; }

FilePath ResolveFrameFolder(const std::string& pathText, const FilePath& programFolder) {
  std::u16string folder = FilePath::FromGbk(pathText).Units();
  if (!folder.empty() && folder[0] == u'\\' && !(folder.size() >= 2 && folder[1] == u'\\')) {
    std::u16string base = programFolder.Units();
    if (!base.empty() && base.back() == u'\\') base.pop_back();
    folder = base + folder;
  }
  if (folder.empty() || folder.back() != u'\\') folder += u'\\';
  return FilePath(folder);
}

bool FrameFolderSetting(const FilePath& chosen, const FilePath& programFolder, std::string* setting) {
  std::u16string base = programFolder.Units();
  if (!base.empty() && base.back() == u'\\') base.pop_back();
  const std::u16string& path = chosen.Units();
  FilePath stored = chosen;
  // Only the program folder as a whole leading component is relative: a
  // sibling such as "C:\Movrel2" stays absolute.
  if (!base.empty() && path.compare(0, base.size(), base) == 0) {
    const std::u16string rest = path.substr(base.size());
    if (rest.empty()) stored = FilePath(u"\\");
    if (!rest.empty() && rest[0] == u'\\') stored = FilePath(rest);
  }
  if (!stored.FitsGbk()) return false;
  *setting = stored.Gbk();
  return true;
}

int64_t SecondsSince19700101At8(int year, int month, int day, int hour, int minute, int second) {
  // Days from the civil date (proleptic Gregorian), counted from 1970-01-01.
  int64_t y = year - (month <= 2 ? 1 : 0);
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  int64_t days = era * 146097 + doe - 719468;
  return days * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second - 8 * 3600;
}

std::vector<FilePath> DirectoryChainPrefixes(const FilePath& folder) {
  // In UTF-16 a "\" is always a separator: no letter contains its unit.
  const std::u16string& path = folder.Units();
  constexpr size_t npos = std::u16string::npos;
  std::vector<FilePath> prefixes;
  // In "\\server\share\..." neither the server nor the share can be made.
  size_t shareEnd = 0;
  bool unc = path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\';
  if (unc) {
    size_t serverEnd = path.find(u'\\', 2);
    shareEnd = serverEnd == npos ? npos : path.find(u'\\', serverEnd + 1);
    if (shareEnd == npos) return prefixes;
  }
  size_t previous = npos;
  for (size_t p = path.find(u'\\'); p != npos; previous = p, p = path.find(u'\\', p + 1)) {
    bool drive = p == 2 && path[1] == u':';
    // A doubled separator (two in a row) names no folder of its own.
    bool doubled = previous != npos && previous + 1 == p;
    if (p == 0 || drive || doubled || (unc && p <= shareEnd)) continue;
    prefixes.push_back(FilePath(path.substr(0, p)));
  }
  return prefixes;
}

std::string SkipLeadingBlanks(const std::string& path) {
  size_t start = path.find_first_not_of(" \t");
  return start == std::string::npos ? std::string() : path.substr(start);
}

bool IsProtectedDeletePath(const std::string& path) {
  std::string p = SkipLeadingBlanks(path);
  // Trailing blanks and separators do not change which folder is meant.
  while (!p.empty() && (p.back() == ' ' || p.back() == '\t' || p.back() == '/' || GbkEndsWith(p, '\\'))) p.pop_back();
  if (p.empty()) return true;                         // blank, "\" or "\\"
  if (p.size() == 2 && p[1] == ':') return true;      // "C:" and "C:\"
  bool unc = p.size() >= 2 && (p[0] == '\\' || p[0] == '/') && (p[1] == '\\' || p[1] == '/');
  if (unc) {
    // "\\server" and "\\server\share" are roots; a folder inside a share is not.
    int separators = 0;
    for (size_t i = 2; i < p.size(); i += GbkCharLength(p, i)) {
      if (p[i] == '\\' || p[i] == '/') ++separators;
    }
    if (separators <= 1) return true;
  }
  return false;
}

std::string FrameFileStem(int year, int month, int day, int hour, int minute, int second) {
  char text[64];
  snprintf(text, sizeof text, "%04d-%02d-%02d %02d-%02d-%02d", year, month, day, hour, minute, second);
  return text;
}

std::string FrameFileName(const std::string& folder, const std::string& stem, int counter,
                          const std::string& extension) {
  std::string name = folder + stem;
  if (counter > 0) name += "(" + std::to_string(counter) + ")";
  return name + "." + extension;
}

}  // namespace movrel
