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

void CutShort(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    // The first scan's data starts after its start-of-scan segment (FF DA and its length).
    for (std::size_t i = 2; i + 3 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            const std::size_t dataStart = i + 2 + (bytes[i + 2] << 8 | bytes[i + 3]);
            std::filesystem::resize_file(path, dataStart + (bytes.size() - dataStart) / 2);
            return;
        }
    }
    throw std::runtime_error("CutShort: no scan in " + path);
}

}  // namespace stampwise::testing
