#include "compose.h"

#include <cerrno>
#include <cstdlib>

#include "gif/byte_sink.h"
#include "gif/codec_failure.h"
#include "gif/compact_writer.h"
#include "gif/gif_maker.h"
#include "gif/picture_decoder.h"

namespace movrel {

const char kComposeUsage[] =
    "usage: gifcompose [--width W] [--height H] [--loop N | --no-loop] [--comment TEXT] [--interlace]\n"
    "                  [--optimize]\n"
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
      if (!in.Number(option, 65535, &result.animation.Width)) return false;
    } else if (option == "--height") {
      if (!in.Number(option, 65535, &result.animation.Depth)) return false;
    } else if (option == "--loop" || option == "--no-loop") {
      if (loopSet) return in.Fail("--loop and --no-loop may be given once");
      loopSet = true;
      result.animation.LOOP = option == "--loop";
      if (result.animation.LOOP && !in.Number(option, 65535, &result.animation.LoopCount)) return false;
    } else if (option == "--comment") {
      if (!in.Value(option, &result.animation.exposition)) return false;
    } else if (option == "--interlace") {
      result.animation.Interlace = true;
    } else if (option == "--optimize") {
      result.optimize = true;
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
    FrameInfo& frame = picture.frame;
    if (arg == "--delay") {
      if (!in.Number(arg, 65535, &frame.DelayTime)) return false;
    } else if (arg == "--left") {
      if (!in.Number(arg, 65535, &frame.Left)) return false;
    } else if (arg == "--top") {
      if (!in.Number(arg, 65535, &frame.Top)) return false;
    } else if (arg == "--disposal") {
      if (!in.Number(arg, 7, &frame.DisposalMethod)) return false;
    } else if (arg == "--transparent") {
      frame.Transparency = true;
    } else if (arg == "--dither") {
      frame.Dither = true;
    } else if (arg == "--frame-comment") {
      if (!in.Value(arg, &frame.exposition)) return false;
    } else {
      return in.Fail("unknown frame option " + arg);
    }
  }
  if (pending) return in.Fail("frame options after the last picture");
  if (result.pictures.empty()) return in.Fail("no picture given");
  *request = std::move(result);
  return true;
}

namespace {

bool LoadPicture(const std::string& path, WorkingImage* image) {
  std::string bytes = ReadPictureFile(path);
  return DecodePicture(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

const char kCannotDecode[] = "读入图片文件失败";

// The compact layout: one pass gathers the colours (do they fit one shared
// table?), the second draws every picture at its offset and writes the
// frame the canvas then shows.
int RunCompact(const ComposeRequest& request, std::string* where, std::string* error) {
  std::string current;
  try {
    AnimationSettings animation = AnimationSettingsOf(request.animation);

    ColorSet colors(kMaxSharedColors);
    for (const ComposedPicture& picture : request.pictures) {
      current = picture.path;
      WorkingImage image;
      if (!LoadPicture(picture.path, &image)) throw CodecFailure(kCannotDecode);
      if (animation.width == 0) animation.width = static_cast<uint16_t>(image.width());
      if (animation.height == 0) animation.height = static_cast<uint16_t>(image.height());
      RgbCanvas one;
      one.Allocate(image.width(), image.height());
      one.Paste(image, 0, 0);
      for (int y = 0; y < one.height() && !colors.Overflowed(); ++y) {
        const uint32_t* row = one.Row(y);
        for (int x = 0; x < one.width(); ++x) colors.Add(row[x]);
      }
    }

    current = request.output;
    FileSink file;
    if (!file.Create(request.output)) throw FileFailure(FileFailureKind::kCreate, request.output);
    CompactGifWriter writer;
    writer.Begin(animation, colors.Overflowed() ? std::vector<uint32_t>() : colors.colors(), file);
    RgbCanvas canvas;
    canvas.Allocate(animation.width, animation.height);
    for (const ComposedPicture& picture : request.pictures) {
      current = picture.path;
      WorkingImage image;
      if (!LoadPicture(picture.path, &image)) throw CodecFailure(kCannotDecode);
      canvas.Paste(image, picture.frame.Left, picture.frame.Top);
      current = request.output;
      writer.AddFrame(canvas, picture.frame.DelayTime);
    }
    writer.Finish();
    if (!file.Commit()) throw FileFailure(FileFailureKind::kWrite, request.output);
    return 0;
  } catch (const CodecFailure& failure) {
    *where = current;
    *error = failure.text();
  } catch (const std::exception&) {
    *where = current;
    *error = "未知错误";
  }
  return 1;
}

}  // namespace

int RunCompose(const ComposeRequest& request, std::string* where, std::string* makerError) {
  if (request.optimize) return RunCompact(request, where, makerError);
  GifMaker maker;
  maker.Create(request.animation);
  for (const ComposedPicture& picture : request.pictures) {
    if (!maker.AddFrame(picture.frame, picture.path)) {
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
