#include "record/stored_frame.h"

#include <zlib.h>

#include <cstring>
#include <limits>

#include "common/byte_order.h"

namespace movrel {
namespace {

constexpr char kMagic[4] = {'M', 'V', 'F', '1'};

// No BMP the program makes comes near this; a damaged length beyond it is
// refused before anything is allocated for it.
constexpr uint32_t kMaxPictureBytes = 512u << 20;

void PutLe32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

std::string EncodeStoredFrame(const std::string& bmp, FrameOffset offset) {
  if (bmp.empty() || bmp.size() > kMaxPictureBytes) return std::string();
  uLongf packed = compressBound(static_cast<uLong>(bmp.size()));
  std::string file(kStoredFrameHeaderBytes + static_cast<size_t>(packed), '\0');
  if (compress2(reinterpret_cast<Bytef*>(&file[kStoredFrameHeaderBytes]), &packed,
                reinterpret_cast<const Bytef*>(bmp.data()), static_cast<uLong>(bmp.size()), Z_BEST_SPEED) != Z_OK) {
    return std::string();
  }
  file.resize(kStoredFrameHeaderBytes + static_cast<size_t>(packed));
  std::string header(kMagic, sizeof kMagic);
  PutLe32(header, static_cast<uint32_t>(offset.left));
  PutLe32(header, static_cast<uint32_t>(offset.top));
  PutLe32(header, static_cast<uint32_t>(bmp.size()));
  PutLe32(header, static_cast<uint32_t>(packed));
  file.replace(0, header.size(), header);
  return file;
}

bool DecodeStoredFrame(const std::string& file, std::string* bmp, FrameOffset* offset) {
  if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') {
    *bmp = file;
    *offset = FrameOffset{};
    return true;
  }
  if (file.size() < kStoredFrameHeaderBytes || std::memcmp(file.data(), kMagic, sizeof kMagic) != 0) return false;
  const auto* h = reinterpret_cast<const uint8_t*>(file.data());
  const uint32_t length = ReadLe32(h + 12), packed = ReadLe32(h + 16);
  if (length == 0 || length > kMaxPictureBytes || file.size() - kStoredFrameHeaderBytes != packed) return false;
  std::string picture(length, '\0');
  uLongf made = length;
  if (uncompress(reinterpret_cast<Bytef*>(&picture[0]), &made, h + kStoredFrameHeaderBytes, packed) != Z_OK ||
      made != length) {
    return false;
  }
  *bmp = std::move(picture);
  *offset = FrameOffset{static_cast<int32_t>(ReadLe32(h + 4)), static_cast<int32_t>(ReadLe32(h + 8))};
  return true;
}

}  // namespace movrel
