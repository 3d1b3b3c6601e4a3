#include "gif/compact_writer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/byte_order.h"
#include "gif/codec_failure.h"
#include "gif/lzw_encoder.h"

namespace movrel {

namespace {

constexpr uint8_t kLeaveInPlace = 1;

void Put(std::string& out, unsigned byte) { out.push_back(static_cast<char>(byte)); }

// Bits of the smallest table that holds `entries` (1..8; a table has at
// least two entries).
int TableBits(size_t entries) {
  int bits = 1;
  while ((size_t{1} << bits) < entries) ++bits;
  return bits;
}

// A table padded with black to its power-of-two size, red-green-blue.
void PutTable(std::string& out, const std::vector<uint32_t>& colors, size_t entries) {
  size_t size = size_t{1} << TableBits(entries);
  for (size_t i = 0; i < size; ++i) {
    uint32_t c = i < colors.size() ? colors[i] : 0;
    Put(out, RedOf(c));
    Put(out, GreenOf(c));
    Put(out, BlueOf(c));
  }
}

// The bounding rectangle of the pixels where `a` and `b` differ within
// `area`; empty when they are the same there.
PixelRect Difference(const RgbCanvas& a, const RgbCanvas& b, const PixelRect& area) {
  int left = area.Right(), right = area.left - 1, top = -1, bottom = -1;
  for (int y = area.top; y < area.Bottom(); ++y) {
    const uint32_t* pa = a.Row(y);
    const uint32_t* pb = b.Row(y);
    int x = area.left;
    while (x < area.Right() && pa[x] == pb[x]) ++x;
    if (x == area.Right()) continue;
    if (top < 0) top = y;
    bottom = y;
    left = std::min(left, x);
    int r = area.Right() - 1;
    while (r > right && pa[r] == pb[r]) --r;
    right = std::max(right, r);
  }
  if (top < 0) return PixelRect();
  return PixelRect{left, top, right - left + 1, bottom - top + 1};
}

std::vector<uint8_t> MakeIndexes(const PixelRect& rect) {
  try {
    return std::vector<uint8_t>(static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height));
  } catch (const std::bad_alloc&) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
}

}  // namespace

void CompactGifWriter::Begin(const AnimationSettings& animation, const std::vector<uint32_t>& sharedColors,
                             ByteSink& sink) {
  animation_ = animation;
  sink_ = &sink;
  shared_.clear();
  sharedSet_.Clear();
  if (sharedColors.size() <= kMaxSharedColors) {
    for (uint32_t c : sharedColors) {
      if (sharedSet_.Add(c & 0xFFFFFF) && sharedSet_.size() > shared_.size()) shared_.push_back(c & 0xFFFFFF);
    }
  }
  headWritten_ = false;
  seenFrame_ = false;
  frames_ = 0;
  pending_ = Pending();
  shown_.Allocate(animation.width, animation.height);
  previous_.Allocate(animation.width, animation.height);
}

void CompactGifWriter::WriteHead(bool animated) {
  std::string head = "GIF89a";
  AppendLe16(&head, animation_.width);
  AppendLe16(&head, animation_.height);
  if (!shared_.empty()) {
    int bits = TableBits(shared_.size() + 1);
    Put(head, 0x80 | 0x70 | (bits - 1));
  } else {
    Put(head, 0x70);  // no global table; colour resolution 8 bits
  }
  Put(head, 0);  // background index
  Put(head, 0);  // no aspect ratio
  if (!shared_.empty()) PutTable(head, shared_, shared_.size() + 1);
  if (animated && animation_.loop) {
    Put(head, 0x21);
    Put(head, 0xFF);
    Put(head, 0x0B);
    head += "NETSCAPE2.0";
    Put(head, 0x03);
    Put(head, 0x01);
    AppendLe16(&head, animation_.loopCount);
    Put(head, 0x00);
  }
  WriteOrFail(*sink_, head.data(), head.size());
  headWritten_ = true;
}

void CompactGifWriter::Flush() {
  if (!pending_.valid) return;
  if (!headWritten_) WriteHead(true);
  std::string control;
  Put(control, 0x21);
  Put(control, 0xF9);
  Put(control, 0x04);
  Put(control, kLeaveInPlace << 2 | (pending_.transparentIndex >= 0 ? 1 : 0));
  AppendLe16(&control, pending_.delayCs);
  Put(control, pending_.transparentIndex >= 0 ? static_cast<unsigned>(pending_.transparentIndex) : 0);
  Put(control, 0x00);
  WriteOrFail(*sink_, control.data(), control.size());
  WriteOrFail(*sink_, pending_.image.data(), pending_.image.size());
  ++frames_;
  pending_ = Pending();
}

void CompactGifWriter::Lengthen(uint16_t delayCs) {
  if (!pending_.valid) return;
  pending_.delayCs = static_cast<uint16_t>(std::min<unsigned>(65535u, pending_.delayCs + delayCs));
}

std::string CompactGifWriter::ImageBlock(const PixelRect& rect, const std::vector<uint8_t>& indexes,
                                         const std::vector<uint32_t>* localTable, size_t tableEntries) {
  const int bits = TableBits(tableEntries);
  std::string block;
  Put(block, 0x2C);
  AppendLe16(&block, static_cast<unsigned>(rect.left));
  AppendLe16(&block, static_cast<unsigned>(rect.top));
  AppendLe16(&block, static_cast<unsigned>(rect.width));
  AppendLe16(&block, static_cast<unsigned>(rect.height));
  unsigned packed = animation_.interlace ? 0x40 : 0x00;
  if (localTable) packed |= 0x80 | static_cast<unsigned>(bits - 1);
  Put(block, packed);
  if (localTable) PutTable(block, *localTable, tableEntries);
  MemorySink data;
  // Tables of two entries still take codes of at least two bits.
  WriteIndexedImageData(indexes.data(), rect.width, rect.height, std::max(bits, 2), animation_.interlace, data);
  block += data.bytes();
  return block;
}

void CompactGifWriter::AddFrame(const RgbCanvas& picture, uint16_t delayCs) {
  const PixelRect screen{0, 0, previous_.width(), previous_.height()};
  const bool first = !seenFrame_;
  PixelRect changed = first ? screen : Difference(picture, previous_, screen);
  if (changed.Empty()) {
    Lengthen(delayCs);
    return;
  }
  seenFrame_ = true;

  // A pixel must be drawn when it changed and the viewer does not already
  // show its colour (an earlier frame may have left it exactly so).
  // Worked out once per pixel of the changed rectangle.
  std::vector<uint8_t> draw = MakeIndexes(changed);
  PixelRect rect;
  size_t drawnPixels = 0;
  {
    int left = changed.Right(), right = -1, top = -1, bottom = -1;
    uint8_t* d = draw.data();
    for (int y = changed.top; y < changed.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      const uint32_t* before = previous_.Row(y);
      const uint32_t* s = shown_.Row(y);
      for (int x = changed.left; x < changed.Right(); ++x, ++d) {
        if (!first && (p[x] == before[x] || p[x] == s[x])) continue;
        *d = 1;
        ++drawnPixels;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    if (top >= 0) rect = PixelRect{left, top, right - left + 1, bottom - top + 1};
  }
  auto mustDraw = [&](int x, int y) {
    return draw[static_cast<size_t>(y - changed.top) * static_cast<size_t>(changed.width) + (x - changed.left)] != 0;
  };
  auto keepPicture = [&](const PixelRect& area) {
    for (int y = area.top; y < area.Bottom(); ++y) {
      std::memcpy(previous_.Row(y) + area.left, picture.Row(y) + area.left, sizeof(uint32_t) * area.width);
    }
  };
  if (rect.Empty()) {
    keepPicture(changed);
    Lengthen(delayCs);
    return;
  }

  // The colours to store: the shared table, the frame's own exact colours,
  // or a median cut of them.
  const bool shared = !shared_.empty();
  ColorSet drawn(256);
  bool hasKept = false;  // pixels of the rectangle left as they are shown
  if (!shared) {
    for (int y = rect.top; y < rect.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      for (int x = rect.left; x < rect.Right(); ++x) {
        if (mustDraw(x, y)) {
          drawn.Add(p[x]);
        } else {
          hasKept = true;
        }
      }
    }
  } else {
    for (int y = rect.top; y < rect.Bottom() && !hasKept; ++y) {
      for (int x = rect.left; x < rect.Right(); ++x) {
        if (!mustDraw(x, y)) {
          hasKept = true;
          break;
        }
      }
    }
  }
  // A frame that keeps nothing as shown needs no transparent index and can
  // use all 256 entries.
  const bool exact = shared || (!drawn.Overflowed() && (drawn.size() <= kMaxSharedColors || !hasKept));

  std::vector<uint8_t> withHoles = MakeIndexes(rect);
  std::vector<uint32_t> table;
  size_t entries = 0;
  int transparent = -1;
  const ColorSet& lookup = shared ? sharedSet_ : drawn;
  if (exact) {
    table = shared ? shared_ : drawn.colors();
    transparent = hasKept ? static_cast<int>(table.size()) : -1;
    // The shared table always keeps its free index.
    entries = shared ? table.size() + 1 : table.size() + (hasKept ? 1 : 0);
    size_t i = 0;
    for (int y = rect.top; y < rect.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      for (int x = rect.left; x < rect.Right(); ++x, ++i) {
        withHoles[i] = mustDraw(x, y) ? lookup.IndexOf(p[x]) : static_cast<uint8_t>(transparent);
      }
    }
  } else {
    cut_.Reset();
    for (int y = rect.top; y < rect.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      for (int x = rect.left; x < rect.Right(); ++x) {
        if (mustDraw(x, y)) cut_.Add(p[x]);
      }
    }
    // The first frame keeps nothing as shown: all 256 entries are colours.
    table = cut_.Build(first ? 256 : static_cast<int>(kMaxSharedColors));
    transparent = first ? -1 : static_cast<int>(table.size());
    entries = table.size() + (first ? 0 : 1);
    NearestColor nearest(table);
    size_t i = 0;
    for (int y = rect.top; y < rect.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      const uint32_t* s = shown_.Row(y);
      for (int x = rect.left; x < rect.Right(); ++x, ++i) {
        uint8_t index = static_cast<uint8_t>(transparent);
        if (mustDraw(x, y)) {
          uint8_t near = nearest.Find(p[x]);
          // What the viewer shows already is as near as the table gets.
          if (first || table[near] != s[x]) index = near;
        }
        withHoles[i] = index;
      }
    }
  }

  Pending next;
  next.valid = true;
  next.delayCs = delayCs;
  next.transparentIndex = transparent;
  next.image = ImageBlock(rect, withHoles, shared ? nullptr : &table, entries);

  // Without holes: every pixel of the rectangle stored as it is. Runs of
  // one colour across kept pixels can make that smaller; it needs every
  // colour of the rectangle in one exact table.
  std::vector<uint32_t> solidTable;
  // Not worth a try when nearly the whole rectangle is kept: its
  // transparent runs win anyway.
  const size_t area = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height);
  if (exact && hasKept && !first && 10 * drawnPixels >= area) {
    ColorSet all(256);
    const ColorSet* solidLookup = &sharedSet_;
    bool fits = true;
    if (!shared) {
      for (int y = rect.top; y < rect.Bottom() && fits; ++y) {
        const uint32_t* p = picture.Row(y);
        for (int x = rect.left; x < rect.Right(); ++x) {
          if (!all.Add(p[x])) {
            fits = false;
            break;
          }
        }
      }
      solidLookup = &all;
    }
    if (fits) {
      std::vector<uint8_t> solid = MakeIndexes(rect);
      size_t i = 0;
      for (int y = rect.top; y < rect.Bottom(); ++y) {
        const uint32_t* p = picture.Row(y);
        for (int x = rect.left; x < rect.Right(); ++x, ++i) solid[i] = solidLookup->IndexOf(p[x]);
      }
      solidTable = shared ? shared_ : all.colors();
      size_t solidEntries = shared ? shared_.size() + 1 : solidTable.size();
      std::string image = ImageBlock(rect, solid, shared ? nullptr : &solidTable, solidEntries);
      if (image.size() < next.image.size()) {
        next.image.swap(image);
        next.transparentIndex = -1;
        table.swap(solidTable);
        withHoles.swap(solid);
        transparent = -1;
      }
    }
  }

  // What the viewer shows from now on.
  size_t i = 0;
  for (int y = rect.top; y < rect.Bottom(); ++y) {
    uint32_t* s = shown_.Row(y);
    for (int x = rect.left; x < rect.Right(); ++x, ++i) {
      if (withHoles[i] != transparent) s[x] = table[withHoles[i]];
    }
  }
  keepPicture(changed);

  Flush();
  pending_ = std::move(next);
}

bool CompactGifWriter::Finish() {
  if (!pending_.valid && frames_ == 0) return false;
  std::string tail;
  if (frames_ == 0) {
    // A still picture: no control block is needed.
    WriteHead(false);
    WriteOrFail(*sink_, pending_.image.data(), pending_.image.size());
    frames_ = 1;
    pending_ = Pending();
  } else {
    Flush();
  }
  std::string comment = CommentBytes(animation_.comment);
  if (!comment.empty()) {
    Put(tail, 0x21);
    Put(tail, 0xFE);
    Put(tail, static_cast<unsigned>(comment.size()));
    tail += comment;
    Put(tail, 0x00);
  }
  Put(tail, 0x3B);
  WriteOrFail(*sink_, tail.data(), tail.size());
  return true;
}

}  // namespace movrel
