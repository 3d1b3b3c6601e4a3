#include "maker_test_support.h"

#include <map>
#include <stdexcept>

namespace movrel {
namespace test {

namespace {

void Put16(std::string* s, unsigned v) {
  s->push_back(static_cast<char>(v & 0xFF));
  s->push_back(static_cast<char>(v >> 8 & 0xFF));
}
void Put32(std::string* s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

int Shift(uint32_t mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}
int Bits(uint32_t mask) {
  mask >>= Shift(mask);
  int n = 0;
  while (mask & 1) {
    mask >>= 1;
    ++n;
  }
  return n;
}
uint32_t Field(uint8_t value, uint32_t mask) {
  int bits = Bits(mask);
  uint32_t v = bits >= 8 ? static_cast<uint32_t>(value) << (bits - 8) : value >> (8 - bits);
  return v << Shift(mask) & mask;
}

}  // namespace

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string MakeBmp(const Picture& picture, const BmpKind& kind) {
  int bpp = kind.bitsPerPixel;
  bool fields = kind.masks[0] || kind.masks[1] || kind.masks[2];
  uint32_t masks[3] = {kind.masks[0], kind.masks[1], kind.masks[2]};
  if (!fields && bpp == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  } else if (!fields && bpp == 32) {
    masks[0] = 0xFF0000;
    masks[1] = 0xFF00;
    masks[2] = 0xFF;
  }

  std::vector<Rgb> palette;
  std::map<uint32_t, int> index;
  if (bpp <= 8) {
    for (const Rgb& c : picture.pixels) {
      uint32_t key = static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b;
      if (index.emplace(key, static_cast<int>(palette.size())).second) palette.push_back(c);
    }
    if (palette.size() > (1u << bpp)) throw std::invalid_argument("too many colours for the depth");
  }

  size_t infoBytes = kind.header == BmpHeader::kCore12 ? 12
                     : kind.header == BmpHeader::kInfo40 ? 40
                     : kind.header == BmpHeader::kV4     ? 108
                                                         : 124;
  size_t entryBytes = kind.header == BmpHeader::kCore12 ? 3 : 4;
  size_t tableEntries = bpp <= 8 ? (kind.header == BmpHeader::kCore12 ? (1u << bpp) : palette.size()) : 0;
  size_t maskBytes = (fields && infoBytes == 40) ? 12 : 0;
  size_t offBits = 14 + infoBytes + maskBytes + tableEntries * entryBytes;
  size_t stride = (static_cast<size_t>(picture.width) * bpp + 31) / 32 * 4;
  size_t fileBytes = offBits + stride * picture.height;

  std::string s = "BM";
  Put32(&s, static_cast<uint32_t>(fileBytes));
  Put32(&s, 0);
  Put32(&s, static_cast<uint32_t>(offBits));
  if (infoBytes == 12) {
    Put32(&s, 12);
    Put16(&s, picture.width);
    Put16(&s, picture.height);
    Put16(&s, 1);
    Put16(&s, bpp);
  } else {
    Put32(&s, static_cast<uint32_t>(infoBytes));
    Put32(&s, static_cast<uint32_t>(picture.width));
    Put32(&s, static_cast<uint32_t>(kind.topDown ? -picture.height : picture.height));
    Put16(&s, 1);
    Put16(&s, bpp);
    Put32(&s, fields ? 3 : 0);
    Put32(&s, static_cast<uint32_t>(stride * picture.height));
    Put32(&s, 2835);
    Put32(&s, 2835);
    Put32(&s, bpp <= 8 ? static_cast<uint32_t>(palette.size()) : 0);
    Put32(&s, 0);
    if (infoBytes > 40) {
      for (uint32_t m : masks) Put32(&s, fields ? m : 0);
      Put32(&s, 0);  // alpha mask
      s.append(infoBytes - 56, '\0');
    } else if (fields) {
      for (uint32_t m : masks) Put32(&s, m);
    }
  }
  for (size_t i = 0; i < tableEntries; ++i) {
    Rgb c = i < palette.size() ? palette[i] : Rgb();
    s.push_back(static_cast<char>(c.b));
    s.push_back(static_cast<char>(c.g));
    s.push_back(static_cast<char>(c.r));
    if (entryBytes == 4) s.push_back('\0');
  }
  for (int row = 0; row < picture.height; ++row) {
    int y = kind.topDown ? row : picture.height - 1 - row;
    std::string line(stride, '\0');
    for (int x = 0; x < picture.width; ++x) {
      const Rgb& c = picture.At(x, y);
      if (bpp <= 8) {
        int i = index[static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b];
        int perByte = 8 / bpp;
        int shift = 8 - bpp * (x % perByte + 1);
        line[x / perByte] = static_cast<char>(static_cast<uint8_t>(line[x / perByte]) | i << shift);
      } else if (bpp == 24) {
        line[3 * x] = static_cast<char>(c.b);
        line[3 * x + 1] = static_cast<char>(c.g);
        line[3 * x + 2] = static_cast<char>(c.r);
      } else {
        uint32_t v = Field(c.r, masks[0]) | Field(c.g, masks[1]) | Field(c.b, masks[2]);
        for (int k = 0; k < bpp / 8; ++k) line[bpp / 8 * x + k] = static_cast<char>(v >> (8 * k) & 0xFF);
      }
    }
    s += line;
  }
  return s;
}

Picture ManyColors(int width, int height, unsigned seed) {
  Picture p(width, height);
  uint32_t state = seed * 2654435761u + 1;
  for (size_t i = 0; i < p.pixels.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    unsigned key = static_cast<unsigned>((i * 2897) % 4096);  // 2897 is odd: every key once per 4096 pixels
    unsigned noise = state >> 20;
    p.pixels[i] = Rgb{static_cast<uint8_t>((key & 0xF) << 4 | (noise & 0xF)),
                      static_cast<uint8_t>((key >> 4 & 0xF) << 4 | (noise >> 4 & 0xF)),
                      static_cast<uint8_t>((key >> 8) << 4 | (noise >> 8 & 0xF))};
  }
  return p;
}

Picture Noise(int width, int height, unsigned seed) {
  Picture p(width, height);
  uint32_t state = seed * 2654435761u + 7;
  for (Rgb& c : p.pixels) {
    state = state * 1664525u + 1013904223u;
    c = Rgb{static_cast<uint8_t>(state >> 24), static_cast<uint8_t>(state >> 16), static_cast<uint8_t>(state >> 8)};
  }
  return p;
}

namespace {

class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  bool Has(size_t n) const { return pos_ + n <= bytes_.size(); }
  uint8_t Byte() {
    if (!Has(1)) throw std::runtime_error("unexpected end of file");
    return static_cast<uint8_t>(bytes_[pos_++]);
  }
  uint16_t Word() {
    uint16_t lo = Byte();
    return static_cast<uint16_t>(lo | Byte() << 8);
  }
  std::string Text(size_t n) {
    if (!Has(n)) throw std::runtime_error("unexpected end of file");
    std::string s = bytes_.substr(pos_, n);
    pos_ += n;
    return s;
  }
  std::vector<Rgb> Table(int entries) {
    std::vector<Rgb> t(static_cast<size_t>(entries));
    for (Rgb& c : t) {
      c.r = Byte();
      c.g = Byte();
      c.b = Byte();
    }
    return t;
  }
  // The data of all sub-blocks up to the terminator.
  std::string SubBlocks(std::vector<int>* sizes) {
    std::string data;
    for (;;) {
      uint8_t n = Byte();
      if (n == 0) return data;
      if (sizes) sizes->push_back(n);
      data += Text(n);
    }
  }
  size_t pos() const { return pos_; }

 private:
  const std::string& bytes_;
  size_t pos_ = 0;
};

// A plain textbook LZW decoder, written apart from the encoder: every code
// is a (prefix code, last pixel) pair, and a string is read back to front.
void DecodeLzw(const std::string& data, GifFrame* frame) {
  int m = frame->minCodeSize;
  int clear = 1 << m, end = clear + 1;
  std::vector<int> prefix(4096, -1);
  std::vector<uint8_t> last(4096), first(4096);
  std::vector<uint8_t> string;
  for (int i = 0; i < clear; ++i) last[i] = first[i] = static_cast<uint8_t>(i);
  int size = end + 1;
  int width = m + 1;
  size_t bitPos = 0;
  int previous = -1;
  for (;;) {
    if (bitPos + width > data.size() * 8) throw std::runtime_error("code stream ends without an end code");
    int code = 0;
    for (int i = 0; i < width; ++i, ++bitPos) {
      if (static_cast<uint8_t>(data[bitPos / 8]) >> (bitPos % 8) & 1) code |= 1 << i;
    }
    frame->codes.push_back(code);
    frame->codeWidths.push_back(width);
    if (code == clear) {
      size = end + 1;
      width = m + 1;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (code > size || (code == size && previous < 0)) {
      throw std::runtime_error("code " + std::to_string(code) + " not yet defined");
    }
    if (previous >= 0 && size < 4096) {
      // The new string: the previous one plus the first pixel of this one
      // (of itself when this code is the one being defined).
      prefix[size] = previous;
      first[size] = first[previous];
      last[size] = code == size ? first[previous] : first[code];
      ++size;
    }
    string.clear();
    for (int c = code; c >= 0; c = c < clear ? -1 : prefix[c]) string.push_back(last[c]);
    frame->indices.insert(frame->indices.end(), string.rbegin(), string.rend());
    previous = code;
    if (size == (1 << width) && width < 12) ++width;
  }
  frame->endBit = bitPos;
  if ((bitPos + 7) / 8 != data.size()) throw std::runtime_error("bytes after the end code");
}

}  // namespace

bool DecodeImageData(const std::string& data, size_t pixels, GifFrame* frame, std::string* error) {
  try {
    Reader in(data);
    frame->minCodeSize = in.Byte();
    DecodeLzw(in.SubBlocks(&frame->subBlockSizes), frame);
    if (in.pos() != data.size()) throw std::runtime_error("bytes after the terminator");
    if (frame->indices.size() != pixels) throw std::runtime_error("wrong number of pixels");
    return true;
  } catch (const std::exception& e) {
    *error = e.what();
    return false;
  }
}

bool ParseGif(const std::string& bytes, GifFile* gif, std::string* error) {
  try {
    GifFile out;
    Reader in(bytes);
    out.signature = in.Text(6);
    out.width = in.Word();
    out.height = in.Word();
    out.screenPacked = in.Byte();
    out.background = in.Byte();
    out.aspect = in.Byte();
    if (out.screenPacked & 0x80) out.globalTable = in.Table(2 << (out.screenPacked & 7));
    GifFrame frame;
    std::string pendingComment;
    for (;;) {
      uint8_t b = in.Byte();
      if (b == 0x3B) {
        out.trailer = true;
        break;
      }
      if (b == 0x21) {
        uint8_t label = in.Byte();
        if (label == 0xF9) {
          if (in.Byte() != 4) throw std::runtime_error("control block size");
          frame.hasControl = true;
          frame.controlPacked = in.Byte();
          frame.delayCs = in.Word();
          frame.transparentIndex = in.Byte();
          if (in.Byte() != 0) throw std::runtime_error("control block terminator");
        } else if (label == 0xFE) {
          pendingComment += in.SubBlocks(nullptr);
        } else if (label == 0xFF) {
          size_t start = in.pos();
          uint8_t n = in.Byte();
          std::string id = in.Text(n);
          std::string data = in.SubBlocks(nullptr);
          if (id == "NETSCAPE2.0" && data.size() == 3 && data[0] == 1) {
            out.hasLoop = true;
            out.loopOffset = start - 2;
            out.loopCount = static_cast<uint16_t>(static_cast<uint8_t>(data[1]) | static_cast<uint8_t>(data[2]) << 8);
          }
        } else {
          in.SubBlocks(nullptr);
        }
        continue;
      }
      if (b != 0x2C) throw std::runtime_error("unknown block " + std::to_string(b));
      frame.comment = pendingComment;
      pendingComment.clear();
      frame.left = in.Word();
      frame.top = in.Word();
      frame.width = in.Word();
      frame.height = in.Word();
      frame.descriptorPacked = in.Byte();
      if (frame.descriptorPacked & 0x80) frame.localTable = in.Table(2 << (frame.descriptorPacked & 7));
      frame.minCodeSize = in.Byte();
      DecodeLzw(in.SubBlocks(&frame.subBlockSizes), &frame);
      if (frame.indices.size() != static_cast<size_t>(frame.width) * frame.height) {
        throw std::runtime_error("frame holds " + std::to_string(frame.indices.size()) + " pixels");
      }
      out.frames.push_back(frame);
      frame = GifFrame();
    }
    if (in.pos() != bytes.size()) throw std::runtime_error("bytes after the trailer");
    out.trailingComment = pendingComment;
    *gif = out;
    return true;
  } catch (const std::exception& e) {
    *error = e.what();
    return false;
  }
}

}  // namespace test
}  // namespace movrel
