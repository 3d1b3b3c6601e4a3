#include "gif/gif_writer.h"

#include "common/byte_order.h"
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
  Block& Word(unsigned w) {
    AppendLe16(&bytes_, w);
    return *this;
  }
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

void ClassicGifStream::Begin(const AnimationSettings& animation, ByteSink& sink) {
  animation_ = animation;
  sink_ = &sink;
  first_ = FrameImage();
  firstRecord_ = FrameRecord();
  frames_ = 0;
}

void ClassicGifStream::WriteHead(const FrameImage& first) {
  unsigned bits = TableSizeBits(first);
  Block block;
  // Header, logical screen (global table present, colour resolution and
  // table size from the first frame, background 0, no aspect ratio) and the
  // first frame's colours as the global table.
  block.Text("GIF89a").Word(animation_.widthPx).Word(animation_.heightPx).Byte(0x80 | bits << 4 | bits).Byte(0).Byte(0);
  block.ColorTable(first);
  block.WriteTo(*sink_);
}

void ClassicGifStream::WriteAnimated(const FrameRecord& record, const FrameImage& image) {
  Block block;
  const unsigned interlaceBit = animation_.interlace ? 0x40 : 0x00;
  unsigned packed = (record.disposalMethod & 7u) << 2 | (record.transparent ? 1u : 0u);
  // Graphic control: the transparent colour is always index 0.
  block.Byte(0x21).Byte(0xF9).Byte(0x04).Byte(packed).Word(record.delayCs).Byte(0).Byte(0x00);
  block.Comment(CommentBytes(record.comment));
  block.Byte(0x2C).Word(record.leftPx).Word(record.topPx).Word(static_cast<unsigned>(image.width()));
  block.Word(static_cast<unsigned>(image.height())).Byte(0x80 | interlaceBit | TableSizeBits(image));
  block.WriteTo(*sink_);
  block.ColorTable(image);
  block.WriteTo(*sink_);
  WriteImageData(image, animation_.interlace, *sink_);
}

void ClassicGifStream::AddFrame(const FrameRecord& record, const FrameImage& image) {
  if (frames_ == 0) {
    // Whether the file is a still picture or an animation is only known
    // with the second frame, so the first one waits.
    if (animation_.widthPx == 0) animation_.widthPx = static_cast<uint16_t>(image.width());
    if (animation_.heightPx == 0) animation_.heightPx = static_cast<uint16_t>(image.height());
    firstRecord_ = record;
    first_ = image;
  } else {
    if (frames_ == 1) {
      WriteHead(first_);
      if (animation_.loop) {
        Block block;
        block.Byte(0x21).Byte(0xFF).Byte(0x0B).Text("NETSCAPE").Text("2.0");
        block.Byte(0x03).Byte(0x01).Word(animation_.loopCount).Byte(0x00);
        block.WriteTo(*sink_);
      }
      WriteAnimated(firstRecord_, first_);
      first_ = FrameImage();
    }
    WriteAnimated(record, image);
  }
  ++frames_;
}

void ClassicGifStream::Finish() {
  Block block;
  if (frames_ == 1) {
    // A still picture: no control block, no offsets; the global table serves.
    WriteHead(first_);
    const unsigned interlaceBit = animation_.interlace ? 0x40 : 0x00;
    block.Byte(0x2C).Word(0).Word(0).Word(static_cast<unsigned>(first_.width()));
    block.Word(static_cast<unsigned>(first_.height())).Byte(interlaceBit | TableSizeBits(first_));
    block.WriteTo(*sink_);
    WriteImageData(first_, animation_.interlace, *sink_);
    first_ = FrameImage();
  }
  block.Comment(CommentBytes(animation_.comment));
  block.Byte(0x3B);
  block.WriteTo(*sink_);
}

void WriteGif(const AnimationSettings& animation, const std::vector<FrameRecord>& records,
              const std::vector<FrameImage>& images, ByteSink& sink) {
  ClassicGifStream stream;
  stream.Begin(animation, sink);
  for (size_t i = 0; i < images.size(); ++i) stream.AddFrame(records[i], images[i]);
  stream.Finish();
}

}  // namespace movrel
