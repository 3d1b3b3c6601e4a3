// The probes' output: UTF-8 lines of JSON on standard output, and window
// texts read across processes without hanging on a busy window.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace movrel {
namespace test {

// One line on standard output, written as bytes (no code-page conversion).
inline void Print(const std::string& utf8) {
  std::string line = utf8 + "\n";
  DWORD done = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &done, nullptr);
}

// `utf8` as a JSON string.
inline std::string Json(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// WM_GETTEXT works across processes for every standard control; a window
// whose thread is busy or gone gives an empty text after `timeoutMs`.
inline std::wstring WindowText(HWND window, UINT timeoutMs) {
  wchar_t buffer[8192];
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXT, 8192, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, timeoutMs,
                           &n)) {
    return std::wstring();
  }
  return std::wstring(buffer, static_cast<size_t>(n));
}

}  // namespace test
}  // namespace movrel
