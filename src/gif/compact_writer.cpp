#include "gif/compact_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <cstdint>

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

template <typename T>
void Reserve(std::vector<T>* v, size_t n) {
  try {
    v->assign(n, T());
  } catch (const std::bad_alloc&) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
}

PixelRect Clip(const PixelRect& r, const PixelRect& screen) {
  PixelRect c;
  c.left = std::max(r.left, screen.left);
  c.top = std::max(r.top, screen.top);
  c.width = std::min(r.Right(), screen.Right()) - c.left;
  c.height = std::min(r.Bottom(), screen.Bottom()) - c.top;
  return c.Empty() ? PixelRect() : c;
}

// The 8 x 8 ordered-dither thresholds, 0..63.
constexpr uint8_t kBayer[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

// The colour nudged by the pattern at (x, y) of the logical screen: the
// same pixel gets the same nudge in every frame.
uint32_t Dithered(uint32_t rgb, int x, int y) {
  const int offset = (kBayer[y & 7][x & 7] * 2 - 63) * 12 / 64;
  auto channel = [&](unsigned v) { return static_cast<unsigned>(std::clamp(static_cast<int>(v) + offset, 0, 255)); };
  return PackRgb(channel(RedOf(rgb)), channel(GreenOf(rgb)), channel(BlueOf(rgb)));
}

constexpr uint32_t kLongestFrameCs = 65535;

// Added to the squared distance a quantised pixel may be off.
constexpr uint32_t kQuantisedSlack = 16;

}  // namespace

// A frame's colours: entry i of `colors` is index i; `transparent` is the
// index left for the pixels the viewer already shows, or -1.
struct CompactGifWriter::Table {
  std::vector<uint32_t> colors;
  int transparent = -1;
  bool local = true;
};

void CompactGifWriter::Begin(const AnimationSettings& animation, const std::vector<uint32_t>& sharedColors,
                             const CompactOptions& options, ByteSink& sink) {
  animation_ = animation;
  options_ = options;
  options_.maxColors = std::clamp(options_.maxColors, 2, 256);
  options_.lossyLevel = std::clamp(options_.lossyLevel, 0, 100);
  // Level 100 lets a pixel be off by 50 in the three channels together.
  const uint32_t bound = static_cast<uint32_t>(options_.lossyLevel) / 2;
  lossBound_ = bound * bound;
  sink_ = &sink;
  shared_.clear();
  sharedSet_.Clear();
  if (!sharedColors.empty() && sharedColors.size() + 1 <= static_cast<size_t>(options_.maxColors) &&
      sharedColors.size() <= kMaxSharedColors) {
    // Index 0 is the transparent one; the most used colours get the lowest
    // indexes, so a frame that shows only those codes them with fewer bits.
    shared_.push_back(0);
    for (uint32_t c : sharedColors) {
      if (sharedSet_.Add(c & 0xFFFFFF) && sharedSet_.size() + 1 > shared_.size()) shared_.push_back(c & 0xFFFFFF);
    }
  }
  headWritten_ = false;
  seenFrame_ = false;
  frames_ = 0;
  pending_ = Pending();
  shown_.Allocate(animation.widthPx, animation.heightPx);
  previous_.Allocate(animation.widthPx, animation.heightPx);
}

void CompactGifWriter::WriteHead(bool animated) {
  std::string head = "GIF89a";
  AppendLe16(&head, animation_.widthPx);
  AppendLe16(&head, animation_.heightPx);
  if (!shared_.empty()) {
    int bits = TableBits(shared_.size());
    Put(head, 0x80 | 0x70 | (bits - 1));
  } else {
    Put(head, 0x70);  // no global table; colour resolution 8 bits
  }
  Put(head, 0);  // background index
  Put(head, 0);  // no aspect ratio
  if (!shared_.empty()) PutTable(head, shared_, shared_.size());
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

void CompactGifWriter::WriteControl(uint16_t delayCs, int transparentIndex) {
  std::string control;
  Put(control, 0x21);
  Put(control, 0xF9);
  Put(control, 0x04);
  Put(control, kLeaveInPlace << 2 | (transparentIndex >= 0 ? 1 : 0));
  AppendLe16(&control, delayCs);
  Put(control, transparentIndex >= 0 ? static_cast<unsigned>(transparentIndex) : 0);
  Put(control, 0x00);
  WriteOrFail(*sink_, control.data(), control.size());
}

void CompactGifWriter::Flush() {
  if (!pending_.valid) return;
  if (!headWritten_) WriteHead(true);
  uint32_t delay = pending_.delayCs;
  uint32_t part = std::min(delay, kLongestFrameCs);
  WriteControl(static_cast<uint16_t>(part), pending_.transparentIndex);
  WriteOrFail(*sink_, pending_.image.data(), pending_.image.size());
  ++frames_;
  // A delay longer than one frame holds goes on in frames that redraw the
  // top-left pixel as it is.
  for (delay -= part; delay > 0; delay -= part) {
    part = std::min(delay, kLongestFrameCs);
    WriteControl(static_cast<uint16_t>(part), -1);
    Table one;
    one.colors = {pending_.cornerColor, pending_.cornerColor == 0 ? 0xFFFFFFu : 0u};
    MemorySink data;
    const uint8_t index = 0;
    WriteIndexedImageData(&index, 1, 1, 2, false, data);
    std::string block = ImageBlock(PixelRect{0, 0, 1, 1}, one, 2, data.bytes());
    WriteOrFail(*sink_, block.data(), block.size());
    ++frames_;
  }
  pending_ = Pending();
}

void CompactGifWriter::Lengthen(uint32_t delayCs) {
  if (!pending_.valid) return;
  pending_.delayCs = pending_.delayCs > UINT32_MAX - delayCs ? UINT32_MAX : pending_.delayCs + delayCs;
}

std::string CompactGifWriter::ImageBlock(const PixelRect& rect, const Table& table, int minCodeSize,
                                         const std::string& data) {
  std::string block;
  Put(block, 0x2C);
  AppendLe16(&block, static_cast<unsigned>(rect.left));
  AppendLe16(&block, static_cast<unsigned>(rect.top));
  AppendLe16(&block, static_cast<unsigned>(rect.width));
  AppendLe16(&block, static_cast<unsigned>(rect.height));
  unsigned packed = animation_.interlace ? 0x40 : 0x00;
  const int bits = TableBits(table.colors.size());
  if (table.local) packed |= 0x80 | static_cast<unsigned>(bits - 1);
  Put(block, packed);
  if (table.local) PutTable(block, table.colors, table.colors.size());
  (void)minCodeSize;
  block += data;
  return block;
}

std::string CompactGifWriter::EncodeRect(const RgbCanvas& picture, const PixelRect& rect,
                                         const std::vector<uint8_t>& draw, const PixelRect& changed, bool first,
                                         int* transparentIndex) {
  const size_t area = static_cast<size_t>(rect.width) * static_cast<size_t>(rect.height);
  auto mustDraw = [&](int x, int y) {
    return draw[static_cast<size_t>(y - changed.top) * static_cast<size_t>(changed.width) + (x - changed.left)] != 0;
  };
  const int maxColors = options_.maxColors;

  // The colours to draw, and whether any pixel of the rectangle may be
  // left as the viewer shows it.
  ColorSet drawn(256);
  bool hasFree = false;
  for (int y = rect.top; y < rect.Bottom(); ++y) {
    const uint32_t* p = picture.Row(y);
    uint32_t last = 0xFFFFFFFFu;  // no colour: runs of one colour are added once
    for (int x = rect.left; x < rect.Right(); ++x) {
      if (!mustDraw(x, y)) {
        hasFree = true;
      } else if (p[x] != last && !drawn.Overflowed()) {
        drawn.Add(p[x]);
        last = p[x];
      }
    }
  }

  // The table: the shared one while it holds every colour drawn; the drawn
  // colours exactly, with the transparent index first where pixels may stay;
  // every colour of the rectangle exactly without transparency when that
  // fits and the transparent index would not; or a median cut.
  Table table;
  ColorSet exactSet(256);
  const ColorSet* lookup = nullptr;
  int offset = 0;  // the table index of lookup's colour 0
  bool quantised = false;
  bool sharedFits = !shared_.empty() && !drawn.Overflowed();
  for (size_t i = 0; sharedFits && i < drawn.size(); ++i) sharedFits = sharedSet_.Contains(drawn.colors()[i]);
  if (sharedFits) {
    table.colors = shared_;
    table.local = false;
    table.transparent = hasFree ? 0 : -1;
    lookup = &sharedSet_;
    offset = 1;
  } else if (!drawn.Overflowed() && drawn.size() + (hasFree ? 1 : 0) <= static_cast<size_t>(maxColors)) {
    if (hasFree) {
      table.colors.push_back(0);
      table.transparent = 0;
      offset = 1;
    }
    for (uint32_t c : drawn.ByUse()) {
      exactSet.Add(c);
      table.colors.push_back(c);
    }
    lookup = &exactSet;
  } else {
    bool opaque = hasFree && !drawn.Overflowed() && drawn.size() <= static_cast<size_t>(maxColors);
    ColorSet all(static_cast<size_t>(maxColors));
    for (int y = rect.top; y < rect.Bottom() && opaque; ++y) {
      const uint32_t* p = picture.Row(y);
      for (int x = rect.left; x < rect.Right(); ++x) {
        if (!all.Add(p[x])) {
          opaque = false;
          break;
        }
      }
    }
    if (opaque) {
      for (uint32_t c : all.ByUse()) {
        exactSet.Add(c);
        table.colors.push_back(c);
      }
      lookup = &exactSet;
      hasFree = false;  // every pixel is drawn as it is
    } else {
      quantised = true;
      cut_.Reset();
      for (int y = rect.top; y < rect.Bottom(); ++y) {
        const uint32_t* p = picture.Row(y);
        for (int x = rect.left; x < rect.Right(); ++x) {
          if (mustDraw(x, y)) cut_.Add(p[x]);
        }
      }
      // After the first frame a quantised pixel may be left as shown where
      // that is as near as the table gets, so the transparent index is kept.
      if (!first) hasFree = true;
      std::vector<uint32_t> cut = cut_.Build(maxColors - (hasFree ? 1 : 0));
      if (hasFree) {
        table.colors.push_back(0);
        table.transparent = 0;
        offset = 1;
      }
      table.colors.insert(table.colors.end(), cut.begin(), cut.end());
    }
  }

  // What each pixel may be written as.
  const bool tolerant = quantised || lossBound_ > 0;
  // Kept from frame to frame, so that their memory is not had afresh each time.
  std::vector<uint8_t>& primary = work_.primary;
  std::vector<uint8_t>& flags = work_.flags;
  std::vector<uint8_t>& second = work_.second;
  std::vector<uint32_t>& wanted = work_.wanted;
  std::vector<uint32_t>& tolerance = work_.tolerance;
  Reserve(&primary, area);
  Reserve(&flags, area);
  Reserve(&second, area);
  if (tolerant) {
    Reserve(&wanted, area);
    Reserve(&tolerance, area);
  }
  std::unique_ptr<NearestColor> nearest;
  if (quantised) {
    std::vector<uint32_t> colours(table.colors.begin() + offset, table.colors.end());
    nearest = std::make_unique<NearestColor>(colours);
    // Entries that are exactly a colour shown, to redraw a pixel unchanged.
    for (uint32_t c : colours) exactSet.Add(c);
    lookup = &exactSet;
  }
  uint32_t lastAsked = 0xFFFFFFFFu;  // no colour
  uint8_t lastNearest = 0;
  size_t i = 0;
  for (int y = rect.top; y < rect.Bottom(); ++y) {
    const uint32_t* p = picture.Row(y);
    for (int x = rect.left; x < rect.Right(); ++x, ++i) {
      const uint32_t c = p[x];
      if (tolerant) {
        wanted[i] = c;
        tolerance[i] = lossBound_;
      }
      if (hasFree && !mustDraw(x, y)) {
        primary[i] = static_cast<uint8_t>(table.transparent);
        flags[i] = kMayBeTransparent;
        if (lookup) {
          // Drawn as shown, or as the picture is (which an earlier
          // quantised frame may have shown otherwise).
          int index = lookup->IndexOf(shown_.Row(y)[x]);
          if (index < 0 && !quantised) index = lookup->IndexOf(c);
          if (index >= 0) {
            second[i] = static_cast<uint8_t>(index + offset);
            flags[i] |= kHasSecond;
          }
        }
        continue;
      }
      if (!quantised) {
        // Every colour drawn is in the table by its choice above.
        int index = lookup->IndexOf(c);
        if (index < 0) throw CodecFailure("颜色表中缺少画面的颜色");
        primary[i] = static_cast<uint8_t>(index + offset);
      } else {
        const uint32_t asked = options_.dither ? Dithered(c, x, y) : c;
        if (asked != lastAsked) {
          lastAsked = asked;
          lastNearest = nearest->Find(asked);
        }
        const uint8_t q = lastNearest;
        primary[i] = static_cast<uint8_t>(q + offset);
        const uint32_t quantised = ColorDistance(table.colors[q + offset], c);
        // A quantised pixel is off anyway: without dithering any entry
        // nearly as near as the nearest will do (within twice its squared
        // distance, and 16 more), which lets far longer strings through for
        // a little of the picture's quality.
        if (!options_.dither && quantised > 0) tolerance[i] += 2 * quantised + kQuantisedSlack;
        // What the viewer shows may be as near as the table gets: then it
        // stays, or at least may stay.
        if (hasFree) {
          const uint32_t shown = ColorDistance(shown_.Row(y)[x], c);
          if (shown <= quantised) {
            second[i] = primary[i];
            primary[i] = static_cast<uint8_t>(table.transparent);
            flags[i] = kMayBeTransparent | kHasSecond;
          } else if (shown <= tolerance[i]) {
            flags[i] = kMayBeTransparent;
          }
        }
      }
    }
  }

  // A local table in the order of use, cut after the last index used, so
  // that both the table and the codes are as small as they can be.
  if (table.local) {
    std::vector<uint64_t> uses(table.colors.size(), 0);
    for (size_t k = 0; k < area; ++k) ++uses[primary[k]];
    std::vector<int> order;
    for (size_t k = static_cast<size_t>(offset); k < table.colors.size(); ++k) order.push_back(static_cast<int>(k));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return uses[a] > uses[b]; });
    std::vector<uint8_t> remap(256, 0);
    std::vector<uint32_t> colors(table.colors.begin(), table.colors.begin() + offset);
    for (int k : order) {
      if (uses[k] == 0) break;
      remap[k] = static_cast<uint8_t>(colors.size());
      colors.push_back(table.colors[k]);
    }
    const size_t used = colors.size();
    for (int k : order) {
      if (uses[k] != 0) continue;
      remap[k] = static_cast<uint8_t>(colors.size());
      colors.push_back(table.colors[k]);
    }
    for (int k = 0; k < offset; ++k) remap[k] = static_cast<uint8_t>(k);
    for (size_t k = 0; k < area; ++k) {
      primary[k] = remap[primary[k]];
      if (flags[k] & kHasSecond) second[k] = remap[second[k]];
    }
    colors.resize(std::max<size_t>(used, 1));
    table.colors.swap(colors);
  }
  uint8_t highest = 0;
  for (size_t k = 0; k < area; ++k) highest = std::max(highest, primary[k]);
  const int minCodeSize = std::max(2, TableBits(static_cast<size_t>(highest) + 1));

  PixelChoices choices;
  choices.width = rect.width;
  choices.height = rect.height;
  choices.primary = primary.data();
  choices.flags = flags.data();
  choices.second = second.data();
  choices.transparent = table.transparent;
  if (tolerant) {
    choices.wanted = wanted.data();
    choices.tolerance = tolerance.data();
  }
  choices.table = table.colors.data();
  choices.tableSize = static_cast<int>(table.colors.size());
  std::vector<uint8_t>& written = work_.written;
  Reserve(&written, area);
  MemorySink data;
  WriteChosenImageData(choices, minCodeSize, animation_.interlace, data, written.data());

  // What the viewer shows from now on.
  i = 0;
  for (int y = rect.top; y < rect.Bottom(); ++y) {
    uint32_t* s = shown_.Row(y);
    for (int x = rect.left; x < rect.Right(); ++x, ++i) {
      if (written[i] != table.transparent) s[x] = table.colors[written[i]];
    }
  }
  *transparentIndex = table.transparent;
  return ImageBlock(rect, table, minCodeSize, data.bytes());
}

void CompactGifWriter::AddFrame(const RgbCanvas& picture, uint32_t delayCs, const PixelRect& area) {
  const PixelRect screen{0, 0, previous_.width(), previous_.height()};
  const bool first = !seenFrame_;
  PixelRect changed = first ? screen : Difference(picture, previous_, Clip(area, screen));
  if (changed.Empty()) {
    Lengthen(delayCs);
    return;
  }
  seenFrame_ = true;

  // A pixel must be drawn when it changed and the viewer does not already
  // show its colour (an earlier frame may have left it exactly so, or, at a
  // lossy level, near enough). Unchanged pixels keep what is shown, so an
  // error never grows from frame to frame.
  std::vector<uint8_t>& draw = work_.draw;
  Reserve(&draw, static_cast<size_t>(changed.width) * static_cast<size_t>(changed.height));
  PixelRect rect;
  {
    int left = changed.Right(), right = -1, top = -1, bottom = -1;
    uint8_t* d = draw.data();
    for (int y = changed.top; y < changed.Bottom(); ++y) {
      const uint32_t* p = picture.Row(y);
      const uint32_t* before = previous_.Row(y);
      const uint32_t* s = shown_.Row(y);
      for (int x = changed.left; x < changed.Right(); ++x, ++d) {
        if (!first && (p[x] == before[x] || p[x] == s[x] ||
                       (lossBound_ > 0 && ColorDistance(p[x], s[x]) <= lossBound_))) {
          continue;
        }
        *d = 1;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
    if (top >= 0) rect = PixelRect{left, top, right - left + 1, bottom - top + 1};
  }
  auto keepPicture = [&](const PixelRect& part) {
    for (int y = part.top; y < part.Bottom(); ++y) {
      std::memcpy(previous_.Row(y) + part.left, picture.Row(y) + part.left, sizeof(uint32_t) * part.width);
    }
  };
  if (rect.Empty()) {
    keepPicture(changed);
    Lengthen(delayCs);
    return;
  }

  Pending next;
  next.valid = true;
  next.delayCs = delayCs;
  next.image = EncodeRect(picture, rect, draw, changed, first, &next.transparentIndex);
  next.cornerColor = shown_.Row(0)[0];
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
