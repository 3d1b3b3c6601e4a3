// Speed of the maker's stages on screen-like frames: palette conversion, LZW
// with the writer, and a whole frame from BMP bytes to GIF bytes. Times are
// per frame; bytes per second count the frame's 24-bit pixels.
#include <benchmark/benchmark.h>

#include "gif/byte_sink.h"
#include "gif/gif_maker.h"
#include "gif/gif_writer.h"
#include "gif/lzw_encoder.h"
#include "gif/palette.h"
#include "screen_frames.h"

namespace movrel {
namespace {

void SetSizes(benchmark::State& state, int width, int height) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * width * height * 3);
  state.counters["pixels"] = static_cast<double>(width) * height;
}

void BM_PopularityPalette(benchmark::State& state) {
  int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  WorkingImage source;
  bench::FillScreenLike(&source, width, height);
  for (auto _ : state) {
    FrameImage frame;
    PopularityPalette(source, &frame);
    benchmark::DoNotOptimize(frame.block().data());
  }
  SetSizes(state, width, height);
}

void BM_CubePalette(benchmark::State& state) {
  int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  WorkingImage source;
  bench::FillScreenLike(&source, width, height);
  for (auto _ : state) {
    FrameImage frame;
    CubePalette(source, &frame);
    benchmark::DoNotOptimize(frame.block().data());
  }
  SetSizes(state, width, height);
}

void BM_LzwAndWriter(benchmark::State& state) {
  int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  WorkingImage source;
  bench::FillScreenLike(&source, width, height);
  std::vector<FrameImage> images(1);
  PopularityPalette(source, &images[0]);
  std::vector<FrameRecord> records(1);
  AnimationSettings animation;
  animation.widthPx = static_cast<uint16_t>(width);
  animation.heightPx = static_cast<uint16_t>(height);
  size_t gifBytes = 0;
  for (auto _ : state) {
    CountingSink sink;
    WriteGif(animation, records, images, sink);
    gifBytes = static_cast<size_t>(sink.count());
  }
  SetSizes(state, width, height);
  state.counters["gif_bytes"] = static_cast<double>(gifBytes);
}

void BM_WholeFrameFromBmp(benchmark::State& state) {
  int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  std::string bmp = bench::ScreenLikeBmp(width, height);
  for (auto _ : state) {
    GifMaker maker;
    maker.Create(AnimationSettings());
    if (!maker.AddFrame(FrameRecord(), "", bmp)) state.SkipWithError("AddFrame failed");
    CountingSink sink;
    if (!maker.WriteGif(sink)) state.SkipWithError("WriteGif failed");
    benchmark::DoNotOptimize(sink.count());
  }
  SetSizes(state, width, height);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({500, 500})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_PopularityPalette)->Apply(Sizes);
BENCHMARK(BM_CubePalette)->Apply(Sizes);
BENCHMARK(BM_LzwAndWriter)->Apply(Sizes);
BENCHMARK(BM_WholeFrameFromBmp)->Apply(Sizes);

}  // namespace
}  // namespace movrel

BENCHMARK_MAIN();
