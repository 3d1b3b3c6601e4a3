#include "record/icon_picture_win.h"

#include <vector>

#include "record/icon_file.h"

namespace movrel {

bool IconPicture::Load(const std::string& fileBytes) {
  Reset();
  const std::optional<IconFileImage> image = ParseIconFile(fileBytes);
  if (!image) return false;
  // A cursor's image data is laid out as an icon's; loading it as an icon
  // leaves out the hotspot, which the frame does not use.
  std::vector<BYTE> data(fileBytes.begin() + image->offset, fileBytes.begin() + image->offset + image->size);
  icon_.reset(CreateIconFromResourceEx(data.data(), static_cast<DWORD>(data.size()), TRUE, 0x00030000, image->width,
                                       image->height, LR_DEFAULTCOLOR));
  if (!icon_) return false;
  width_ = image->width;
  height_ = image->height;
  return true;
}

void IconPicture::Reset() {
  icon_.reset();
  width_ = height_ = 0;
}

void IconPicture::Draw(HDC dc, int x, int y) const {
  if (icon_) DrawIconEx(dc, x, y, icon_.get(), width_, height_, 0, nullptr, DI_NORMAL);
}

}  // namespace movrel
