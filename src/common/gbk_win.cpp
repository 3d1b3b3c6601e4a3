#include "common/gbk_win.h"

#include <windows.h>

namespace movrel {
namespace {

std::wstring Decode(unsigned codePage, const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Encode(unsigned codePage, const wchar_t* wide, size_t length) {
  if (length == 0) return std::string();
  int n = WideCharToMultiByte(codePage, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, 0, wide, static_cast<int>(length), &text[0], n, nullptr, nullptr);
  return text;
}

}  // namespace

std::wstring ToWide(const std::string& gbk) { return Decode(kGbkCodePage, gbk); }
std::string ToGbk(const std::wstring& wide) { return Encode(kGbkCodePage, wide.data(), wide.size()); }
std::string ToGbk(const wchar_t* wide) { return wide ? Encode(kGbkCodePage, wide, wcslen(wide)) : std::string(); }
std::string WideToUtf8(const std::wstring& wide) { return Encode(CP_UTF8, wide.data(), wide.size()); }

}  // namespace movrel
