// stampwise-corpus: the benchmark's deterministic pictures and its logo.
//
//   stampwise-corpus DIR LOGO   into DIR 40 colour files of 4000 × 3000, 10 of 6000 × 4000, one
//                               progressive and one grayscale file of 4000 × 3000, and one file
//                               stored as 4000 × 3000 with the Exif orientation 6 (a portrait
//                               3000 × 4000 as a phone stores it); the 300 × 150 logo as the BMP
//                               file LOGO
//   stampwise-corpus --small N DIR
//                               N colour files of 640 × 480 (a shop's catalogue, a web gallery)
//                               in folders of 100 under DIR: DIR/000/00000.jpg …
//   stampwise-corpus --colour DIR
//                               one 6000 × 4000 photo twice: DIR/untagged24.jpg, and
//                               DIR/adobergb24.jpg, the same pixels tagged with an Adobe-RGB-like
//                               profile (made with Little CMS from Adobe RGB's published primaries
//                               and gamma), as a camera set to Adobe RGB writes it;
//                               DIR/exifadobergb24.jpg, the same pixels marked as Adobe RGB by
//                               Exif alone (ColorSpace uncalibrated, interoperability index R03);
//                               one grey 6000 × 4000 photo untagged (DIR/grey24.jpg) and tagged
//                               with a grey profile of gamma 1.8 (DIR/greygamma18_24.jpg); and the
//                               logo as DIR/logo.bmp
//
// The pictures imitate photographs where it matters to a codec: smooth shading over large areas,
// edges and texture at several scales, and sensor-like noise, so that the entropy coder and every
// DCT coefficient have real work. They are encoded like camera files (quality 92, 4:2:0). The same
// seed always gives the same bytes.
#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <lcms2.h>

#include "BareJpeg.h"

namespace {

// xorshift: fast, and the same on every machine.
struct Noise {
    std::uint32_t state;
    std::uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

// Per-axis tables make the shading cheap: a pixel is a sum of a few looked-up terms.
std::vector<int> Wave(int length, double period1, double period2, double amplitude, double phase) {
    std::vector<int> table(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) {
        table[i] = static_cast<int>(amplitude * (std::sin(i / period1 + phase) +
                                                 0.4 * std::sin(i / period2 + 2 * phase)));
    }
    return table;
}

std::vector<std::uint8_t> MakePhoto(int width, int height, unsigned seed, bool isGrayscale) {
    const int channels = isGrayscale ? 1 : 3;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * channels);
    const double s = seed * 0.7;
    const std::vector<int> colWave = Wave(width, 310.0 + seed % 50, 37.0, 45, s);
    const std::vector<int> rowWave = Wave(height, 260.0 + seed % 30, 23.0, 40, 1.3 * s);
    const std::vector<int> diagWave = Wave(width + height, 90.0, 11.0, 18, 0.5 * s);
    Noise noise{0x9E3779B9u ^ (seed * 2654435761u)};
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = pixels.data() + static_cast<std::size_t>(y) * width * channels;
        // A few hard edges (horizons, window frames) per picture.
        const int band = ((y + static_cast<int>(seed) * 97) / 700) % 3;
        for (int x = 0; x < width; ++x) {
            const int base = 110 + colWave[x] + rowWave[y] + diagWave[x + y] + band * 25 +
                             (((x + static_cast<int>(seed) * 31) / 900) % 2) * 20;
            const std::uint32_t r = noise.Next();
            const int grain = static_cast<int>(r & 15) - 8;
            if (isGrayscale) {
                *p++ = Clamp(base + grain);
            } else {
                *p++ = Clamp(base + 30 + grain + static_cast<int>((r >> 4) & 3));
                *p++ = Clamp(base + colWave[(x * 3) % width] / 3 + grain);
                *p++ = Clamp(base - 25 + rowWave[(y * 2) % height] / 2 + grain);
            }
        }
    }
    return pixels;
}

// The APP1 block a phone writes for a picture to be turned 90° clockwise: Exif, big-endian TIFF,
// IFD0 with the one orientation entry.
const std::vector<std::uint8_t> kExifTurnClockwise = {
    'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
    0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};

void WriteJpeg(const std::string& path, const std::vector<std::uint8_t>& pixels, int width, int height,
               bool isGrayscale, bool isProgressive, const std::vector<std::uint8_t>& exif = {},
               const std::vector<std::uint8_t>& icc = {}) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = bench::QuietErrors(errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = isGrayscale ? 1 : 3;
    info.in_color_space = isGrayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 92, TRUE);
    if (isProgressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    if (!exif.empty()) {
        jpeg_write_marker(&info, JPEG_APP0 + 1, exif.data(), static_cast<unsigned int>(exif.size()));
    }
    if (!icc.empty()) jpeg_write_icc_profile(&info, icc.data(), static_cast<unsigned int>(icc.size()));
    const int rowBytes = width * info.input_components;
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + static_cast<std::size_t>(info.next_scanline) * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bench::WriteFile(path, buffer, size);
    std::free(buffer);
}

// 24-bit BMP, rows bottom-up in blue-green-red order, each padded to four bytes.
void WriteBmp(const std::string& path, const std::vector<std::uint8_t>& rgb, int width, int height) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(rowBytes) * height;
    std::vector<std::uint8_t> file(54 + dataBytes, 0);
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, static_cast<std::uint32_t>(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    file[26] = 1;   // planes
    file[28] = 24;  // bits per pixel
    put32(34, dataBytes);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = &file[54 + static_cast<std::size_t>(height - 1 - y) * rowBytes];
        const std::uint8_t* in = &rgb[static_cast<std::size_t>(y) * width * 3];
        for (int x = 0; x < width; ++x) {
            out[3 * x] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x];
        }
    }
    bench::WriteFile(path, file.data(), static_cast<unsigned long>(file.size()));
}

// The profile's bytes as lcms writes them; the profile is closed.
std::vector<std::uint8_t> Saved(cmsHPROFILE profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

// Adobe RGB (1998) as the format publishes it: D65 white, its primaries, gamma 563/256.
std::vector<std::uint8_t> AdobeRgbLikeProfile() {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(gamma);
    cmsSetProfileVersion(profile, 2.1);
    return Saved(profile);
}

// A grey profile of gamma 1.8 and D50 white, as scanners and older Mac software write them.
std::vector<std::uint8_t> Gamma18GreyProfile() {
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 1.8);
    cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
    cmsFreeToneCurve(gamma);
    return Saved(profile);
}

// The APP1 block of a camera in Adobe RGB mode: little-endian TIFF, IFD0 pointing to the Exif IFD
// (at 26), whose ColorSpace is 0xFFFF and whose interoperability pointer leads to the IFD at 56
// with the index "R03".
const std::vector<std::uint8_t> kExifAdobeRgb = {
    'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
    1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0, 0, 0, 0,
    2, 0, 0x01, 0xA0, 3, 0, 1, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0x05, 0xA0, 4, 0, 1, 0, 0, 0, 56, 0, 0, 0,
    0, 0, 0, 0,
    1, 0, 0x01, 0x00, 2, 0, 4, 0, 0, 0, 'R', '0', '3', 0, 0, 0, 0, 0};

}  // namespace

int MakeColourFiles(const std::string& dir) {
    WriteBmp(dir + "/logo.bmp", bench::MakeLogoRgb(), bench::kLogoWidth, bench::kLogoHeight);
    const std::vector<std::uint8_t> pixels = MakePhoto(6000, 4000, 24, false);
    WriteJpeg(dir + "/untagged24.jpg", pixels, 6000, 4000, false, false);
    WriteJpeg(dir + "/adobergb24.jpg", pixels, 6000, 4000, false, false, {}, AdobeRgbLikeProfile());
    WriteJpeg(dir + "/exifadobergb24.jpg", pixels, 6000, 4000, false, false, kExifAdobeRgb);
    const std::vector<std::uint8_t> greys = MakePhoto(6000, 4000, 24, true);
    WriteJpeg(dir + "/grey24.jpg", greys, 6000, 4000, true, false);
    WriteJpeg(dir + "/greygamma18_24.jpg", greys, 6000, 4000, true, false, {}, Gamma18GreyProfile());
    return 0;
}

int MakeSmallFiles(int count, const std::string& dir) {
    char name[64];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/%03d", i / 100);
        const std::string folder = dir + name;
        if (i % 100 == 0 && mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
            std::perror(folder.c_str());
            return 1;
        }
        std::snprintf(name, sizeof name, "/%05d.jpg", i);
        WriteJpeg(folder + name, MakePhoto(640, 480, 1000 + static_cast<unsigned>(i), false), 640, 480,
                  false, false);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--small") return MakeSmallFiles(std::atoi(argv[2]), argv[3]);
    if (argc == 3 && std::string(argv[1]) == "--colour") return MakeColourFiles(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: stampwise-corpus DIR LOGO\n       stampwise-corpus --small N DIR\n"
                             "       stampwise-corpus --colour DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    WriteBmp(argv[2], bench::MakeLogoRgb(), bench::kLogoWidth, bench::kLogoHeight);
    unsigned seed = 1;
    const auto make = [&](const std::string& name, int w, int h, bool gray, bool progressive) {
        WriteJpeg(dir + "/" + name, MakePhoto(w, h, seed, gray), w, h, gray, progressive);
        ++seed;
    };
    char name[64];
    for (int i = 1; i <= 40; ++i) {
        std::snprintf(name, sizeof name, "photo12_%02d.jpg", i);
        make(name, 4000, 3000, false, false);
    }
    for (int i = 1; i <= 10; ++i) {
        std::snprintf(name, sizeof name, "photo24_%02d.jpg", i);
        make(name, 6000, 4000, false, false);
    }
    make("progressive12.jpg", 4000, 3000, false, true);
    make("grayscale12.jpg", 4000, 3000, true, false);
    WriteJpeg(dir + "/portrait12.jpg", MakePhoto(4000, 3000, seed, false), 4000, 3000, false, false,
              kExifTurnClockwise);
    return 0;
}
