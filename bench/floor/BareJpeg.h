// The few libjpeg helpers the benchmark's own programs share. These programs deliberately do not
// use the Stampwise core: they are the yardstick it is measured against. A libjpeg error ends the
// program with the library's message; a benchmark has nothing to recover.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace bench {

inline void ExitOnJpegError(j_common_ptr info) {
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    std::fprintf(stderr, "libjpeg: %s\n", message);
    std::exit(3);
}

inline void IgnoreJpegMessage(j_common_ptr, int) {}

inline jpeg_error_mgr* QuietErrors(jpeg_error_mgr& manager) {
    jpeg_std_error(&manager);
    manager.error_exit = ExitOnJpegError;
    manager.emit_message = IgnoreJpegMessage;
    return &manager;
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        std::perror(path.c_str());
        std::exit(3);
    }
    std::uint8_t chunk[1 << 16];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    std::fclose(f);
    return bytes;
}

inline void WriteFile(const std::string& path, const unsigned char* data, unsigned long size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
        std::perror(path.c_str());
        std::exit(3);
    }
}

// The Exif orientation (IFD0 tag 0x0112) of a file whose APP1 segments the decoder kept, 1 when
// there is none or it cannot be read. Bounds-checked and no more: the corpus writes it plainly.
inline int ExifOrientation(const jpeg_decompress_struct& info) {
    for (jpeg_saved_marker_ptr m = info.marker_list; m != nullptr; m = m->next) {
        const std::uint8_t* p = m->data;
        const std::size_t n = m->data_length;
        if (m->marker != JPEG_APP0 + 1 || n < 14 || p[0] != 'E' || p[1] != 'x' || p[2] != 'i' ||
            p[3] != 'f' || p[4] != 0 || p[5] != 0) {
            continue;
        }
        const std::uint8_t* t = p + 6;
        const std::size_t size = n - 6;
        const bool isMotorola = t[0] == 'M';
        const auto u16 = [&](std::size_t at) -> std::uint32_t {
            return isMotorola ? (t[at] << 8 | t[at + 1]) : (t[at + 1] << 8 | t[at]);
        };
        const auto u32 = [&](std::size_t at) { return isMotorola ? (u16(at) << 16 | u16(at + 2))
                                                                 : (u16(at + 2) << 16 | u16(at)); };
        if ((t[0] != 'I' && t[0] != 'M') || t[1] != t[0] || u16(2) != 42) return 1;
        const std::size_t ifd = u32(4);
        if (ifd > size || size - ifd < 2) return 1;
        const std::size_t count = u16(ifd);
        if ((size - ifd - 2) / 12 < count) return 1;
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t e = ifd + 2 + 12 * i;
            if (u16(e) != 0x0112) continue;
            const std::uint32_t value = u16(e + 8);
            return u16(e + 2) == 3 && u32(e + 4) == 1 && value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
        }
        return 1;
    }
    return 1;
}

// Where upright pixel (x, y) of a decoded stored picture of width × height is: the byte offset
// origin + x * xStep + y * yStep into its contiguous RGB rows.
struct UprightWalk {
    std::ptrdiff_t origin, xStep, yStep;
};
inline UprightWalk WalkFor(int orientation, int width, int height) {
    const std::ptrdiff_t px = 3;
    const std::ptrdiff_t row = std::ptrdiff_t{width} * 3;
    const std::ptrdiff_t right = px * (width - 1);
    const std::ptrdiff_t bottom = row * (height - 1);
    switch (orientation) {
        case 2: return {right, -px, row};
        case 3: return {bottom + right, -px, -row};
        case 4: return {bottom, px, -row};
        case 5: return {0, row, px};
        case 6: return {bottom, -row, px};
        case 7: return {bottom + right, -row, -px};
        case 8: return {right, row, -px};
        default: return {0, px, row};
    }
}

// The 300 × 150 logo of the watermark runs: a coloured frame (so trimming keeps it whole), a
// pattern of pure white (see-through) holes, and no colour near white (so the noise filter at its
// default level leaves it as it is).
constexpr int kLogoWidth = 300;
constexpr int kLogoHeight = 150;
inline std::vector<std::uint8_t> MakeLogoRgb() {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kLogoWidth) * kLogoHeight * 3);
    for (int y = 0; y < kLogoHeight; ++y) {
        for (int x = 0; x < kLogoWidth; ++x) {
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kLogoWidth + x) * 3];
            const bool isFrame = x < 4 || y < 4 || x >= kLogoWidth - 4 || y >= kLogoHeight - 4;
            if (!isFrame && (x / 10 + y / 10) % 3 == 0) {
                p[0] = p[1] = p[2] = 255;
            } else {
                p[0] = static_cast<std::uint8_t>(40 + x % 150);
                p[1] = static_cast<std::uint8_t>(60 + y);
                p[2] = static_cast<std::uint8_t>(200 - x / 3);
            }
        }
    }
    return rgb;
}

}  // namespace bench
