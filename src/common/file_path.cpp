#include "common/file_path.h"

#include <cstdint>

namespace movrel {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

void AppendUtf8(uint32_t code, std::string* out) {
  if (code < 0x80) {
    out->push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (code >> 6)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (code >> 12)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (code >> 18)));
    out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

void AppendUtf16(uint32_t code, std::u16string* out) {
  if (code < 0x10000) {
    out->push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 | (code >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 | (code & 0x3FF)));
  }
}

}  // namespace

FilePath FilePath::FromUtf8(const std::string& utf8) { return FilePath(Utf8ToUtf16(utf8)); }

bool FilePath::EndsWithSeparator() const { return !units_.empty() && IsSeparator(units_.back()); }

FilePath FilePath::WithoutTrailingSeparators() const {
  std::u16string units = units_;
  while (!units.empty() && IsSeparator(units.back())) units.pop_back();
  return FilePath(std::move(units));
}

FilePath FilePath::FolderPart() const {
  // UTF-16 has no double-byte characters: a separator unit is a separator.
  size_t end = units_.find_last_of(u"\\/:");
  return FilePath(end == std::u16string::npos ? std::u16string() : units_.substr(0, end + 1));
}


std::string FilePath::Utf8() const { return Utf16ToUtf8(units_); }

std::string Utf16ToUtf8(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(c, &out);
  }
  return out;
}

std::u16string Utf8ToUtf16(const std::string& utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    int extra = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2
                                 : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
    uint32_t code = extra == 0 ? lead : extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    bool ok = extra >= 0 && i + static_cast<size_t>(extra) < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const uint8_t next = static_cast<uint8_t>(utf8[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) ok = false;
      code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    if (ok && ((extra == 2 && code < 0x800) || (extra == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
               (code >= 0xD800 && code <= 0xDFFF))) {
      ok = false;
    }
    if (ok) {
      AppendUtf16(code, &out);
      i += static_cast<size_t>(extra) + 1;
    } else {
      out.push_back(u'\xFFFD');
      ++i;
    }
  }
  return out;
}

}  // namespace movrel
