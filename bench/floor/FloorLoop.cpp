// stampwise-floor: the codec floor of the two batch jobs. The same work as stampwise-batch (full
// decode with the same settings, nearest-neighbour scale or the logo blend, encode with the same
// settings) written as the barest libjpeg loop: rows stream from the decoder, the resize keeps only
// the rows it samples, the watermark blends each row and hands it straight to the encoder. No
// picture is ever held whole, nothing is checked beyond what libjpeg checks. A file with an Exif
// orientation is the exception: it is decoded whole as stored and read upright from there, since
// its upright rows may be stored columns.
//
//   stampwise-floor resize WIDTH THREADS OUTDIR FILE...
//   stampwise-floor watermark THREADS OUTDIR FILE...   (the 300 × 150 logo at top-left and
//                                                      bottom-right, margin 10, opacity 100)
//
// Its results are byte-identical to stampwise-batch's for the same job; bench/run checks that.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BareJpeg.h"

namespace {

constexpr int kRowsPerCall = 16;
constexpr int kMarginPx = 10;
constexpr int kOpacity = 100;
constexpr std::uint32_t kSeeThroughFrom = 0x00FFFFCD;

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// round(n / d), halves to even, for positive d.
std::int64_t DivideRoundHalfEven(std::int64_t n, std::int64_t d) {
    std::int64_t q = n / d;
    const std::int64_t r = n % d;
    if (2 * r > d || (2 * r == d && q % 2 != 0)) ++q;
    return q;
}

// The decoder with the settings every Stampwise picture is read with.
struct Decoder {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    bool isGrayscale = false;
    int orientation = 1;
    std::vector<std::uint8_t> indexRows;  // grayscale: colour-map indices before widening

    Decoder(const std::vector<std::uint8_t>& bytes) {
        info.err = bench::QuietErrors(errors);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_save_markers(&info, JPEG_APP0 + 1, 0xFFFF);
        jpeg_read_header(&info, TRUE);
        orientation = bench::ExifOrientation(info);
        isGrayscale = info.jpeg_color_space == JCS_GRAYSCALE;
        info.dct_method = JDCT_FLOAT;
        info.do_fancy_upsampling = TRUE;
        info.do_block_smoothing = TRUE;
        if (isGrayscale) {
            info.out_color_space = JCS_GRAYSCALE;
            info.quantize_colors = TRUE;
            info.desired_number_of_colors = 236;
            info.two_pass_quantize = FALSE;
            info.dither_mode = JDITHER_FS;
        } else {
            info.out_color_space = JCS_RGB;
        }
        jpeg_start_decompress(&info);
        if (isGrayscale) indexRows.resize(static_cast<std::size_t>(info.output_width) * kRowsPerCall);
    }
    ~Decoder() { jpeg_destroy_decompress(&info); }

    // As stored.
    int Width() const { return static_cast<int>(info.output_width); }
    int Height() const { return static_cast<int>(info.output_height); }
    bool SwapsSides() const { return orientation >= 5; }
    int UprightWidth() const { return SwapsSides() ? Height() : Width(); }
    int UprightHeight() const { return SwapsSides() ? Width() : Height(); }

    // Up to kRowsPerCall RGB rows into rows[]; returns how many.
    int Read(std::uint8_t* const* rows) {
        const int first = static_cast<int>(info.output_scanline);
        const int count = std::min(kRowsPerCall, Height() - first);
        if (!isGrayscale) {
            JSAMPROW out[kRowsPerCall];
            for (int i = 0; i < count; ++i) out[i] = rows[i];
            return static_cast<int>(jpeg_read_scanlines(&info, out, static_cast<JDIMENSION>(count)));
        }
        JSAMPROW out[kRowsPerCall];
        for (int i = 0; i < count; ++i) out[i] = indexRows.data() + static_cast<std::size_t>(i) * Width();
        const int got = static_cast<int>(jpeg_read_scanlines(&info, out, static_cast<JDIMENSION>(count)));
        const JSAMPLE* greys = info.colormap[0];
        for (int i = 0; i < got; ++i) {
            std::uint8_t* p = rows[i];
            for (int x = 0; x < Width(); ++x, p += 3) p[0] = p[1] = p[2] = greys[out[i][x]];
        }
        return got;
    }

    // Every row, as stored.
    std::vector<std::uint8_t> ReadAll() {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(Width()) * Height() * 3);
        while (static_cast<int>(info.output_scanline) < Height()) {
            std::uint8_t* rows[kRowsPerCall];
            const int first = static_cast<int>(info.output_scanline);
            for (int i = 0; i < kRowsPerCall; ++i) {
                rows[i] = pixels.data() + static_cast<std::size_t>(std::min(first + i, Height() - 1)) * Width() * 3;
            }
            Read(rows);
        }
        return pixels;
    }
};

// The encoder with the settings every Stampwise result is written with.
struct Encoder {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;

    Encoder(int width, int height) {
        info.err = bench::QuietErrors(errors);
        jpeg_create_compress(&info);
        jpeg_mem_dest(&info, &buffer, &size);
        info.image_width = static_cast<JDIMENSION>(width);
        info.image_height = static_cast<JDIMENSION>(height);
        info.input_components = 3;
        info.in_color_space = JCS_RGB;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        info.dct_method = JDCT_FLOAT;
        jpeg_start_compress(&info, TRUE);
    }
    ~Encoder() {
        jpeg_destroy_compress(&info);
        std::free(buffer);
    }
    void Write(std::uint8_t* const* rows, int count) {
        JSAMPROW in[kRowsPerCall];
        for (int i = 0; i < count; ++i) in[i] = rows[i];
        jpeg_write_scanlines(&info, in, static_cast<JDIMENSION>(count));
    }
    void Finish(const std::string& path) {
        jpeg_finish_compress(&info);
        bench::WriteFile(path, buffer, size);
    }
};

void ResizeOne(const std::string& source, const std::string& target, int wantedWidth) {
    const std::vector<std::uint8_t> bytes = bench::ReadFile(source);
    Decoder d(bytes);
    const int W = d.UprightWidth();
    const int H = d.UprightHeight();
    int w = W;
    int h = H;
    if (W > wantedWidth) {
        w = wantedWidth;
        h = static_cast<int>(DivideRoundHalfEven(std::int64_t{H} * wantedWidth, W));
    }
    std::vector<int> sourceColumn(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x) {
        sourceColumn[x] = static_cast<int>((2 * std::int64_t{x} + 1) * W / (2 * std::int64_t{w}));
    }
    std::vector<std::uint8_t> result(static_cast<std::size_t>(w) * h * 3);
    std::vector<std::uint8_t> rowStore(static_cast<std::size_t>(W) * 3 * kRowsPerCall);
    std::uint8_t* rows[kRowsPerCall];
    for (int i = 0; i < kRowsPerCall; ++i) rows[i] = rowStore.data() + static_cast<std::size_t>(i) * W * 3;

    int outRow = 0;
    if (d.orientation != 1) {
        const std::vector<std::uint8_t> stored = d.ReadAll();
        const bench::UprightWalk walk = bench::WalkFor(d.orientation, d.Width(), d.Height());
        for (; outRow < h; ++outRow) {
            const int sy = static_cast<int>((2 * std::int64_t{outRow} + 1) * H / (2 * std::int64_t{h}));
            const std::uint8_t* in = stored.data() + walk.origin + sy * walk.yStep;
            std::uint8_t* out = result.data() + static_cast<std::size_t>(outRow) * w * 3;
            for (int x = 0; x < w; ++x, out += 3) {
                const std::uint8_t* p = in + sourceColumn[x] * walk.xStep;
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            }
        }
    }
    while (d.orientation == 1 && static_cast<int>(d.info.output_scanline) < H) {
        const int first = static_cast<int>(d.info.output_scanline);
        const int got = d.Read(rows);
        // Every result row whose sampled source row came in with this call.
        for (; outRow < h; ++outRow) {
            const int sy = static_cast<int>((2 * std::int64_t{outRow} + 1) * H / (2 * std::int64_t{h}));
            if (sy >= first + got) break;
            const std::uint8_t* in = rows[sy - first];
            std::uint8_t* out = result.data() + static_cast<std::size_t>(outRow) * w * 3;
            for (int x = 0; x < w; ++x, out += 3) {
                const std::uint8_t* p = in + 3 * sourceColumn[x];
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            }
        }
    }

    Encoder e(w, h);
    for (int y = 0; y < h; y += kRowsPerCall) {
        std::uint8_t* block[kRowsPerCall];
        const int count = std::min(kRowsPerCall, h - y);
        for (int i = 0; i < count; ++i) block[i] = result.data() + static_cast<std::size_t>(y + i) * w * 3;
        e.Write(block, count);
    }
    e.Finish(target);
}

struct Stamp {
    int left, top;
};

void BlendRow(std::uint8_t* row, int width, int y, const Stamp& s, const std::vector<std::uint8_t>& logo) {
    const int ly = y - s.top;
    if (ly < 0 || ly >= bench::kLogoHeight) return;
    const int x0 = std::max(s.left, 0);
    const int x1 = std::min(s.left + bench::kLogoWidth, width);
    constexpr int a = kOpacity;
    constexpr int b = 255 - kOpacity;
    std::uint8_t* p = row + 3 * x0;
    const std::uint8_t* l = logo.data() + (static_cast<std::size_t>(ly) * bench::kLogoWidth + (x0 - s.left)) * 3;
    for (int x = x0; x < x1; ++x, p += 3, l += 3) {
        const std::uint32_t packed = l[0] | (std::uint32_t{l[1]} << 8) | (std::uint32_t{l[2]} << 16);
        if (packed >= kSeeThroughFrom) continue;
        p[0] = static_cast<std::uint8_t>((b * p[0] + a * l[0]) / 255);
        p[1] = static_cast<std::uint8_t>((b * p[1] + a * l[1]) / 255);
        p[2] = static_cast<std::uint8_t>((b * p[2] + a * l[2]) / 255);
    }
}

void WatermarkOne(const std::string& source, const std::string& target,
                  const std::vector<std::uint8_t>& logo) {
    const std::vector<std::uint8_t> bytes = bench::ReadFile(source);
    Decoder d(bytes);
    const int W = d.UprightWidth();
    const int H = d.UprightHeight();
    // Top-left first, then bottom-right: the order the stamps pile up in.
    const Stamp stamps[] = {
        {kMarginPx, kMarginPx},
        {W - bench::kLogoWidth - kMarginPx, H - bench::kLogoHeight - kMarginPx},
    };
    std::vector<std::uint8_t> rowStore(static_cast<std::size_t>(W) * 3 * kRowsPerCall);
    std::uint8_t* rows[kRowsPerCall];
    for (int i = 0; i < kRowsPerCall; ++i) rows[i] = rowStore.data() + static_cast<std::size_t>(i) * W * 3;

    Encoder e(W, H);
    if (d.orientation != 1) {
        const std::vector<std::uint8_t> stored = d.ReadAll();
        const bench::UprightWalk walk = bench::WalkFor(d.orientation, d.Width(), d.Height());
        for (int first = 0; first < H; first += kRowsPerCall) {
            const int got = std::min(kRowsPerCall, H - first);
            for (int i = 0; i < got; ++i) {
                const std::ptrdiff_t start = walk.origin + (first + i) * walk.yStep;
                std::uint8_t* out = rows[i];
                for (int x = 0; x < W; ++x, out += 3) {
                    const std::uint8_t* in = stored.data() + start + x * walk.xStep;
                    out[0] = in[0];
                    out[1] = in[1];
                    out[2] = in[2];
                }
                for (const Stamp& s : stamps) BlendRow(rows[i], W, first + i, s, logo);
            }
            e.Write(rows, got);
        }
        e.Finish(target);
        return;
    }
    while (static_cast<int>(d.info.output_scanline) < H) {
        const int first = static_cast<int>(d.info.output_scanline);
        const int got = d.Read(rows);
        for (int i = 0; i < got; ++i) {
            for (const Stamp& s : stamps) BlendRow(rows[i], W, first + i, s, logo);
        }
        e.Write(rows, got);
    }
    e.Finish(target);
}

int Usage() {
    std::fprintf(stderr,
                 "usage: stampwise-floor resize WIDTH THREADS OUTDIR FILE...\n"
                 "       stampwise-floor watermark THREADS OUTDIR FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string job = argv[1];
    int next = 2;
    int width = 0;
    if (job == "resize") {
        if (argc < 6) return Usage();
        width = std::atoi(argv[next++]);
    } else if (job == "watermark") {
        if (argc < 5) return Usage();
    } else {
        return Usage();
    }
    const int threads = std::max(1, std::atoi(argv[next++]));
    const std::string outDir = argv[next++];
    const std::vector<std::string> files(argv + next, argv + argc);
    const std::vector<std::uint8_t> logo = bench::MakeLogoRgb();

    std::atomic<std::size_t> nextFile{0};
    const auto work = [&] {
        for (std::size_t i; (i = nextFile++) < files.size();) {
            const std::string target = outDir + "/" + BaseName(files[i]);
            if (job == "resize") {
                ResizeOne(files[i], target, width);
            } else {
                WatermarkOne(files[i], target, logo);
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    return 0;
}
