#include "gif/lzw_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "gif/interlace.h"

namespace movrel {

namespace {

constexpr int kMaxCodeWidth = 12;
constexpr unsigned kCodeLimit = 1u << kMaxCodeWidth;  // codes stay below 4096

// A prime a little above the 4096 codes keeps the open-addressing probe
// sequences short.
constexpr int kSlots = 5051;
constexpr uint16_t kEmptySlot = 0xFFFF;

constexpr size_t kOutputBufferBytes = 32768;
constexpr size_t kSubBlockBytes = 255;

// Gathers data bytes into sub-blocks of at most 255 bytes and the closed
// sub-blocks into one output buffer per frame, so the sink sees few writes.
class SubBlockWriter {
 public:
  explicit SubBlockWriter(ByteSink& sink) : sink_(sink), buffer_(kOutputBufferBytes) {}

  void Byte(uint8_t b) {
    block_[blockFill_++] = b;
    if (blockFill_ == kSubBlockBytes) CloseBlock();
  }

  // Closes the partial sub-block (an empty one is not written) and hands the
  // rest of the buffer to the sink.
  void Finish() {
    CloseBlock();
    Flush();
  }

 private:
  void CloseBlock() {
    if (!blockFill_) return;
    if (fill_ + 256 >= kOutputBufferBytes) Flush();
    buffer_[fill_++] = static_cast<uint8_t>(blockFill_);
    std::memcpy(&buffer_[fill_], block_, blockFill_);
    fill_ += blockFill_;
    blockFill_ = 0;
  }

  void Flush() {
    WriteOrFail(sink_, buffer_.data(), fill_);
    fill_ = 0;
  }

  ByteSink& sink_;
  std::vector<uint8_t> buffer_;
  size_t fill_ = 0;
  uint8_t block_[kSubBlockBytes];
  size_t blockFill_ = 0;
};

// Codes go in least significant bit first.
class CodePacker {
 public:
  explicit CodePacker(SubBlockWriter& out) : out_(out) {}

  void Put(unsigned code, int width) {
    bits_ |= static_cast<uint32_t>(code) << pending_;
    pending_ += width;
    while (pending_ >= 8) {
      out_.Byte(static_cast<uint8_t>(bits_));
      bits_ >>= 8;
      pending_ -= 8;
    }
  }

  // Pads the last few bits with zeros into one byte.
  void Flush() {
    if (pending_ > 0) out_.Byte(static_cast<uint8_t>(bits_));
    bits_ = 0;
    pending_ = 0;
  }

 private:
  SubBlockWriter& out_;
  uint32_t bits_ = 0;
  int pending_ = 0;
};

// The string table: slot h holds the code of the string (prefix code, suffix
// pixel). Made once per frame; a slot keeps its three fields side by side so
// that a probe reads one place in memory.
class StringTable {
 public:
  StringTable() : slots_(kSlots) { Clear(); }

  void Clear() {
    for (Slot& slot : slots_) slot.code = kEmptySlot;
  }

  // The slot that holds (prefix, pixel), or the empty slot where it belongs.
  int Find(unsigned prefix, unsigned pixel) const {
    int h = static_cast<int>((pixel << 4) ^ prefix);
    int step = h == 0 ? 1 : kSlots - h;
    const Slot* slots = slots_.data();
    while (slots[h].code != kEmptySlot && (slots[h].prefix != prefix || slots[h].suffix != pixel)) {
      if (h < step) h += kSlots;
      h -= step;
    }
    return h;
  }

  bool Occupied(int slot) const { return slots_[slot].code != kEmptySlot; }
  unsigned Code(int slot) const { return slots_[slot].code; }
  void Store(int slot, unsigned code, unsigned prefix, unsigned pixel) {
    slots_[slot] = Slot{static_cast<uint16_t>(code), static_cast<uint16_t>(prefix), static_cast<uint8_t>(pixel)};
  }

 private:
  struct Slot {
    uint16_t code;
    uint16_t prefix;
    uint8_t suffix;
  };
  std::vector<Slot> slots_;
};

// Compresses `height` rows of `width` pixels, rows taken in `rows` order
// from `pixels` (row y, counted from the top, starts at pixels + y *
// strideBytes; a negative stride walks a bottom-up image). Every pixel is
// below 2^minCodeSize.
void Compress(const uint8_t* pixels, ptrdiff_t strideBytes, int columns, const std::vector<int>& rows,
              int minCodeSize, CodePacker& packer) {
  const unsigned clearCode = 1u << minCodeSize;
  const unsigned endCode = clearCode + 1;
  const unsigned firstFreeCode = clearCode + 2;
  StringTable table;
  int width = minCodeSize + 1;
  unsigned limit = 1u << width;
  unsigned nextCode = firstFreeCode;

  packer.Put(clearCode, width);
  // A picture without pixels (no rows or empty ones) is a clear code and
  // the end code: there is no first pixel to start the string with.
  if (rows.empty() || columns <= 0) {
    packer.Put(endCode, width);
    packer.Flush();
    return;
  }
  unsigned prefix = pixels[rows[0] * strideBytes];
  int x = 1;
  for (int row : rows) {
    const uint8_t* line = pixels + row * strideBytes;
    for (; x < columns; ++x) {
      unsigned pixel = line[x];
      int slot = table.Find(prefix, pixel);
      if (table.Occupied(slot)) {
        prefix = table.Code(slot);
        continue;
      }
      packer.Put(prefix, width);
      unsigned code = nextCode;
      if (code < kCodeLimit) {
        table.Store(slot, code, prefix, pixel);
        nextCode = code + 1;
      }
      // The width grows right after code 2^width has been given out, which
      // is when a decoder, one code behind, needs the wider codes. A full
      // table starts over with a clear code.
      if (code == limit) {
        if (width < kMaxCodeWidth) {
          ++width;
          limit <<= 1;
        } else {
          packer.Put(clearCode, width);
          width = minCodeSize + 1;
          limit = 1u << width;
          nextCode = firstFreeCode;
          table.Clear();
        }
      }
      prefix = pixel;
    }
    x = 0;
  }
  packer.Put(prefix, width);
  // A decoder adds one more string after reading this last code and widens
  // its codes when that string's code reaches the limit; the end code must
  // then come at the wider width or it would be misread.
  if (nextCode == limit && width < kMaxCodeWidth) ++width;
  packer.Put(endCode, width);
  packer.Flush();
}

void WriteCompressed(const uint8_t* pixels, ptrdiff_t strideBytes, int width, int height, int minCodeSize,
                     bool interlace, ByteSink& sink) {
  const uint8_t codeSize = static_cast<uint8_t>(minCodeSize);
  WriteOrFail(sink, &codeSize, 1);
  SubBlockWriter blocks(sink);
  CodePacker packer(blocks);
  Compress(pixels, strideBytes, width, RowOrder(height, interlace), minCodeSize, packer);
  blocks.Finish();
  const uint8_t terminator = 0;
  WriteOrFail(sink, &terminator, 1);
}

// The choice coder's table: the hash of StringTable for exact look-ups,
// and for every code its string's last pixel, its prefix and its children,
// so that a tolerant search can walk all strings one pixel longer.
class ChoiceTable {
 public:
  explicit ChoiceTable(unsigned firstFreeCode) : firstFree_(firstFreeCode) { Clear(); }

  void Clear() {
    table_.Clear();
    std::fill(std::begin(firstChild_), std::end(firstChild_), kNone);
  }
  // The code of (prefix, pixel), or kNone.
  unsigned Find(unsigned prefix, unsigned pixel) const {
    int slot = table_.Find(prefix, pixel);
    return table_.Occupied(slot) ? table_.Code(slot) : kNone;
  }
  void Add(unsigned code, unsigned prefix, unsigned pixel) {
    table_.Store(table_.Find(prefix, pixel), code, prefix, pixel);
    prefix_[code] = static_cast<uint16_t>(prefix);
    suffix_[code] = static_cast<uint8_t>(pixel);
    root_[code] = static_cast<uint8_t>(Root(prefix));
    nextSibling_[code] = firstChild_[prefix];
    firstChild_[prefix] = static_cast<uint16_t>(code);
    firstChild_[code] = kNone;
  }
  unsigned FirstChild(unsigned code) const { return firstChild_[code]; }
  unsigned NextSibling(unsigned code) const { return nextSibling_[code]; }
  unsigned Suffix(unsigned code) const { return code < firstFree_ ? code : suffix_[code]; }
  unsigned Prefix(unsigned code) const { return prefix_[code]; }
  // The first pixel of the string.
  unsigned Root(unsigned code) const { return code < firstFree_ ? code : root_[code]; }
  bool IsRoot(unsigned code) const { return code < firstFree_; }

  static constexpr unsigned kNone = 0xFFFF;

 private:
  unsigned firstFree_;
  StringTable table_;
  uint16_t firstChild_[kCodeLimit];
  uint16_t nextSibling_[kCodeLimit];
  uint16_t prefix_[kCodeLimit];
  uint8_t suffix_[kCodeLimit];
  uint8_t root_[kCodeLimit];
};

// The choices in the order the coder reads them (the interlace passes
// reorder the rows).
struct ChoiceRun {
  std::vector<uint8_t> primary, flags, second;
  std::vector<uint32_t> wanted, tolerance;
  const uint8_t* p = nullptr;
  const uint8_t* f = nullptr;
  const uint8_t* s = nullptr;
  const uint32_t* w = nullptr;
  const uint32_t* t = nullptr;
};

class ChoiceCoder {
 public:
  ChoiceCoder(const PixelChoices& c, const ChoiceRun& run, size_t count, int minCodeSize)
      : c_(c), run_(run), count_(count), clearCode_(1u << minCodeSize), table_(clearCode_ + 2) {
    hasChoices_ = run.t != nullptr;
    for (size_t i = 0; i < count && !hasChoices_; ++i) hasChoices_ = run.f[i] != 0;
  }

  void Compress(CodePacker& packer, uint8_t* written) {
    const unsigned endCode = clearCode_ + 1;
    const unsigned firstFreeCode = clearCode_ + 2;
    const int minCodeSize = Bits(clearCode_);
    int width = minCodeSize + 1;
    unsigned limit = 1u << width;
    unsigned nextCode = firstFreeCode;
    packer.Put(clearCode_, width);
    if (count_ == 0) {
      packer.Put(endCode, width);
      packer.Flush();
      return;
    }
    // A clear code, and the table and the code width as at the start.
    auto startOver = [&] {
      packer.Put(clearCode_, width);
      width = minCodeSize + 1;
      limit = 1u << width;
      nextCode = firstFreeCode;
      table_.Clear();
    };

    size_t pos = 0;
    Match string = Longest(0);
    // The pixels of the last kWindowCodes strings, to tell a table that
    // still serves from one gone stale.
    uint32_t window[kWindowCodes] = {};
    size_t windowAt = 0, windowPixels = 0, stringStart = 0;
    bool full = false;
    size_t fullPixels = 0;  // the window's pixels when the table filled
    for (;;) {
      Spell(string.code, string.end, written);
      pos = string.end;
      packer.Put(string.code, width);
      if (pos >= count_) break;
      Match next = Longest(pos);
      const unsigned root = next.root;
      unsigned code = nextCode;
      {
        const uint32_t pixels = static_cast<uint32_t>(pos - stringStart);
        windowPixels = windowPixels + pixels - window[windowAt];
        window[windowAt] = pixels;
        windowAt = (windowAt + 1) % kWindowCodes;
        stringStart = pos;
      }
      if (full) {
        // A full table of long strings (runs of flat areas and text) is kept
        // while its strings stay long; starting over would rebuild the same
        // strings at a cost. Once they get short it starts over after all.
        if (windowPixels * kStaleShare < fullPixels) {
          startOver();
          full = false;
          next = Match{root, root, pos + 1};
        }
        string = next;
        continue;
      }
      if (code < kCodeLimit) {
        table_.Add(code, string.code, root);
        nextCode = code + 1;
        // The string just added may lengthen the next one when both start
        // with the same pixel (a run of one colour needs it at every code).
        if (table_.Root(string.code) == root) next = LongestFrom(root, pos);
      }
      // As in the plain coder: wider codes right after code 2^width is given
      // out, and a full table starts over with a clear code.
      if (code == limit) {
        if (width < kMaxCodeWidth) {
          ++width;
          limit <<= 1;
        } else if (windowPixels >= kKeptStringPixels * kWindowCodes) {
          full = true;
          fullPixels = windowPixels;
        } else {
          startOver();
          // The strings found before are gone with the table.
          next = Match{root, root, pos + 1};
        }
      }
      string = next;
    }
    if (nextCode == limit && width < kMaxCodeWidth) ++width;
    packer.Put(endCode, width);
    packer.Flush();
  }

 private:
  struct Match {
    unsigned root = 0;
    unsigned code = 0;
    size_t end = 0;  // one past the last pixel the string covers
  };

  static int Bits(unsigned clearCode) {
    int bits = 0;
    while ((1u << bits) < clearCode) ++bits;
    return bits;
  }

  bool Takes(size_t i, unsigned v) const {
    if (v >= clearCode_) return false;
    if (v == run_.p[i]) return true;
    const uint8_t flags = run_.f[i];
    if ((flags & kMayBeTransparent) && static_cast<int>(v) == c_.transparent) return true;
    if ((flags & kHasSecond) && v == run_.s[i]) return true;
    if (run_.t && static_cast<int>(v) != c_.transparent && static_cast<int>(v) < c_.tableSize) {
      return ColorDistance(c_.table[v], run_.w[i]) <= run_.t[i];
    }
    return false;
  }

  // The indexes pixel i may start a string with, the primary first.
  int Starts(size_t i, unsigned out[3]) const {
    int n = 0;
    out[n++] = run_.p[i];
    const uint8_t flags = run_.f[i];
    if ((flags & kMayBeTransparent) && c_.transparent >= 0 && static_cast<unsigned>(c_.transparent) < clearCode_ &&
        static_cast<unsigned>(c_.transparent) != out[0]) {
      out[n++] = static_cast<unsigned>(c_.transparent);
    }
    if ((flags & kHasSecond) && run_.s[i] < clearCode_ && run_.s[i] != out[0]) out[n++] = run_.s[i];
    return n;
  }

  // The longest string in the table that the pixels from `pos` on may be
  // written as, over every index the first pixel may take. Depth first;
  // with choices at many pixels the walk is cut after a fixed number of
  // strings, keeping the longest found.
  Match Longest(size_t pos) {
    unsigned roots[3];
    const int n = c_.choiceStarts ? Starts(pos, roots) : 1;
    if (!c_.choiceStarts) roots[0] = run_.p[pos];
    return Search(roots, n, pos);
  }
  Match LongestFrom(unsigned root, size_t pos) { return Search(&root, 1, pos); }

  Match Search(const unsigned* roots, int n, size_t pos) {
    // The string of the primary indexes alone, walked first: with no
    // choices anywhere that is all there is to find.
    size_t length = 1;
    path_[0] = roots[0];
    for (unsigned child; pos + length < count_ && length < kCodeLimit &&
                         (child = table_.Find(path_[length - 1], run_.p[pos + length])) != ChoiceTable::kNone;) {
      path_[length++] = child;
    }
    Match best{roots[0], path_[length - 1], pos + length};
    if (!hasChoices_) return best;

    // Then the strings that leave that path with another choice somewhere,
    // those leaving it last first, and those of the other first pixels.
    // Another choice wins only by two pixels or more: one taken for a single
    // pixel more breaks the primary's runs (mostly transparent ones) that
    // the strings after it would have grown on.
    const size_t margin = 1;
    size_t top = 0;
    for (int r = n - 1; r >= 1; --r) stack_[top++] = Node{roots[r], pos + 1, r};
    // Only the last pixels of the path are branched from: a branch must
    // outrun the whole path, and one leaving it early seldom does.
    const size_t firstBranch = length > kBranchPixels ? length - kBranchPixels + 1 : 1;
    for (size_t k = firstBranch; k <= length && pos + k < count_; ++k) {
      top = PushChoices(path_[k - 1], pos + k, 0, false, top);
    }
    int budget = kSearchBudget;
    while (top > 0 && budget-- > 0) {
      const Node node = stack_[--top];
      if (node.end > best.end + margin) best = Match{roots[node.root], node.code, node.end};
      if (node.end < count_) top = PushChoices(node.code, node.end, node.root, true, top);
    }
    // A search cut short may stop where the string still goes on with the
    // primary indexes.
    for (unsigned child;
         best.end < count_ && (child = table_.Find(best.code, run_.p[best.end])) != ChoiceTable::kNone;) {
      best.code = child;
      ++best.end;
    }
    return best;
  }

  // Pushes the strings one pixel longer than `code` that pixel i may take,
  // the primary's last so that it is walked first (or not at all).
  size_t PushChoices(unsigned code, size_t i, int root, bool withPrimary, size_t top) {
    if (!run_.t) {
      unsigned choices[3];
      const int m = Starts(i, choices);
      for (int k = m - 1; k >= (withPrimary ? 0 : 1); --k) {
        unsigned child = table_.Find(code, choices[k]);
        if (child != ChoiceTable::kNone) stack_[top++] = Node{child, i + 1, root};
      }
      return top;
    }
    unsigned primaryChild = ChoiceTable::kNone;
    for (unsigned child = table_.FirstChild(code); child != ChoiceTable::kNone; child = table_.NextSibling(child)) {
      const unsigned v = table_.Suffix(child);
      if (v == run_.p[i]) {
        primaryChild = child;
      } else if (Takes(i, v)) {
        stack_[top++] = Node{child, i + 1, root};
      }
    }
    if (withPrimary && primaryChild != ChoiceTable::kNone) stack_[top++] = Node{primaryChild, i + 1, root};
    return top;
  }

  // Writes the pixels `code` stands for, ending just before `end`.
  void Spell(unsigned code, size_t end, uint8_t* written) const {
    size_t i = end;
    while (!table_.IsRoot(code)) {
      written[--i] = static_cast<uint8_t>(table_.Suffix(code));
      code = table_.Prefix(code);
    }
    written[--i] = static_cast<uint8_t>(code);
  }

  struct Node {
    unsigned code;
    size_t end;
    int root;  // which of the first pixels' indexes it starts with
  };
  static constexpr int kSearchBudget = 64;
  static constexpr size_t kBranchPixels = 8;
  static constexpr size_t kWindowCodes = 512;
  // A table whose last strings were this long on average is kept when full,
  // until their length falls to a quarter.
  static constexpr size_t kKeptStringPixels = 64;
  static constexpr size_t kStaleShare = 4;

  const PixelChoices& c_;
  const ChoiceRun& run_;
  size_t count_;
  unsigned clearCode_;
  bool hasChoices_ = false;
  ChoiceTable table_;
  // The strings form a forest, so a walk pushes each code at most once.
  Node stack_[kCodeLimit + 8];
  unsigned path_[kCodeLimit];
};

}  // namespace

std::vector<int> RowOrder(int height, bool interlace) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(height));
  if (!interlace) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  for (const InterlacePass& pass : kInterlacePasses) {
    for (int y = pass.startRow; y < height; y += pass.rowStep) rows.push_back(y);
  }
  return rows;
}

void WriteImageData(const FrameImage& frame, bool interlace, ByteSink& sink) {
  // The frame is stored bottom-up: the top row is the last in memory. A
  // frame without rows has no top row.
  const ptrdiff_t stride = static_cast<ptrdiff_t>(frame.rowBytes());
  const uint8_t* top = frame.height() > 0 ? frame.TopRow(0) : nullptr;
  WriteCompressed(top, -stride, frame.width(), frame.height(), 8, interlace, sink);
}

void WriteIndexedImageData(const uint8_t* pixels, int width, int height, int minCodeSize, bool interlace,
                           ByteSink& sink) {
  WriteCompressed(pixels, width, width, height, minCodeSize, interlace, sink);
}

void WriteChosenImageData(const PixelChoices& choices, int minCodeSize, bool interlace, ByteSink& sink,
                          uint8_t* written) {
  const size_t width = static_cast<size_t>(choices.width);
  const size_t count = width * static_cast<size_t>(choices.height);
  ChoiceRun run;
  std::vector<int> rows;
  const bool reordered = interlace && choices.height > 1 && count > 0;
  if (!reordered) {
    run.p = choices.primary;
    run.f = choices.flags;
    run.s = choices.second;
    run.w = choices.wanted;
    run.t = choices.tolerance;
  } else {
    rows = RowOrder(choices.height, true);
    auto reorder = [&](auto* from, auto& into) {
      into.resize(count);
      size_t k = 0;
      for (int row : rows) {
        std::copy(from + static_cast<size_t>(row) * width, from + static_cast<size_t>(row + 1) * width, &into[k]);
        k += width;
      }
      return into.data();
    };
    run.p = reorder(choices.primary, run.primary);
    run.f = reorder(choices.flags, run.flags);
    run.s = reorder(choices.second, run.second);
    if (choices.tolerance) {
      run.w = reorder(choices.wanted, run.wanted);
      run.t = reorder(choices.tolerance, run.tolerance);
    }
  }

  const uint8_t codeSize = static_cast<uint8_t>(minCodeSize);
  WriteOrFail(sink, &codeSize, 1);
  SubBlockWriter blocks(sink);
  CodePacker packer(blocks);
  std::vector<uint8_t> inOrder;
  uint8_t* out = written;
  if (reordered) {
    inOrder.resize(count);
    out = inOrder.data();
  }
  {
    auto coder = std::make_unique<ChoiceCoder>(choices, run, count, minCodeSize);
    coder->Compress(packer, out);
  }
  blocks.Finish();
  const uint8_t terminator = 0;
  WriteOrFail(sink, &terminator, 1);
  if (reordered) {
    size_t k = 0;
    for (int row : rows) {
      std::copy(&inOrder[k], &inOrder[k] + width, written + static_cast<size_t>(row) * width);
      k += width;
    }
  }
}

}  // namespace movrel
