// The resize batch's per-file work on a 12-megapixel photo: decode, scale to 800 pixels wide by
// nearest neighbour, encode at quality 90. It runs once through the project's code (TJPEGImage,
// TBitmap, StretchCopy) and once through a bare libjpeg loop with the same settings and the same
// column table, and prints megapixels of source per second for both. The project's path should
// cost within 10 % of the bare loop: the difference is its bookkeeping, not extra passes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "imaging/Bitmap.h"
#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "imaging/Raster.h"

namespace {

using namespace stampwise;

constexpr int kSourceWidth = 4000;
constexpr int kSourceHeight = 3000;
constexpr int kTargetWidth = 800;
constexpr int kTargetHeight = 600;

// Smooth gradients, texture and noise: compresses like a photo, not like a flat test card.
TBitmap PhotoLike() {
    std::mt19937 random(7);
    TBitmap picture;
    picture.Allocate(kSourceWidth, kSourceHeight);
    for (int y = 0; y < kSourceHeight; ++y) {
        std::uint8_t* row = picture.MutableScanLine(y);
        for (int x = 0; x < kSourceWidth; ++x) {
            const int n = static_cast<int>(random() % 16) - 8;
            const int texture = ((x / 7) ^ (y / 5)) & 31;
            row[3 * x + 0] = static_cast<std::uint8_t>(std::clamp(x * 255 / kSourceWidth + n + texture, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(y * 255 / kSourceHeight + n - texture, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(128 + ((x + y) % 97) + n, 0, 255));
        }
    }
    return picture;
}

std::size_t ProjectPath(const std::vector<std::uint8_t>& file) {
    TJPEGImage source;
    source.ReadFromBytes(file);
    TBitmap decoded;
    decoded.AssignJpeg(source);
    TBitmap scaled;
    scaled.ChangeSize(kTargetWidth, kTargetHeight);
    StretchCopy(scaled, {0, 0, kTargetWidth, kTargetHeight}, decoded);
    return EncodeJpeg(scaled).size();
}

std::size_t BareLibjpegPath(const std::vector<std::uint8_t>& file) {
    jpeg_decompress_struct in;
    jpeg_error_mgr inErrors;
    in.err = jpeg_std_error(&inErrors);
    jpeg_create_decompress(&in);
    jpeg_mem_src(&in, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&in, TRUE);
    in.dct_method = JDCT_FLOAT;
    in.do_block_smoothing = TRUE;
    in.do_fancy_upsampling = TRUE;
    in.out_color_space = JCS_RGB;
    jpeg_start_decompress(&in);
    const int width = static_cast<int>(in.output_width);
    const int height = static_cast<int>(in.output_height);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    std::uint8_t* pixels = static_cast<std::uint8_t*>(std::malloc(stride * height));
    while (in.output_scanline < in.output_height) {
        JSAMPROW row = pixels + in.output_scanline * stride;
        jpeg_read_scanlines(&in, &row, 1);
    }
    jpeg_finish_decompress(&in);
    jpeg_destroy_decompress(&in);

    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(kTargetWidth) * kTargetHeight * 3);
    std::vector<int> columns(kTargetWidth);
    for (int d = 0; d < kTargetWidth; ++d) columns[d] = NearestSourceIndex(d, kTargetWidth, width) * 3;
    for (int y = 0; y < kTargetHeight; ++y) {
        const std::uint8_t* src = pixels + NearestSourceIndex(y, kTargetHeight, height) * stride;
        std::uint8_t* dst = scaled.data() + static_cast<std::size_t>(y) * kTargetWidth * 3;
        for (int x = 0; x < kTargetWidth; ++x) std::memcpy(dst + 3 * x, src + columns[x], 3);
    }
    std::free(pixels);

    jpeg_compress_struct out;
    jpeg_error_mgr outErrors;
    out.err = jpeg_std_error(&outErrors);
    jpeg_create_compress(&out);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&out, &buffer, &size);
    out.image_width = kTargetWidth;
    out.image_height = kTargetHeight;
    out.input_components = 3;
    out.in_color_space = JCS_RGB;
    jpeg_set_defaults(&out);
    jpeg_set_quality(&out, 90, TRUE);
    out.dct_method = JDCT_FLOAT;
    jpeg_start_compress(&out, TRUE);
    while (out.next_scanline < out.image_height) {
        JSAMPROW row = scaled.data() + static_cast<std::size_t>(out.next_scanline) * kTargetWidth * 3;
        jpeg_write_scanlines(&out, &row, 1);
    }
    jpeg_finish_compress(&out);
    jpeg_destroy_compress(&out);
    std::free(buffer);
    return size;
}

template <typename Work>
double BestSeconds(int iterations, Work&& work) {
    double best = 1e30;
    for (int i = 0; i < iterations; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int iterations = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::vector<std::uint8_t> file = EncodeJpeg(PhotoLike());
    const double megapixels = kSourceWidth * kSourceHeight / 1e6;
    std::printf("source %dx%d, %.1f MB JPEG; target %dx%d; best of %d runs\n", kSourceWidth, kSourceHeight,
                file.size() / 1e6, kTargetWidth, kTargetHeight, iterations);

    if (ProjectPath(file) != BareLibjpegPath(file)) {
        std::printf("warning: the two paths give results of different sizes\n");
    }
    // Alternate the two so that frequency scaling and cache state treat them alike.
    double project = 1e30, bare = 1e30;
    for (int i = 0; i < iterations; ++i) {
        project = std::min(project, BestSeconds(1, [&] { ProjectPath(file); }));
        bare = std::min(bare, BestSeconds(1, [&] { BareLibjpegPath(file); }));
    }
    std::printf("project     %7.1f MP/s  (%.3f s)\n", megapixels / project, project);
    std::printf("bare loop   %7.1f MP/s  (%.3f s)\n", megapixels / bare, bare);
    std::printf("project costs %+.1f %% against the bare loop\n", (project / bare - 1) * 100);
    return 0;
}
