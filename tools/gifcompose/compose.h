// The composer's command line and its run, kept apart from the platform's
// way of getting arguments and printing text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/gif_records.h"

namespace movrel {

// A frame's delay when the command line gives none.
constexpr uint16_t kDefaultDelayCs = 60;

struct ComposedPicture {
  ComposedPicture() { frame.delayCs = kDefaultDelayCs; }
  FrameRecord frame;
  // --dither before the picture: the dithered colour cube (classic layout).
  bool dither = false;
  std::string path;
};

struct ComposeRequest {
  AnimationSettings animation;
  std::string output;
  std::vector<ComposedPicture> pictures;
  // --optimize: the compact layout (true colours, only changes stored,
  // small tables). Each picture is drawn at its offset over the pictures
  // before it, and the result is what the frame shows; disposal,
  // transparency, dithering and frame comments are not used then.
  bool optimize = false;
  // With --optimize: the lossy level (--lossy N), ordered dithering
  // (--dither), and a size the file must keep (--max-size BYTES, 0 none).
  int lossyLevel = 0;
  bool dither = false;
  uint64_t maxBytes = 0;
};

extern const char kComposeUsage[];

// Reads `args` (without the program name). False with a description in
// `error` for anything that is not a valid command line.
bool ParseComposeArgs(const std::vector<std::string>& args, ComposeRequest* request, std::string* error);

// Creates the maker, adds every picture from its file and saves. 0 on
// success; otherwise 1, with the picture or output concerned in `where` and
// the maker's error text (GBK) in `makerError`. With a size limit `report`
// says what was chosen to fit (or the smallest size reached).
int RunCompose(const ComposeRequest& request, std::string* where, std::string* makerError,
               std::string* report);

}  // namespace movrel
