#include "support/ReferenceCodec.h"

#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace stampwise::testing {

int RunCommand(const std::string& commandLine) {
    const int status = std::system((commandLine + " 2>/dev/null").c_str());
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

bool HasTool(const std::string& name) { return RunCommand("command -v " + ShellQuoted(name) + " >/dev/null") == 0; }

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WritePpm(const std::string& path, const TBitmap& picture) {
    std::string header = "P6\n" + std::to_string(picture.Width()) + " " + std::to_string(picture.Height()) + "\n255\n";
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    for (int y = 0; y < picture.Height(); ++y) {
        const std::uint8_t* row = picture.ScanLine(y);
        bytes.insert(bytes.end(), row, row + picture.RowBytes());
    }
    WriteBytes(path, bytes);
}

namespace {

// Reads one header number of a PNM file, skipping white space and comments.
int PnmNumber(const std::vector<std::uint8_t>& bytes, std::size_t& at) {
    for (;;) {
        while (at < bytes.size() && std::isspace(bytes[at])) ++at;
        if (at < bytes.size() && bytes[at] == '#') {
            while (at < bytes.size() && bytes[at] != '\n') ++at;
            continue;
        }
        break;
    }
    int value = 0;
    const std::size_t start = at;
    while (at < bytes.size() && std::isdigit(bytes[at])) value = value * 10 + (bytes[at++] - '0');
    if (at == start) throw std::runtime_error("bad PNM header");
    return value;
}

}  // namespace

TBitmap ReadPnm(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '6' && bytes[1] != '5')) {
        throw std::runtime_error("not a binary PPM/PGM: " + path);
    }
    const bool isGrey = bytes[1] == '5';
    std::size_t at = 2;
    const int width = PnmNumber(bytes, at);
    const int height = PnmNumber(bytes, at);
    const int maxValue = PnmNumber(bytes, at);
    ++at;  // the single white-space byte before the samples
    if (maxValue != 255) throw std::runtime_error("PNM maxval is not 255");
    const std::size_t channels = isGrey ? 1 : 3;
    if (bytes.size() - at < channels * width * height) throw std::runtime_error("short PNM file");
    TBitmap picture;
    picture.Allocate(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = picture.MutableScanLine(y);
        const std::uint8_t* in = bytes.data() + at + channels * width * y;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) out[3 * x + c] = in[channels * x + (isGrey ? 0 : c)];
        }
    }
    return picture;
}

TBitmap DjpegDecode(const std::string& jpegPath, bool grayscale236, const std::string& scratchFolder) {
    const std::string out = scratchFolder + "/djpeg-output.pnm";
    const std::string command = std::string("djpeg -dct float ") + (grayscale236 ? "-colors 236 " : "") +
                                "-pnm -outfile " + ShellQuoted(out) + " " + ShellQuoted(jpegPath);
    // djpeg exits with 2 after warnings (a truncated file) but still writes the picture.
    const int status = RunCommand(command);
    if (status != 0 && status != 2) throw std::runtime_error("djpeg failed: " + command);
    return ReadPnm(out);
}

std::vector<std::uint8_t> CjpegEncode(const TBitmap& picture, const std::string& scratchFolder) {
    const std::string in = scratchFolder + "/cjpeg-input.ppm";
    const std::string out = scratchFolder + "/cjpeg-output.jpg";
    WritePpm(in, picture);
    const std::string command = "cjpeg -quality 90 -baseline -dct float -outfile " + ShellQuoted(out) + " " +
                                ShellQuoted(in);
    if (RunCommand(command) != 0) throw std::runtime_error("cjpeg failed: " + command);
    return ReadBytes(out);
}

TBitmap MakePhotoLike(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    TBitmap picture;
    picture.Allocate(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.MutableScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int stripes = ((x / 3 + y / 5) % 2) * 40;
            const int r = 255 * x / std::max(1, width - 1) + noise(random);
            const int g = 255 * y / std::max(1, height - 1) - stripes + noise(random);
            const int b = 128 + stripes + ((x * y) % 37) + noise(random);
            row[3 * x + 0] = static_cast<std::uint8_t>(std::clamp(r, 0, 255));
            row[3 * x + 1] = static_cast<std::uint8_t>(std::clamp(g, 0, 255));
            row[3 * x + 2] = static_cast<std::uint8_t>(std::clamp(b, 0, 255));
        }
    }
    return picture;
}

long long FirstDifference(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return 0;
    for (int y = 0; y < a.Height(); ++y) {
        const std::uint8_t* p = a.ScanLine(y);
        const std::uint8_t* q = b.ScanLine(y);
        if (std::memcmp(p, q, a.RowBytes()) != 0) {
            for (int x = 0; x < a.Width(); ++x) {
                if (std::memcmp(p + 3 * x, q + 3 * x, 3) != 0) return static_cast<long long>(y) * a.Width() + x;
            }
        }
    }
    return -1;
}

}  // namespace stampwise::testing

#include <jpeglib.h>

namespace stampwise::testing {

std::vector<std::uint8_t> EncodeWithLibjpeg(const TBitmap& picture, bool isProgressive, bool isGrayscale) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(picture.Width());
    info.image_height = static_cast<JDIMENSION>(picture.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (isGrayscale) jpeg_set_colorspace(&info, JCS_GRAYSCALE);
    if (isProgressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPROW>(picture.ScanLine(static_cast<int>(info.next_scanline)))};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

std::vector<int> JpegMarkersBeforeScan(const std::vector<std::uint8_t>& bytes) {
    std::vector<int> markers;
    std::size_t at = 0;
    while (at + 1 < bytes.size()) {
        if (bytes[at] != 0xFF) break;
        const int marker = bytes[at + 1];
        markers.push_back(marker);
        if (marker == 0xD8) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || at + 3 >= bytes.size()) break;
        at += 2 + ((bytes[at + 2] << 8) | bytes[at + 3]);
    }
    return markers;
}

int JpegFrameComponents(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 2;
    while (at + 9 < bytes.size() && bytes[at] == 0xFF) {
        const int marker = bytes[at + 1];
        if (marker >= 0xC0 && marker <= 0xC2) return bytes[at + 9];
        if (marker == 0xDA) break;
        at += 2 + ((bytes[at + 2] << 8) | bytes[at + 3]);
    }
    return -1;
}

}  // namespace stampwise::testing
