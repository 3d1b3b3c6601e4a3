#include "common/gbk.h"

namespace movrel {

size_t GbkCharLength(const std::string& text, size_t pos) {
  if (pos + 1 < text.size() && IsGbkLeadByte(static_cast<unsigned char>(text[pos])) &&
      IsGbkTrailByte(static_cast<unsigned char>(text[pos + 1]))) {
    return 2;
  }
  return 1;
}

size_t GbkFind(const std::string& text, char c, size_t start) {
  // Walk from the beginning: only there is a character boundary known.
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    if (i >= start && text[i] == c) return i;
  }
  return std::string::npos;
}

size_t GbkFindLast(const std::string& text, char c) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    if (text[i] == c) found = i;
  }
  return found;
}

size_t GbkFindText(const std::string& text, const std::string& needle, size_t start) {
  if (needle.empty()) return start <= text.size() ? start : std::string::npos;
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i)) {
    if (i >= start && text.compare(i, needle.size(), needle) == 0) return i;
  }
  return std::string::npos;
}

std::string GbkReplaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text.compare(i, from.size(), from) == 0) {
      out += to;
      i += from.size();
    } else {
      size_t n = GbkCharLength(text, i);
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

bool GbkEndsWith(const std::string& text, char c) {
  return !text.empty() && GbkFindLast(text, c) == text.size() - 1;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string GbkTruncate(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = 0;
  for (size_t i = 0; i < text.size();) {
    size_t n = GbkCharLength(text, i);
    if (i + n > maxBytes) break;
    i += n;
    end = i;
  }
  return text.substr(0, end);
}

}  // namespace movrel
