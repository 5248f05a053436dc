// Decoding a 2048 x 2048 picture: the engine's BMP and PNG readers beside libpng's own simple API and
// ImageMagick's convert, in the same run.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gfx2d/bmp_reader.h"
#include "gfx2d/png_reader.h"

namespace {

constexpr int kSide = 2048;

std::string Dir() {
    const char* dir = std::getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The test picture, made once by ImageMagick in both formats.
const std::string& Picture(const char* extension) {
    static const std::string base = Dir() + "/tarvok-bench-2048";
    static const bool made = [] {
        const std::string size = std::to_string(kSide) + "x" + std::to_string(kSide);
        const std::string make = "convert -size " + size + " plasma:fractal -seed 7 '" + base + ".png' && convert '" +
                                 base + ".png' -type TrueColor BMP3:'" + base + ".bmp'";
        return std::system(make.c_str()) == 0;
    }();
    static std::string png = base + ".png", bmp = base + ".bmp";
    (void)made;
    return std::string(extension) == "png" ? png : bmp;
}

void BM_EngineBmp(benchmark::State& state) {
    const auto bytes = ReadAll(Picture("bmp"));
    tarvok::ImageBuffer image;
    for (auto _ : state) {
        if (!tarvok::ReadBmp(bytes, image, 0x8000FF)) state.SkipWithError("BMP not read");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_EngineBmp)->Unit(benchmark::kMillisecond);

void BM_EnginePng(benchmark::State& state) {
    const auto bytes = ReadAll(Picture("png"));
    tarvok::ImageBuffer image;
    for (auto _ : state) {
        if (!tarvok::ReadPng(bytes, "bench", image, 0x8000FF)) state.SkipWithError("PNG not read");
        benchmark::DoNotOptimize(image.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_EnginePng)->Unit(benchmark::kMillisecond);

void BM_LibpngSimpleApi(benchmark::State& state) {
    const auto bytes = ReadAll(Picture("png"));
    std::vector<std::uint8_t> out;
    for (auto _ : state) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) state.SkipWithError("begin");
        image.format = PNG_FORMAT_RGBA;
        out.resize(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, out.data(), 0, nullptr)) state.SkipWithError("finish");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_LibpngSimpleApi)->Unit(benchmark::kMillisecond);

// ImageMagick as a separate process (includes its start-up), writing raw RGBA; timed by the clock, as
// the work happens outside this process.
void ConvertToRgba(benchmark::State& state, const char* extension) {
    const std::string command = "convert '" + Picture(extension) + "' -depth 8 rgba:'" + Dir() + "/tarvok-bench.rgba'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) state.SkipWithError("convert failed");
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
void BM_ImageMagickBmp(benchmark::State& state) { ConvertToRgba(state, "bmp"); }
void BM_ImageMagickPng(benchmark::State& state) { ConvertToRgba(state, "png"); }
BENCHMARK(BM_ImageMagickBmp)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_ImageMagickPng)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
