// The few libjpeg helpers the benchmark's own programs share. These programs deliberately do not
// use the Stampwise core: they are the yardstick it is measured against. A libjpeg error ends the
// program with the library's message; a benchmark has nothing to recover.
#pragma once

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
