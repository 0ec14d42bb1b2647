#include "support/TestJpegFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

#include "imaging/JpegImage.h"

namespace stampwise::testing {

void WriteTestJpeg(const std::string& path, int width, int height) {
    TBitmap picture;
    picture.ChangeSize(width, height);
    const int half = width / 2;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.MutableScanLine(y);
        for (int x = 0; x < width; ++x) {
            const ColorValue c = x < half ? kTestLeftColor : kTestRightColor;
            row[3 * x] = static_cast<std::uint8_t>(RedOf(c));
            row[3 * x + 1] = static_cast<std::uint8_t>(GreenOf(c));
            row[3 * x + 2] = static_cast<std::uint8_t>(BlueOf(c));
        }
    }
    TJPEGImage jpeg;
    jpeg.AssignBitmap(picture);
    jpeg.WriteToFile(path);
}

PictureSize JpegFileSize(const std::string& path) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(path);
    return {jpeg.Width(), jpeg.Height()};
}

TBitmap DecodeJpegFile(const std::string& path) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(path);
    TBitmap bitmap;
    bitmap.AssignJpeg(jpeg);
    return bitmap;
}

bool ColorsClose(ColorValue a, ColorValue b, int tolerance) {
    return std::abs(RedOf(a) - RedOf(b)) <= tolerance &&
           std::abs(GreenOf(a) - GreenOf(b)) <= tolerance &&
           std::abs(BlueOf(a) - BlueOf(b)) <= tolerance;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

}  // namespace stampwise::testing
