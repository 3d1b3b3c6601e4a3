// The one exception type of the GIF codec. It carries a failure from deep
// inside an operation (a file that cannot be read, a block that cannot be
// had) to the operation's boundary, where its text becomes the last-error
// text. It never leaves the codec.
#pragma once

#include <exception>
#include <string>

namespace movrel {

class CodecFailure : public std::exception {
 public:
  explicit CodecFailure(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// The codec's own failure texts.
extern const char kNoMemoryForFile[];     // 为读取文件分配内存失败
extern const char kNoMemoryForBitmap[];   // 为位图分配内存失败
extern const char kNoMemoryForRecords[];  // 为帧图片信息分配内存时出错

// What went wrong with a file, for the last-error text.
enum class FileFailureKind { kOpen, kRead, kCreate, kWrite };

// "<kind>：<path>", cut to 255 bytes without splitting a character.
std::string FileFailureText(FileFailureKind kind, const std::string& path);

inline CodecFailure FileFailure(FileFailureKind kind, const std::string& path) {
  return CodecFailure(FileFailureText(kind, path));
}

}  // namespace movrel
