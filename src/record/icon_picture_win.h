// A picture made from the bytes of an icon or cursor file, drawn with its
// mask so the transparent pixels leave the frame as it is. The frame
// composer draws the mouse cursor with it.
#pragma once

#include <windows.h>

#include <string>

#include "common/handle_win.h"

namespace movrel {

class IconPicture {
 public:
  // The file's largest image. False, holding nothing, for bytes that are no
  // icon or cursor file or that the system cannot turn into an icon.
  bool Load(const std::string& fileBytes);
  void Reset();

  bool loaded() const { return static_cast<bool>(icon_); }
  HICON handle() const { return icon_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }

  // At its own size with its top-left corner at (x, y); the hotspot plays no
  // part. The DC clips what falls outside it.
  void Draw(HDC dc, int x, int y) const;

 private:
  UniqueIcon icon_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace movrel
