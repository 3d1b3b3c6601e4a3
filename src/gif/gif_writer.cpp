#include "gif/gif_writer.h"

#include "common/gbk.h"
#include "gif/lzw_encoder.h"

namespace movrel {

namespace {

constexpr size_t kMaxCommentBytes = 255;

// Bytes of one block, built up before they go to the sink in one write.
class Block {
 public:
  Block& Byte(unsigned b) {
    bytes_.push_back(static_cast<char>(b));
    return *this;
  }
  Block& Word(unsigned w) { return Byte(w & 0xFF).Byte(w >> 8 & 0xFF); }
  Block& Text(const std::string& text) {
    bytes_ += text;
    return *this;
  }
  // A colour table of red-green-blue triples from the frame's quads.
  Block& ColorTable(const FrameImage& image) {
    const uint8_t* quad = image.ColorTable();
    for (size_t i = 0; i < FrameImage::kColorCount; ++i, quad += 4) Byte(quad[2]).Byte(quad[1]).Byte(quad[0]);
    return *this;
  }
  // A comment extension of one sub-block; nothing for an empty comment.
  Block& Comment(const std::string& comment) {
    if (comment.empty()) return *this;
    return Byte(0x21).Byte(0xFE).Byte(static_cast<unsigned>(comment.size())).Text(comment).Byte(0x00);
  }
  void WriteTo(ByteSink& sink) {
    WriteOrFail(sink, bytes_.data(), bytes_.size());
    bytes_.clear();
  }

 private:
  std::string bytes_;
};

// Bits 2-0 of a descriptor's packed byte: the table holds 2^(b) entries.
unsigned TableSizeBits(const FrameImage& image) { return static_cast<unsigned>(image.bitsPerPixel() - 1); }

}  // namespace

std::string CommentBytes(const std::string& text) {
  std::string comment = text.substr(0, text.find('\0'));
  return GbkTruncate(comment, kMaxCommentBytes);
}

void WriteGif(const AnimationSettings& animation, const std::vector<FrameRecord>& records,
              const std::vector<FrameImage>& images, ByteSink& sink) {
  const FrameImage& first = images.front();
  unsigned bits = TableSizeBits(first);
  Block block;
  // Header, logical screen (global table present, colour resolution and
  // table size from the first frame, background 0, no aspect ratio) and the
  // first frame's colours as the global table.
  block.Text("GIF89a").Word(animation.width).Word(animation.depth).Byte(0x80 | bits << 4 | bits).Byte(0).Byte(0);
  block.ColorTable(first);
  block.WriteTo(sink);

  const unsigned interlaceBit = animation.interlace ? 0x40 : 0x00;
  if (images.size() == 1) {
    // A still picture: no control block, no offsets; the global table serves.
    block.Byte(0x2C).Word(0).Word(0).Word(static_cast<unsigned>(first.width()));
    block.Word(static_cast<unsigned>(first.height())).Byte(interlaceBit | bits);
    block.WriteTo(sink);
    WriteImageData(first, animation.interlace, sink);
  } else {
    if (animation.loop) {
      block.Byte(0x21).Byte(0xFF).Byte(0x0B).Text("NETSCAPE").Text("2.0");
      block.Byte(0x03).Byte(0x01).Word(animation.loopCount).Byte(0x00);
      block.WriteTo(sink);
    }
    for (size_t i = 0; i < images.size(); ++i) {
      const FrameRecord& record = records[i];
      const FrameImage& image = images[i];
      unsigned packed = (record.disposalMethod & 7u) << 2 | (record.transparent ? 1u : 0u);
      // Graphic control: the transparent colour is always index 0.
      block.Byte(0x21).Byte(0xF9).Byte(0x04).Byte(packed).Word(record.delayCs).Byte(0).Byte(0x00);
      block.Comment(record.comment);
      block.Byte(0x2C).Word(record.left).Word(record.top).Word(static_cast<unsigned>(image.width()));
      block.Word(static_cast<unsigned>(image.height())).Byte(0x80 | interlaceBit | TableSizeBits(image));
      block.WriteTo(sink);
      block.ColorTable(image);
      block.WriteTo(sink);
      WriteImageData(image, animation.interlace, sink);
    }
  }

  block.Comment(CommentBytes(animation.comment));
  block.Byte(0x3B);
  block.WriteTo(sink);
}

}  // namespace movrel
