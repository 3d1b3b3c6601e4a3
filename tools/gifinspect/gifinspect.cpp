#include "gifinspect.h"

#include <cstdint>
#include <cstdlib>

#include "common/file_io.h"
#include "common/gbk.h"
#include "gif/gif_reader.h"

namespace movrel {
namespace {

const char kUsage[] =
    "usage: gifinspect FILE.gif\n"
    "       gifinspect FILE.gif --extract K OUT.bmp\n"
    "       gifinspect FILE.gif [--set-delay K D] [--set-offset K X Y] [--set-palette K I RRGGBB] ... --save OUT.gif\n";

// Whole decimal numbers only: a typo must not turn into frame 0.
bool ParseInt(const std::string& text, long min, long max, long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || parsed < min || parsed > max) return false;
  *value = parsed;
  return true;
}

bool ParseColour(const std::string& text, int32_t* colour) {
  if (text.size() != 6) return false;
  char* end = nullptr;
  unsigned long rgb = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0') return false;
  // RRGGBB as written; the reader's colour keeps red in the lowest byte.
  *colour = static_cast<int32_t>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
  return true;
}

// Keeps one name=value per line: control bytes and a backslash that stands
// as a character of its own are escaped; double-byte characters (whose trail
// byte may be a backslash) pass unchanged.
std::string EscapeText(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (size_t i = 0; i < text.size();) {
    size_t length = GbkCharLength(text, i);
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (length == 2) {
      escaped.append(text, i, 2);
    } else if (c == '\\') {
      escaped += "\\\\";
    } else if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\r') {
      escaped += "\\r";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      escaped += "\\x";
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    } else {
      escaped += static_cast<char>(c);
    }
    i += length;
  }
  return escaped;
}

const char* Bool(bool value) { return value ? "true" : "false"; }

void Line(std::string* out, const std::string& prefix, const char* name, const std::string& value) {
  *out += prefix + name + "=" + value + "\n";
}

void Line(std::string* out, const std::string& prefix, const char* name, long value) {
  Line(out, prefix, name, std::to_string(value));
}

int Fail(GifReader& reader, std::string* err) {
  *err += reader.GetError() + "\n";
  return 1;
}

int Print(GifReader& reader, std::string* out, std::string* err) {
  // The line names are the tool's output format, which scripts read.
  GifFileInfo info = reader.GetGifInfo();
  Line(out, "", "Width", info.widthPx);
  Line(out, "", "Depth", info.heightPx);
  Line(out, "", "LOOP", Bool(info.loop));
  Line(out, "", "LoopCount", info.loopCount);
  Line(out, "", "BgColorIndex", info.backgroundIndex);
  Line(out, "", "exposition", EscapeText(info.comment));
  Line(out, "", "FrameCount", info.frameCount);
  Line(out, "", "ColorNum", info.colourCount);
  Line(out, "", "Interlace", Bool(info.interlace));
  int status = 0;
  for (int k = 1; k <= info.frameCount; ++k) {
    GifFrameInfo frame = reader.GetFrameInfo(k);
    std::string prefix = "frame " + std::to_string(k) + ".";
    if (!reader.GetError().empty()) {
      // A damaged frame is reported, and the others still printed.
      *err += prefix + " " + reader.GetError() + "\n";
      status = 1;
      continue;
    }
    Line(out, prefix, "DelayTime", frame.delayCs);
    Line(out, prefix, "Left", frame.leftPx);
    Line(out, prefix, "Top", frame.topPx);
    Line(out, prefix, "DisposalMethod", frame.disposalMethod);
    Line(out, prefix, "Transparency", Bool(frame.transparent));
    Line(out, prefix, "TransparencyIndex", frame.transparentIndex);
    Line(out, prefix, "Width", frame.widthPx);
    Line(out, prefix, "Depth", frame.heightPx);
    Line(out, prefix, "exposition", EscapeText(frame.comment));
    Line(out, prefix, "ColorNum", frame.colourCount);
    Line(out, prefix, "Dither", Bool(false));  // a file does not say how it was made
  }
  return status;
}

int Usage(std::string* err, const std::string& problem) {
  *err += "gifinspect: " + problem + "\n" + kUsage;
  return 2;
}

}  // namespace

int RunGifInspect(const std::vector<std::string>& args, std::string* out, std::string* err) {
  if (args.empty() || args[0].empty() || args[0][0] == '-') return Usage(err, "no GIF file given");
  GifReader reader;
  reader.Create();
  if (!reader.LoadGif(args[0])) return Fail(reader, err);
  if (args.size() == 1) return Print(reader, out, err);

  if (args[1] == "--extract") {
    long frame = 0;
    if (args.size() != 4 || !ParseInt(args[2], 0, 0x7FFFFFFF, &frame)) return Usage(err, "--extract needs K OUT.bmp");
    std::string bytes = reader.GetGifData(static_cast<int>(frame));
    if (bytes.empty()) return Fail(reader, err);
    if (!WriteWholeFile(args[3], bytes)) {
      *err += "cannot write " + args[3] + "\n";
      return 1;
    }
    return 0;
  }

  std::string savePath;
  for (size_t i = 1; i < args.size();) {
    const std::string& option = args[i];
    auto has = [&](size_t count) { return i + count < args.size(); };
    long k = 0, a = 0, b = 0;
    if (option == "--set-delay") {
      if (!has(2) || !ParseInt(args[i + 1], 0, 0x7FFFFFFF, &k) || !ParseInt(args[i + 2], 0, 65535, &a)) {
        return Usage(err, "--set-delay needs K D (D 0..65535)");
      }
      GifFrameInfo frame = reader.GetFrameInfo(static_cast<int>(k));
      if (!reader.GetError().empty()) return Fail(reader, err);
      frame.delayCs = static_cast<uint16_t>(a);
      if (!reader.SetFrameInfo(frame, static_cast<int>(k))) return Fail(reader, err);
      i += 3;
    } else if (option == "--set-offset") {
      if (!has(3) || !ParseInt(args[i + 1], 0, 0x7FFFFFFF, &k) || !ParseInt(args[i + 2], 0, 65535, &a) ||
          !ParseInt(args[i + 3], 0, 65535, &b)) {
        return Usage(err, "--set-offset needs K X Y (X, Y 0..65535)");
      }
      GifFrameInfo frame = reader.GetFrameInfo(static_cast<int>(k));
      if (!reader.GetError().empty()) return Fail(reader, err);
      frame.leftPx = static_cast<uint16_t>(a);
      frame.topPx = static_cast<uint16_t>(b);
      if (!reader.SetFrameInfo(frame, static_cast<int>(k))) return Fail(reader, err);
      i += 4;
    } else if (option == "--set-palette") {
      int32_t colour = 0;
      if (!has(3) || !ParseInt(args[i + 1], 0, 0x7FFFFFFF, &k) || !ParseInt(args[i + 2], 0, 255, &a) ||
          !ParseColour(args[i + 3], &colour)) {
        return Usage(err, "--set-palette needs K I RRGGBB (I 0..255)");
      }
      if (!reader.SetPalette(static_cast<int>(k), static_cast<int>(a), colour)) return Fail(reader, err);
      i += 4;
    } else if (option == "--save") {
      if (!has(1) || i + 2 != args.size()) return Usage(err, "--save OUT.gif comes last");
      savePath = args[i + 1];
      i += 2;
    } else {
      return Usage(err, "unknown option " + option);
    }
  }
  if (savePath.empty()) return Usage(err, "edits need --save OUT.gif");
  if (!reader.SaveGif(savePath)) return Fail(reader, err);
  return 0;
}

}  // namespace movrel
