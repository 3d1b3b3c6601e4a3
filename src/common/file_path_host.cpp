// The host's GBK conversions go through iconv with Microsoft's code page 936
// table, the one the Windows build converts with.
#include <iconv.h>

#include <cstring>

#include "common/byte_order.h"
#include "common/file_path.h"
#include "common/gbk.h"

namespace movrel {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `size` bytes at `in`; false when they are no whole character of
  // the source form or have no form in the target.
  bool Convert(const char* in, size_t size, std::string* out) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[16];
    char* source = const_cast<char*>(in);
    char* target = buffer;
    size_t left = size, room = sizeof buffer;
    if (iconv(cd_, &source, &left, &target, &room) == static_cast<size_t>(-1) || left != 0) return false;
    out->append(buffer, static_cast<size_t>(target - buffer));
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

FilePath FilePath::FromGbk(const std::string& gbk) {
  Converter converter("UTF-16LE", "CP936");
  std::u16string units;
  std::string piece;
  for (size_t i = 0; i < gbk.size();) {
    const size_t n = GbkCharLength(gbk, i);
    piece.clear();
    if (converter.Convert(gbk.data() + i, n, &piece) && piece.size() == 2) {
      units.push_back(static_cast<char16_t>(ReadLe16(piece, 0)));
    } else {
      units.push_back(u'\xFFFD');
    }
    i += n;
  }
  return FilePath(std::move(units));
}

std::string FilePath::Gbk() const {
  Converter converter("CP936", "UTF-16LE");
  std::string gbk;
  for (size_t i = 0; i < units_.size(); ++i) {
    const bool pair = units_[i] >= 0xD800 && units_[i] <= 0xDBFF && i + 1 < units_.size();
    uint8_t bytes[4];
    for (size_t k = 0; k < (pair ? 2u : 1u); ++k) WriteLe16(bytes + 2 * k, units_[i + k]);
    if (!converter.Convert(reinterpret_cast<const char*>(bytes), pair ? 4 : 2, &gbk)) gbk.push_back('?');
    if (pair) ++i;
  }
  return gbk;
}

}  // namespace movrel
