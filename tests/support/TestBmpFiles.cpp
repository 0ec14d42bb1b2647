#include "support/TestBmpFiles.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace stampwise::testing {

namespace {

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

}  // namespace

void WriteTestBmp(const std::string& path, const TBitmap& picture) {
    const std::uint32_t width = static_cast<std::uint32_t>(picture.Width());
    const std::uint32_t height = static_cast<std::uint32_t>(picture.Height());
    const std::uint32_t rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t pixelOffset = 14 + 40;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, pixelOffset + rowBytes * height);
    PutU32(out, 0);
    PutU32(out, pixelOffset);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height);
    PutU16(out, 1);   // planes
    PutU16(out, 24);  // bits per pixel
    PutU32(out, 0);   // no compression
    PutU32(out, rowBytes * height);
    PutU32(out, 2835);
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = picture.Height() - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < picture.Width(); ++x) {
            const ColorValue c = picture.PixelAt(x, y);
            out.push_back(static_cast<std::uint8_t>(BlueOf(c)));
            out.push_back(static_cast<std::uint8_t>(GreenOf(c)));
            out.push_back(static_cast<std::uint8_t>(RedOf(c)));
        }
        out.resize(rowStart + rowBytes, 0);
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    if (!file) throw std::runtime_error("cannot write " + path);
}

}  // namespace stampwise::testing
