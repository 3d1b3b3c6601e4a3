#include "compose.h"

#include <cerrno>
#include <cstdlib>

#include "common/byte_order.h"
#include "gif/bmp_decoder.h"
#include "gif/byte_sink.h"
#include "gif/codec_failure.h"
#include "gif/gif_maker.h"
#include "gif/picture_decoder.h"
#include "output/animation_writer.h"
#include "output/size_fit.h"

namespace movrel {

const char kComposeUsage[] =
    "usage: gifcompose [--width W] [--height H] [--loop N | --no-loop] [--comment TEXT] [--interlace]\n"
    "                  [--optimize [--lossy N] [--dither] [--max-size BYTES]]\n"
    "                  OUT.gif FRAMESPEC...\n"
    "FRAMESPEC: [--delay D] [--left X] [--top Y] [--disposal M] [--transparent] [--dither]\n"
    "           [--frame-comment TEXT] PICTURE\n";

namespace {

bool ParseNumber(const std::string& text, long maxValue, long* value) {
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < 0 || v > maxValue) return false;
  *value = v;
  return true;
}

class ArgReader {
 public:
  ArgReader(const std::vector<std::string>& args, std::string* error) : args_(args), error_(error) {}

  bool Done() const { return next_ >= args_.size(); }
  const std::string& Peek() const { return args_[next_]; }
  const std::string& Take() { return args_[next_++]; }

  bool Value(const std::string& option, std::string* value) {
    if (Done()) return Fail(option + " needs a value");
    *value = Take();
    return true;
  }

  template <typename T>
  bool Number(const std::string& option, long maxValue, T* value) {
    std::string text;
    if (!Value(option, &text)) return false;
    long v = 0;
    if (!ParseNumber(text, maxValue, &v)) {
      return Fail(option + " needs a whole number from 0 to " + std::to_string(maxValue) + ", not '" + text + "'");
    }
    *value = static_cast<T>(v);
    return true;
  }

  bool Fail(const std::string& message) {
    *error_ = message;
    return false;
  }

 private:
  const std::vector<std::string>& args_;
  std::string* error_;
  size_t next_ = 0;
};

bool IsOption(const std::string& arg) { return arg.size() > 2 && arg[0] == '-' && arg[1] == '-'; }

}  // namespace

bool ParseComposeArgs(const std::vector<std::string>& args, ComposeRequest* request, std::string* error) {
  ComposeRequest result;
  ArgReader in(args, error);
  bool loopSet = false;
  while (!in.Done() && IsOption(in.Peek())) {
    std::string option = in.Take();
    if (option == "--width") {
      if (!in.Number(option, 65535, &result.animation.widthPx)) return false;
    } else if (option == "--height") {
      if (!in.Number(option, 65535, &result.animation.heightPx)) return false;
    } else if (option == "--loop" || option == "--no-loop") {
      if (loopSet) return in.Fail("--loop and --no-loop may be given once");
      loopSet = true;
      result.animation.loop = option == "--loop";
      if (result.animation.loop && !in.Number(option, 65535, &result.animation.loopCount)) return false;
    } else if (option == "--comment") {
      if (!in.Value(option, &result.animation.comment)) return false;
    } else if (option == "--interlace") {
      result.animation.interlace = true;
    } else if (option == "--optimize") {
      result.optimize = true;
    } else if (option == "--lossy") {
      if (!in.Number(option, 100, &result.lossyLevel)) return false;
    } else if (option == "--dither") {
      result.dither = true;
    } else if (option == "--max-size") {
      if (!in.Number(option, 2147483647L, &result.maxBytes)) return false;
    } else {
      return in.Fail("unknown option " + option);
    }
  }
  if (in.Done()) return in.Fail("no output file given");
  result.output = in.Take();

  ComposedPicture picture;
  bool pending = false;  // options given that no picture has taken yet
  while (!in.Done()) {
    std::string arg = in.Take();
    if (!IsOption(arg)) {
      picture.path = arg;
      result.pictures.push_back(picture);
      picture = ComposedPicture();
      pending = false;
      continue;
    }
    pending = true;
    FrameRecord& frame = picture.frame;
    if (arg == "--delay") {
      if (!in.Number(arg, 65535, &frame.delayCs)) return false;
    } else if (arg == "--left") {
      if (!in.Number(arg, 65535, &frame.leftPx)) return false;
    } else if (arg == "--top") {
      if (!in.Number(arg, 65535, &frame.topPx)) return false;
    } else if (arg == "--disposal") {
      if (!in.Number(arg, 7, &frame.disposalMethod)) return false;
    } else if (arg == "--transparent") {
      frame.transparent = true;
    } else if (arg == "--dither") {
      picture.dither = true;
    } else if (arg == "--frame-comment") {
      if (!in.Value(arg, &frame.comment)) return false;
    } else {
      return in.Fail("unknown frame option " + arg);
    }
  }
  if (pending) return in.Fail("frame options after the last picture");
  if (!result.optimize && (result.lossyLevel > 0 || result.dither || result.maxBytes > 0)) {
    return in.Fail("--lossy, --dither and --max-size need --optimize");
  }
  if (result.pictures.empty()) return in.Fail("no picture given");
  *request = std::move(result);
  return true;
}

namespace {

const char kCannotDecode[] = "读入图片文件失败";

// The pictures as the save path reads a recording: frame n is picture n as
// BMP file bytes at its offset. A picture that is no BMP the codec reads is
// decoded by the platform and handed on as a 24-bit BMP.
class PictureFrames : public FrameSource {
 public:
  explicit PictureFrames(const std::vector<ComposedPicture>& pictures) : pictures_(pictures) {}
  int FrameCount() const override { return static_cast<int>(pictures_.size()); }
  std::string ReadFrame(int number) const override {
    const std::string& path = pictures_[static_cast<size_t>(number - 1)].path;
    failed_ = path;
    std::string bytes = ReadPictureFile(path);
    if (InspectBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) == BmpVerdict::kReadable) {
      return bytes;
    }
    WorkingImage image;
    if (!DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &image)) {
      throw CodecFailure(kCannotDecode);
    }
    return BmpBytes(image);
  }
  bool HasPicture(int) const override { return true; }
  FramePosition Position(int number) const override {
    const FrameRecord& frame = pictures_[static_cast<size_t>(number - 1)].frame;
    return {frame.leftPx, frame.topPx};
  }
  int64_t CaptureMs(int) const override { return 0; }
  // The picture read last: the one a failure is about.
  const std::string& Current() const { return failed_; }

 private:
  // A working image is stored as a bottom-up 24-bit DIB's rows already.
  static std::string BmpBytes(const WorkingImage& image) {
    const size_t pixels = image.strideBytes() * static_cast<size_t>(image.height());
    std::string bytes;
    bytes += "BM";
    AppendLe32(&bytes, static_cast<uint32_t>(54 + pixels));
    AppendLe32(&bytes, 0);
    AppendLe32(&bytes, 54);
    AppendLe32(&bytes, 40);
    AppendLe32(&bytes, static_cast<uint32_t>(image.width()));
    AppendLe32(&bytes, static_cast<uint32_t>(image.height()));
    AppendLe16(&bytes, 1);
    AppendLe16(&bytes, 24);
    for (int i = 0; i < 6; ++i) AppendLe32(&bytes, 0);
    bytes.append(reinterpret_cast<const char*>(image.StoredRow(0)), pixels);
    return bytes;
  }

  const std::vector<ComposedPicture>& pictures_;
  mutable std::string failed_;
};

// The compact layout through the program's own save path: every picture is
// one frame, drawn at its offset over the pictures before it, for its delay.
int RunCompact(const ComposeRequest& request, std::string* where, std::string* error, std::string* report) {
  PictureFrames frames(request.pictures);
  std::vector<AnimationFrame> plan;
  for (size_t i = 0; i < request.pictures.size(); ++i) {
    plan.push_back(AnimationFrame{static_cast<int>(i) + 1, request.pictures[i].frame.delayCs});
  }
  GifOptions options(GifLayout::kCompact);
  options.lossyLevel = request.lossyLevel;
  options.dither = request.dither;
  FileSink file;
  if (!file.Create(request.output)) {
    *where = request.output;
    *error = "无法创建文件";
    return 1;
  }
  SizeFit fit;
  std::string failure;
  FitOutcome outcome =
      WriteAnimationWithin(frames, plan, request.animation, options, request.maxBytes, file, nullptr, &fit, &failure);
  if (request.maxBytes > 0) {
    *report = outcome == FitOutcome::kTooLarge
                  ? "nothing fits in " + std::to_string(request.maxBytes) + " bytes; the smallest is " +
                        std::to_string(fit.bytes) + " bytes"
                  : "lossy " + std::to_string(fit.lossyLevel) + ", " + std::to_string(fit.maxColors) + " colours, " +
                        std::to_string(fit.scalePercent) + " %, " + std::to_string(fit.bytes) + " bytes";
  }
  if (outcome == FitOutcome::kWritten && file.Commit()) return 0;
  *where = outcome == FitOutcome::kNotComposable ? frames.Current() : request.output;
  *error = outcome == FitOutcome::kWritten ? "无法写入文件" : failure;
  return 1;
}

}  // namespace

int RunCompose(const ComposeRequest& request, std::string* where, std::string* makerError,
               std::string* report) {
  if (request.optimize) return RunCompact(request, where, makerError, report);
  GifMaker maker;
  maker.Create(request.animation);
  for (const ComposedPicture& picture : request.pictures) {
    const FramePalette palette = picture.dither ? FramePalette::kDitheredCube : FramePalette::kPopularity;
    if (!maker.AddFrame(picture.frame, picture.path, std::string(), palette)) {
      *where = picture.path;
      *makerError = maker.GetError();
      return 1;
    }
  }
  if (!maker.SaveGif(request.output)) {
    *where = request.output;
    *makerError = maker.GetError();
    return 1;
  }
  maker.Clear();
  return 0;
}

}  // namespace movrel
