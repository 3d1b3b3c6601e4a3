#include "gif/gif_reader.h"

#include <utility>

#include "common/byte_order.h"
#include "common/file_io.h"
#include "gif/byte_sink.h"
#include "gif/codec_failure.h"
#include "gif/gif_reader_decode.h"
#include "gif/gif_reader_parse.h"

namespace movrel {
namespace {

const char kNoSource[] = "没有指定载入文件路径和图片数据";
const char kTooShort[] = "不是有效的GIF图片数据";
const char kNotGif[] = "不是GIF图片数据";
const char kBadVersion[] = "GIF图片版本号不正确";
const char kDamaged[] = "GIF图片文件已经损坏";
const char kNotLoaded[] = "还未载入GIF动画";
const char kFrameOutOfRange[] = "帧序号超出范围";
const char kFrameDamaged[] = "当前帧已经损坏";
const char kNoGlobalTable[] = "没有全局调色板";
const char kNoLocalTable[] = "没有局部调色板";
const char kIndexOutOfRange[] = "调色板序号超出范围";
const char kNoObject[] = "对象还未创建";
const char kUnknown[] = "未知错误";

// The smallest data that can hold a header, a screen descriptor and one image.
constexpr size_t kMinGifBytes = 34;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasGifSignature(const std::string& data) {
  return Lower(data[0]) == 'g' && Lower(data[1]) == 'i' && Lower(data[2]) == 'f';
}

bool HasGifVersion(const std::string& data) {
  return data[3] == '8' && (data[4] == '7' || data[4] == '9') && Lower(data[5]) == 'a';
}

GifFileInfo EmptyGifInfo() {
  GifFileInfo info;
  info.loop = false;
  return info;
}

uint16_t ColorCount(uint8_t packed) {
  return (packed & 0x80) ? static_cast<uint16_t>(2u << (packed & 7)) : 0;
}

}  // namespace

struct GifReader::State {
  std::string data;  // the loaded file; empty before a load
  GifIndex index;
  std::string lastError;

  void Release() {
    data.clear();
    data.shrink_to_fit();
    index = GifIndex();
  }

  bool Fail(const std::string& text) {
    lastError = text;
    return false;
  }

  bool RequireFile() { return !data.empty() || Fail(kNotLoaded); }

  int FrameCount() const { return static_cast<int>(index.frames.size()); }

  // Checks a frame number 1..FrameCount and walks its blocks to the image.
  bool FindFrame(int frame, GifFrameBlocks* blocks) {
    if (frame < 1 || frame > FrameCount()) return Fail(kFrameOutOfRange);
    *blocks = WalkGifFrame(data, index.frames[static_cast<size_t>(frame - 1)]);
    return blocks->image != kGifNone || Fail(kFrameDamaged);
  }

  // The colour table of frame 0 (global) or of frame k (local): its first
  // byte and its number of entries.
  bool FindTable(int frame, size_t* tablePos, size_t* entries) {
    if (frame < 0 || frame > FrameCount()) return Fail(kFrameOutOfRange);
    uint8_t packed;
    if (frame == 0) {
      packed = GifByte(data, 10);
      if (!(packed & 0x80)) return Fail(kNoGlobalTable);
      *tablePos = kGifScreenEnd;
    } else {
      GifFrameBlocks blocks;
      if (!FindFrame(frame, &blocks)) return false;
      packed = GifByte(data, blocks.image + 9);
      if (!(packed & 0x80)) return Fail(kNoLocalTable);
      *tablePos = blocks.image + 10;
    }
    *entries = size_t{2} << (packed & 7);
    return true;
  }

  // The entry's position, when the index lies inside the table and the
  // table's bytes inside the file.
  bool FindEntry(int frame, int index, size_t* entryPos) {
    size_t tablePos = 0;
    size_t entries = 0;
    if (!FindTable(frame, &tablePos, &entries)) return false;
    if (index < 0 || static_cast<size_t>(index) >= entries) return Fail(kIndexOutOfRange);
    *entryPos = tablePos + 3 * static_cast<size_t>(index);
    return *entryPos + 3 <= data.size() || Fail(kIndexOutOfRange);
  }

  bool IndexLoaded() {
    index = IndexGif(data);
    if (index.damaged) return Fail(kDamaged);
    lastError.clear();
    return true;
  }
};

namespace {

// Runs one operation; an exception (out of memory) becomes "未知错误" and the
// operation's failure value.
template <class State, class Result, class Operation>
Result Guarded(State& state, Result failure, Operation operation) {
  try {
    return operation();
  } catch (...) {
    state.lastError = kUnknown;
    return failure;
  }
}

}  // namespace

GifReader::GifReader() = default;
GifReader::~GifReader() = default;
GifReader::GifReader(GifReader&&) noexcept = default;
GifReader& GifReader::operator=(GifReader&&) noexcept = default;

bool GifReader::Create() {
  state_.reset();
  try {
    state_.reset(new State);
  } catch (...) {
    return false;
  }
  return true;
}

void GifReader::Clear() { state_.reset(); }

bool GifReader::LoadGif(const std::string& path, const std::string& bytes) {
  if (!state_) return false;
  State& s = *state_;
  return Guarded(s, false, [&]() {
    if (path.empty() && bytes.empty()) return s.Fail(kNoSource);
    if (!path.empty()) {
      s.lastError.clear();
      std::string contents;
      if (!ReadWholeFile(path, &contents)) {
        return s.Fail(FileFailureText(FileExists(path) ? FileFailureKind::kRead : FileFailureKind::kOpen, path));
      }
      if (contents.size() < kMinGifBytes) return s.Fail(kTooShort);
      s.Release();
      if (!HasGifSignature(contents)) return s.Fail(kNotGif);
      if (!HasGifVersion(contents)) return s.Fail(kBadVersion);
      s.data = std::move(contents);
    } else {
      // Bad bytes leave an earlier file loaded.
      if (bytes.size() < kMinGifBytes) return s.Fail(kTooShort);
      if (!HasGifSignature(bytes)) return s.Fail(kNotGif);
      if (!HasGifVersion(bytes)) return s.Fail(kBadVersion);
      s.Release();
      s.data = bytes;
    }
    return s.IndexLoaded();
  });
}

std::string GifReader::GetError() const { return state_ ? state_->lastError : std::string(kNoObject); }

GifFileInfo GifReader::GetGifInfo() {
  if (!state_) return EmptyGifInfo();
  State& s = *state_;
  return Guarded(s, EmptyGifInfo(), [&]() {
    GifFileInfo info = EmptyGifInfo();
    if (!s.RequireFile()) return info;
    info.widthPx = ReadLe16(s.data, 6);
    info.heightPx = ReadLe16(s.data, 8);
    info.loop = s.index.loopBlock != kGifNone;
    if (info.loop) info.loopCount = ReadLe16(s.data, s.index.loopBlock + 13);
    info.backgroundIndex = GifByte(s.data, 11);
    if (s.index.comment != kGifNone) info.comment = ReadGifSubBlockText(s.data, s.index.comment + 2);
    info.frameCount = s.FrameCount();
    info.colourCount = ColorCount(GifByte(s.data, 10));
    s.lastError.clear();
    return info;
  });
}

bool GifReader::SetGifInfo(const GifFileInfo& info) {
  if (!state_) return false;
  State& s = *state_;
  if (!s.RequireFile()) return false;
  WriteLe16(&s.data, 6, info.widthPx);
  WriteLe16(&s.data, 8, info.heightPx);
  s.data[11] = static_cast<char>(info.backgroundIndex);
  if (info.loop && s.index.loopBlock != kGifNone) WriteLe16(&s.data, s.index.loopBlock + 13, info.loopCount);
  s.lastError.clear();
  return true;
}

GifFrameInfo GifReader::GetFrameInfo(int frame) {
  if (!state_) return GifFrameInfo();
  State& s = *state_;
  return Guarded(s, GifFrameInfo(), [&]() {
    GifFrameInfo info;
    GifFrameBlocks blocks;
    if (!s.RequireFile() || !s.FindFrame(frame, &blocks)) return info;
    if (blocks.control != kGifNone) {
      uint8_t packed = GifByte(s.data, blocks.control + 3);
      info.disposalMethod = static_cast<uint8_t>((packed >> 2) & 7);
      info.transparent = (packed & 1) != 0;
      info.delayCs = ReadLe16(s.data, blocks.control + 4);
      info.transparentIndex = GifByte(s.data, blocks.control + 6);
    }
    if (blocks.comment != kGifNone) info.comment = ReadGifSubBlockText(s.data, blocks.comment + 2);
    info.leftPx = ReadLe16(s.data, blocks.image + 1);
    info.topPx = ReadLe16(s.data, blocks.image + 3);
    info.widthPx = ReadLe16(s.data, blocks.image + 5);
    info.heightPx = ReadLe16(s.data, blocks.image + 7);
    info.colourCount = ColorCount(GifByte(s.data, blocks.image + 9));
    s.lastError.clear();
    return info;
  });
}

bool GifReader::SetFrameInfo(const FrameRecord& info, int frame) {
  if (!state_) return false;
  State& s = *state_;
  GifFrameBlocks blocks;
  if (!s.RequireFile() || !s.FindFrame(frame, &blocks)) return false;
  if (blocks.control != kGifNone) {
    // Disposal in bits 4-2 and the transparent flag in bit 0; the reserved
    // and user-input bits stay as they are.
    uint8_t packed = GifByte(s.data, blocks.control + 3);
    packed = static_cast<uint8_t>((packed & ~0x1D) | ((info.disposalMethod & 7) << 2) | (info.transparent ? 1 : 0));
    s.data[blocks.control + 3] = static_cast<char>(packed);
    WriteLe16(&s.data, blocks.control + 4, info.delayCs);
  }
  WriteLe16(&s.data, blocks.image + 1, info.leftPx);
  WriteLe16(&s.data, blocks.image + 3, info.topPx);
  s.lastError.clear();
  return true;
}

int32_t GifReader::GetPalette(int frame, int index) {
  if (!state_) return -1;
  State& s = *state_;
  size_t entry = 0;
  if (!s.RequireFile() || !s.FindEntry(frame, index, &entry)) return -1;
  s.lastError.clear();
  return static_cast<int32_t>(GifByte(s.data, entry) | (GifByte(s.data, entry + 1) << 8) |
                              (GifByte(s.data, entry + 2) << 16));
}

bool GifReader::SetPalette(int frame, int index, int32_t colour) {
  if (!state_) return false;
  State& s = *state_;
  size_t entry = 0;
  if (!s.RequireFile() || !s.FindEntry(frame, index, &entry)) return false;
  s.data[entry] = static_cast<char>(colour & 0xFF);
  s.data[entry + 1] = static_cast<char>((colour >> 8) & 0xFF);
  s.data[entry + 2] = static_cast<char>((colour >> 16) & 0xFF);
  s.lastError.clear();
  return true;
}

std::string GifReader::GetGifData(int frame) {
  if (!state_) return std::string();
  State& s = *state_;
  return Guarded(s, std::string(), [&]() {
    if (!s.RequireFile()) return std::string();
    if (frame < 0 || frame > s.FrameCount()) {
      s.Fail(kFrameOutOfRange);
      return std::string();
    }
    if (frame == 0) {
      s.lastError.clear();
      return s.data;
    }
    GifFrameBlocks blocks;
    if (!s.FindFrame(frame, &blocks)) return std::string();
    std::string bmp;
    switch (DecodeGifImageToBmp(s.data, blocks.image, &bmp)) {
      case BmpDecodeResult::kOk:
        s.lastError.clear();
        return bmp;
      case BmpDecodeResult::kBadImage:
        s.Fail(kFrameDamaged);
        break;
      case BmpDecodeResult::kTooLarge:
        // Too large to hold: reported like running out of memory.
        s.Fail(kUnknown);
        break;
    }
    return std::string();
  });
}

bool GifReader::SaveGif(const std::string& path) {
  if (!state_) return false;
  State& s = *state_;
  return Guarded(s, false, [&]() {
    if (!s.RequireFile()) return false;
    FileSink file;
    if (!file.Create(path)) return s.Fail(FileFailureText(FileFailureKind::kCreate, path));
    if (!file.Write(s.data.data(), s.data.size()) || !file.Commit()) {
      return s.Fail(FileFailureText(FileFailureKind::kWrite, path));
    }
    s.lastError.clear();
    return true;
  });
}

}  // namespace movrel
