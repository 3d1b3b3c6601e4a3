// The small pictures of the main window's commands, drawn with GDI so they
// scale with the DPI.
#pragma once

#include <windows.h>

#include <string>

#include "common/handle_win.h"

namespace movrel {

enum class CommandPicture { kStart, kPause, kStop, kPreview, kSave, kRectangle };

void DrawCommandPicture(HDC dc, const RECT& area, CommandPicture picture, bool enabled, bool hovered);

// A device-independent bitmap made from BMP file bytes; empty when the bytes
// are no BMP.
UniqueBitmap BitmapFromBmpBytes(const std::string& bmp);

}  // namespace movrel
