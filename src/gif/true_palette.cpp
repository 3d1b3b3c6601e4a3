#include "gif/true_palette.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace movrel {

namespace {

// One bucket that occurs, with its mean colour.
struct Occurring {
  double mean[3];  // red, green, blue
  uint32_t count;
};

struct Box {
  std::vector<Occurring> colors;
  uint64_t count = 0;
  int axis = 0;           // the channel of the widest spread
  double spread = 0;      // count-weighted variance along that channel
};

void Measure(Box* box) {
  double sum[3] = {}, squares[3] = {};
  uint64_t n = 0;
  for (const Occurring& c : box->colors) {
    for (int k = 0; k < 3; ++k) {
      sum[k] += c.mean[k] * c.count;
      squares[k] += c.mean[k] * c.mean[k] * c.count;
    }
    n += c.count;
  }
  box->count = n;
  box->spread = 0;
  box->axis = 1;
  if (n == 0 || box->colors.size() < 2) return;
  for (int k = 0; k < 3; ++k) {
    double variance = squares[k] - sum[k] * sum[k] / static_cast<double>(n);
    if (variance > box->spread) {
      box->spread = variance;
      box->axis = k;
    }
  }
}

uint32_t MeanColor(const double sum[3], double n) {
  auto channel = [&](int k) {
    long v = std::lround(sum[k] / n);
    return static_cast<unsigned>(std::clamp(v, 0L, 255L));
  };
  return channel(0) << 16 | channel(1) << 8 | channel(2);
}

}  // namespace

ColorSet::ColorSet(size_t limit) : limit_(limit) {
  size_t slots = 1024;
  while (slots < 4 * (limit + 1)) slots *= 2;
  mask_ = slots - 1;
  slots_.assign(slots, kEmpty);
  indexes_.assign(slots, 0);
  colors_.reserve(limit);
  counts_.reserve(limit);
}

bool ColorSet::Insert(size_t slot, uint32_t rgb) {
  if (overflowed_) return false;
  if (colors_.size() == limit_) {
    overflowed_ = true;
    return false;
  }
  slots_[slot] = rgb;
  indexes_[slot] = static_cast<uint16_t>(colors_.size());
  colors_.push_back(rgb);
  counts_.push_back(1);
  return true;
}

std::vector<uint32_t> ColorSet::ByUse() const {
  std::vector<size_t> order(colors_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return counts_[a] > counts_[b]; });
  std::vector<uint32_t> sorted;
  sorted.reserve(order.size());
  for (size_t i : order) sorted.push_back(colors_[i]);
  return sorted;
}

void ColorSet::Clear() {
  // Only the slots in use need emptying; all are found before any is
  // emptied, as an emptied slot would end another colour's probe early.
  if (colors_.size() * 8 < slots_.size()) {
    std::vector<size_t> used;
    used.reserve(colors_.size());
    for (uint32_t c : colors_) used.push_back(Find(c));
    for (size_t slot : used) slots_[slot] = kEmpty;
  } else {
    std::fill(slots_.begin(), slots_.end(), kEmpty);
  }
  colors_.clear();
  counts_.clear();
  overflowed_ = false;
}

MedianCutPalette::MedianCutPalette() : buckets_(1 << 16) {}

void MedianCutPalette::Reset() {
  if (!empty_) std::fill(buckets_.begin(), buckets_.end(), Bucket());
  empty_ = true;
}

std::vector<uint32_t> MedianCutPalette::Build(int maxColors) {
  maxColors = std::clamp(maxColors, 1, 256);
  std::vector<Box> boxes(1);
  // The buckets are emptied as they are read, so the next Reset has
  // nothing to do.
  for (Bucket& b : buckets_) {
    if (b.count == 0) continue;
    double n = b.count;
    boxes[0].colors.push_back({{b.red / n, b.green / n, b.blue / n}, b.count});
    b = Bucket();
  }
  empty_ = true;
  if (boxes[0].colors.empty()) return std::vector<uint32_t>(1, 0);
  Measure(&boxes[0]);

  // Always split the box whose colours spread most, at the median pixel
  // along its widest channel.
  while (static_cast<int>(boxes.size()) < maxColors) {
    size_t widest = 0;
    for (size_t i = 1; i < boxes.size(); ++i) {
      if (boxes[i].spread > boxes[widest].spread) widest = i;
    }
    Box& box = boxes[widest];
    if (box.spread <= 0) break;
    const int axis = box.axis;
    // The pixels' median along the axis, from a histogram of the channel
    // rather than a sort: the colours below its level go to one box.
    uint64_t levels[256] = {};
    for (const Occurring& c : box.colors) levels[static_cast<int>(c.mean[axis])] += c.count;
    const uint64_t half = box.count / 2;
    uint64_t seen = 0;
    int level = 0;
    while (level < 255 && seen + levels[level] <= half) seen += levels[level++];
    auto below = [axis, &level](const Occurring& c) { return static_cast<int>(c.mean[axis]) < level; };
    size_t cut = static_cast<size_t>(std::partition(box.colors.begin(), box.colors.end(), below) - box.colors.begin());
    if (cut == 0 || cut == box.colors.size()) {
      // Everything on one level: split it by order along the axis.
      std::sort(box.colors.begin(), box.colors.end(),
                [axis](const Occurring& a, const Occurring& b) { return a.mean[axis] < b.mean[axis]; });
      cut = box.colors.size() / 2;
    }
    Box upper;
    upper.colors.assign(box.colors.begin() + static_cast<ptrdiff_t>(cut), box.colors.end());
    box.colors.resize(cut);
    Measure(&box);
    Measure(&upper);
    boxes.push_back(std::move(upper));
  }

  std::vector<uint32_t> table;
  table.reserve(boxes.size());
  for (const Box& box : boxes) {
    double sum[3] = {};
    for (const Occurring& c : box.colors) {
      for (int k = 0; k < 3; ++k) sum[k] += c.mean[k] * c.count;
    }
    table.push_back(MeanColor(sum, static_cast<double>(box.count)));
  }

  // One refinement: every entry moves to the mean of the colours that are
  // nearest to it, which the box means only approximate.
  NearestColor nearest(table);
  std::vector<double> sums(table.size() * 3, 0.0);
  std::vector<double> counts(table.size(), 0.0);
  for (const Box& box : boxes) {
    for (const Occurring& c : box.colors) {
      uint32_t rgb = MeanColor(c.mean, 1.0);
      uint8_t i = nearest.Find(rgb);
      for (int k = 0; k < 3; ++k) sums[3 * i + k] += c.mean[k] * c.count;
      counts[i] += c.count;
    }
  }
  for (size_t i = 0; i < table.size(); ++i) {
    if (counts[i] > 0) table[i] = MeanColor(&sums[3 * i], counts[i]);
  }
  // Two entries may have met; a table needs no colour twice.
  std::sort(table.begin(), table.end());
  table.erase(std::unique(table.begin(), table.end()), table.end());
  return table;
}

NearestColor::NearestColor(const std::vector<uint32_t>& table) : cellStart_(kCells, -1), cellCount_(kCells, 0) {
  entries_.reserve(table.size());
  for (uint32_t c : table) {
    entries_.push_back({static_cast<int>(c >> 16 & 0xFF), static_cast<int>(c >> 8 & 0xFF), static_cast<int>(c & 0xFF)});
  }
  if (entries_.empty()) entries_.push_back({0, 0, 0});
  for (size_t i = 0; i < entries_.size(); ++i) {
    byGreen_.push_back({entries_[i].red, entries_[i].green, entries_[i].blue, static_cast<uint8_t>(i)});
  }
  std::stable_sort(byGreen_.begin(), byGreen_.end(), [](const Sorted& a, const Sorted& b) { return a.green < b.green; });
  least_.resize(entries_.size());
}

uint8_t NearestColor::SearchByGreen(uint32_t rgb) const {
  const int red = static_cast<int>(rgb >> 16 & 0xFF);
  const int green = static_cast<int>(rgb >> 8 & 0xFF);
  const int blue = static_cast<int>(rgb & 0xFF);
  // Walk outwards from the entries of the same green; once the green
  // difference alone is beyond the best distance, nothing further can win.
  const size_t n = byGreen_.size();
  size_t up = static_cast<size_t>(
      std::lower_bound(byGreen_.begin(), byGreen_.end(), green, [](const Sorted& e, int g) { return e.green < g; }) -
      byGreen_.begin());
  size_t down = up;  // entries below `down` are still to be looked at
  int best = 1 << 30;
  uint8_t bestIndex = 0;
  auto consider = [&](const Sorted& e) {
    int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
    int d = dr * dr + dg * dg + db * db;
    if (d < best || (d == best && e.index < bestIndex)) {
      best = d;
      bestIndex = e.index;
    }
  };
  while (up < n || down > 0) {
    bool moved = false;
    if (up < n) {
      int dg = byGreen_[up].green - green;
      if (dg * dg <= best) {
        consider(byGreen_[up++]);
        moved = true;
      } else {
        up = n;
      }
    }
    if (down > 0) {
      int dg = green - byGreen_[down - 1].green;
      if (dg * dg <= best) {
        consider(byGreen_[--down]);
        moved = true;
      } else {
        down = 0;
      }
    }
    if (!moved) break;
  }
  return bestIndex;
}

void NearestColor::ListCell(size_t cell) {
  const int low[3] = {static_cast<int>(cell >> 10 & 0x1F) << 3, static_cast<int>(cell >> 5 & 0x1F) << 3,
                      static_cast<int>(cell & 0x1F) << 3};
  // For each entry the least and the greatest squared distance to any
  // colour of the cell; an entry whose least is beyond the smallest
  // greatest can never be nearest there.
  std::vector<int>& nearest = least_;
  int bound = 1 << 30;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const int v[3] = {entries_[i].red, entries_[i].green, entries_[i].blue};
    int least = 0, most = 0;
    for (int k = 0; k < 3; ++k) {
      const int lo = low[k], hi = low[k] + 7;
      const int in = v[k] < lo ? lo - v[k] : v[k] > hi ? v[k] - hi : 0;
      const int out = std::max(std::abs(v[k] - lo), std::abs(v[k] - hi));
      least += in * in;
      most += out * out;
    }
    nearest[i] = least;
    bound = std::min(bound, most);
  }
  cellStart_[cell] = static_cast<int32_t>(candidates_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (nearest[i] <= bound) candidates_.push_back(static_cast<uint8_t>(i));
  }
  cellCount_[cell] = static_cast<uint16_t>(candidates_.size() - static_cast<size_t>(cellStart_[cell]));
}

}  // namespace movrel
