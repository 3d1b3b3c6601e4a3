#include "gif/gif_maker.h"

#include <new>
#include <utility>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/codec_failure.h"
#include "gif/gif_writer.h"
#include "gif/palette.h"
#include "gif/picture.h"
#include "gif/picture_decoder.h"

namespace movrel {

namespace {

const char kNoPicture[] = "没有指定载入文件路径和图片数据";
const char kNotPictureData[] = "不是有效的图片数据";
const char kCannotDecode[] = "读入图片文件失败";
const char kNoFrames[] = "还没有加入任何图片";
const char kNotCreated[] = "对象还未创建";
const char kUnknown[] = "未知错误";

// The smallest picture file there is: a BMP's two headers.
constexpr size_t kMinPictureBytes = 54;

// An operation's boundary: a failure raised inside becomes the last-error
// text, and anything unforeseen becomes "未知错误".
template <typename Body>
bool AtBoundary(std::string* lastError, Body body) {
  try {
    return body();
  } catch (const CodecFailure& failure) {
    *lastError = failure.text();
  } catch (...) {
    *lastError = kUnknown;
  }
  return false;
}

}  // namespace

struct GifMakerState {
  AnimationSettings animation;
  std::vector<FrameRecord> records;
  std::vector<FrameImage> images;  // parallel to records
  std::string lastError;

  void Reset() {
    records.clear();
    images.clear();
    bool interlace = animation.interlace;
    animation = AnimationSettings();
    animation.interlace = interlace;
  }
};

GifMaker::GifMaker() = default;
GifMaker::~GifMaker() = default;
GifMaker::GifMaker(GifMaker&&) noexcept = default;
GifMaker& GifMaker::operator=(GifMaker&&) noexcept = default;

bool GifMaker::Create(const AnimationSettings& animation) {
  if (state_) {
    state_->Reset();
  } else {
    state_.reset(new (std::nothrow) GifMakerState());
    if (!state_) return false;
  }
  state_->animation = animation;
  return true;
}

bool GifMaker::AddFrame(const FrameRecord& frame, const std::string& path, const std::string& pictureBytes,
                        FramePalette palette) {
  if (!state_) return false;
  GifMakerState& s = *state_;
  if (path.empty() && pictureBytes.empty()) {
    s.lastError = kNoPicture;
    return false;
  }
  if (path.empty() && pictureBytes.size() < kMinPictureBytes) {
    s.lastError = kNotPictureData;
    return false;
  }
  s.lastError.clear();
  return AtBoundary(&s.lastError, [&] {
    FrameImage image;
    {
      // The file's contents and the working image live only for this block.
      std::string fileBytes;
      if (!path.empty()) fileBytes = ReadPictureFile(path);
      const std::string& bytes = path.empty() ? pictureBytes : fileBytes;
      WorkingImage working;
      if (!DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &working)) {
        s.lastError = kCannotDecode;
        return false;
      }
      if (palette == FramePalette::kDitheredCube) {
        CubePalette(working, &image);
      } else {
        PopularityPalette(working, &image);
      }
    }

    FrameRecord record = frame;
    // Room for both lists first, so that nothing can fail once the record is
    // in and no half-added frame is ever kept.
    try {
      s.records.reserve(s.records.size() + 1);
      s.images.reserve(s.images.size() + 1);
    } catch (const std::exception&) {
      throw CodecFailure(kNoMemoryForRecords);
    }
    s.records.push_back(std::move(record));
    s.images.push_back(std::move(image));

    if (s.images.size() == 1) {
      if (s.animation.widthPx == 0) s.animation.widthPx = static_cast<uint16_t>(s.images[0].width());
      if (s.animation.heightPx == 0) s.animation.heightPx = static_cast<uint16_t>(s.images[0].height());
    }
    return true;
  });
}

bool GifMaker::SaveGif(const std::string& path) {
  if (!state_) return false;
  GifMakerState& s = *state_;
  if (s.images.empty()) {
    s.lastError = kNoFrames;
    return false;
  }
  s.lastError.clear();
  return AtBoundary(&s.lastError, [&] {
    FileSink file;
    if (!file.Create(path)) throw FileFailure(FileFailureKind::kCreate, path);
    movrel::WriteGif(s.animation, s.records, s.images, file);
    if (!file.Commit()) throw FileFailure(FileFailureKind::kWrite, path);
    return true;
  });
}

bool GifMaker::WriteGif(ByteSink& sink) {
  if (!state_) return false;
  GifMakerState& s = *state_;
  if (s.images.empty()) {
    s.lastError = kNoFrames;
    return false;
  }
  s.lastError.clear();
  return AtBoundary(&s.lastError, [&] {
    movrel::WriteGif(s.animation, s.records, s.images, sink);
    return true;
  });
}

void GifMaker::Reset() {
  if (state_) state_->Reset();
}

void GifMaker::Clear() { state_.reset(); }

std::string GifMaker::GetError() const { return state_ ? state_->lastError : std::string(kNotCreated); }

int GifMaker::FrameCount() const { return state_ ? static_cast<int>(state_->images.size()) : 0; }

const FrameImage* GifMaker::Frame(int index) const {
  if (!state_ || index < 0 || index >= FrameCount()) return nullptr;
  return &state_->images[static_cast<size_t>(index)];
}

}  // namespace movrel
