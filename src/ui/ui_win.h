// Small helpers shared by the program's windows: DPI, fonts, control text in
// GBK, pumping pending events.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_io.h"
#include "common/handle_win.h"

namespace movrel {

// The DPI of the window's monitor (96 when the system cannot tell).
UINT WindowDpi(HWND window);
inline int Scale(int value96, UINT dpi) { return MulDiv(value96, static_cast<int>(dpi), 96); }

// The dialog font at the given DPI: 9 pt "宋体" (the system falls back to a
// CJK face it has).
UniqueFont CreateUiFont(UINT dpi, bool underline = false);

std::string GetWindowTextGbk(HWND window);
void SetWindowTextGbk(HWND window, const std::string& text);

// A file dialog's filter given as "name|pattern|name|pattern".
std::wstring FileDialogFilter(const std::string& pairs);

// Open dialog; false when cancelled. With `multiSelect`, every chosen path,
// as the system names it.
bool AskOpenFiles(HWND owner, const std::string& title, const std::string& filter, bool multiSelect,
                  std::vector<FilePath>* paths);
// The same for paths that go into text the settings file keeps: a path GBK
// cannot name is refused with a message, since its GBK form would name
// another file. False when cancelled or nothing is left.
bool AskOpenFile(HWND owner, const std::string& title, const std::string& filter, bool multiSelect,
                 std::vector<std::string>* paths);

// Reads a file the user picked to bring into the window, if it holds at
// most `maxBytes`; the size is asked first, so a huge file is never read.
using ImportRead = FileRead;
ImportRead ReadImportFile(const std::string& path, uint64_t maxBytes, std::string* bytes);

// Shows, restores and raises `window` above every other and gives it the
// keyboard.
void BringWindowToFront(HWND window);

}  // namespace movrel
