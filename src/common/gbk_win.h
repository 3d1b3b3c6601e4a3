// The one pair of conversions at the Win32 boundary: GBK bytes <-> UTF-16,
// always with code page 936 whatever the system's ANSI code page is, so the
// program can call the W functions everywhere.
#pragma once

#include <string>

namespace movrel {

constexpr unsigned kGbkCodePage = 936;

std::wstring ToWide(const std::string& gbk);
std::string ToGbk(const std::wstring& wide);
std::string ToGbk(const wchar_t* wide);

// UTF-8 <-> UTF-16, for tools and tests that talk to a Linux terminal.
std::string WideToUtf8(const std::wstring& wide);

}  // namespace movrel
