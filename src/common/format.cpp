#include "common/format.h"

#include <cmath>
#include <cstdio>

namespace movrel {

std::string FormatNumber(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  double scale = std::pow(10.0, decimals);
  // Round half away from zero, as a person reading the caption expects.
  double rounded = std::round(value * scale) / scale;
  if (rounded == 0.0) rounded = 0.0;  // no "-0"
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, rounded);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  return text;
}

std::string FormatByteSize(uint64_t bytes) {
  // "Below 1024" is tested with a small tolerance so that a quotient a hair
  // under 1024 through floating-point error is not pushed to the next unit.
  auto below1024 = [](double x) { return x - 1024.0 < -0.0000001; };
  double x = static_cast<double>(bytes);
  if (below1024(x)) return std::to_string(bytes) + " B";
  static const char* const kUnits[] = {" KB", " MB", " GB", " TB"};
  for (const char* unit : kUnits) {
    x /= 1024.0;
    if (below1024(x)) return FormatNumber(x, 2) + unit;
  }
  x /= 1024.0;
  return FormatNumber(x, 2) + " PB";
}

std::string FileRefusalReason(FileRead read, uint64_t limitBytes) {
  return read == FileRead::kTooLarge ? "文件太大（最多" + std::to_string(limitBytes / (1024 * 1024)) + " MiB）"
                                     : "无法读取该文件";
}

}  // namespace movrel
