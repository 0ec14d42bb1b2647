// Writes the fuzzers' seed corpus: one small file of every layout each reader knows, so that the
// search starts from every branch instead of having to find "BM" or a Huffman table by itself.
//   stampwise-fuzz-seeds DIR     writes DIR/jpeg/*.jpg and DIR/bmp/*.bmp
// JPEG: 4:2:0, 4:2:2, 4:4:4, 4:1:1, progressive, grey (baseline and progressive), restart markers,
// arithmetic coding, optimized tables, CMYK (with and without Adobe's marker) and YCCK, an RGB
// file tagged with a wide-gamut ICC profile in two chunks, a cut-short file; Exif blocks in both
// byte orders with every orientation, broken Exif blocks, a capture date in an Exif IFD, the credit
// in XMP packets and in IPTC records, and small display profiles in one or two segments. BMP: 1, 4, 8, 16, 24 and
// 32 bits, RLE4 and RLE8 (with a run into the row's padding), bit fields, core, V4 and V5 headers,
// top-down rows.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <lcms2.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

void Write(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}

// Shading with detail, so every coefficient and the chroma matter; odd sizes give partial blocks.
std::uint8_t Sample(int x, int y, int c) {
    return static_cast<std::uint8_t>((x * (3 + c) + y * (5 - c) + ((x * y) ^ (c * 37))) & 0xFF);
}

struct JpegLayout {
    std::string name;
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    int lumaH = 2;
    int lumaV = 2;
    bool isProgressive = false;
    bool hasRestarts = false;
    bool isArithmetic = false;
    bool isOptimized = false;
    bool hasAdobeMarker = true;  // libjpeg's default; only four-component files write it
    bool hasProfile = false;
};

// An application segment written right after the JFIF header: marker code and payload.
struct Segment {
    int marker = JPEG_APP0 + 1;
    Bytes payload;
};

// Display P3's primaries with the sRGB curve: a profile the decoder converts from.
Bytes WideGamutProfile() {
    const cmsCIExyY d65 = {0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}};
    const cmsFloat64Number parameters[5] = {2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE profile = cmsCreateRGBProfile(&d65, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    Bytes bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    return bytes;
}

Bytes EncodeJpegSeed(const JpegLayout& layout, int width, int height,
                     const std::vector<Segment>& segments = {}) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);  // a failure here is a broken generator: exit is right
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    const int components = layout.input == JCS_GRAYSCALE ? 1 : layout.input == JCS_CMYK ? 4 : 3;
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = layout.input;
    jpeg_set_defaults(&info);
    jpeg_set_colorspace(&info, layout.stored);
    jpeg_set_quality(&info, 75, TRUE);
    if (components >= 3) {
        info.comp_info[0].h_samp_factor = layout.lumaH;
        info.comp_info[0].v_samp_factor = layout.lumaV;
    }
    if (layout.isProgressive) jpeg_simple_progression(&info);
    if (layout.hasRestarts) info.restart_interval = 1;
    info.arith_code = layout.isArithmetic ? TRUE : FALSE;
    info.optimize_coding = layout.isOptimized ? TRUE : FALSE;
    if (!layout.hasAdobeMarker) info.write_Adobe_marker = FALSE;
    jpeg_start_compress(&info, TRUE);
    if (layout.hasProfile) {
        // Two APP2 chunks, so that joining them is exercised too.
        const Bytes profile = WideGamutProfile();
        const std::size_t half = profile.size() / 2;
        for (int part = 0; part < 2; ++part) {
            Bytes marker = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0,
                            static_cast<std::uint8_t>(part + 1), 2};
            marker.insert(marker.end(), profile.begin() + (part == 0 ? 0 : half),
                          part == 0 ? profile.begin() + half : profile.end());
            jpeg_write_marker(&info, JPEG_APP0 + 2, marker.data(), static_cast<unsigned int>(marker.size()));
        }
    }
    for (const Segment& segment : segments) {
        jpeg_write_marker(&info, segment.marker, segment.payload.data(),
                          static_cast<unsigned>(segment.payload.size()));
    }
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) row[x * components + c] = Sample(x, y, c);
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}

void PutBig16(Bytes& b, std::uint32_t v) {
    b.push_back((v >> 8) & 0xFF);
    b.push_back(v & 0xFF);
}
void PutBig32(Bytes& b, std::uint32_t v) {
    for (int i = 3; i >= 0; --i) b.push_back((v >> (8 * i)) & 0xFF);
}

// "Exif\0\0" and a TIFF block in either byte order whose IFD0 holds the given entries (tag, type,
// count, value as stored in the value field), then nextIfd.
struct ExifField {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::uint32_t value;
};
Bytes ExifBlock(bool isBigEndian, std::uint32_t ifdOffset, const std::vector<ExifField>& fields,
                std::uint32_t nextIfd = 0, std::uint16_t declaredCount = 0) {
    Bytes b = {'E', 'x', 'i', 'f', 0, 0};
    const auto u16 = [&](std::uint32_t v) { isBigEndian ? PutBig16(b, v) : Put16(b, v); };
    const auto u32 = [&](std::uint32_t v) { isBigEndian ? PutBig32(b, v) : Put32(b, v); };
    b.push_back(isBigEndian ? 'M' : 'I');
    b.push_back(isBigEndian ? 'M' : 'I');
    u16(42);
    u32(ifdOffset);
    u16(declaredCount != 0 ? declaredCount : static_cast<std::uint16_t>(fields.size()));
    for (const ExifField& f : fields) {
        u16(f.tag);
        u16(f.type);
        u32(f.count);
        if (f.type == 3 && f.count == 1) {  // a SHORT sits in the field's first two bytes
            u16(f.value);
            u16(0);
        } else {
            u32(f.value);
        }
    }
    u32(nextIfd);
    return b;
}

// A small display profile (RGB to XYZ by primaries and a gamma of 2.2 per channel), as cameras
// and editors embed one.
Bytes IccProfile() {
    const char* const matrixTags[] = {"rXYZ", "gXYZ", "bXYZ", "wtpt"};
    const std::uint32_t xyz[4][3] = {{0x6FA2, 0x38F5, 0x0390}, {0x6299, 0xB785, 0x18DA},
                                     {0x24A0, 0x0F84, 0xB6CF}, {0xF6D6, 0x10000, 0xD32D}};
    const char* const curveTags[] = {"rTRC", "gTRC", "bTRC"};
    const std::uint32_t tagCount = 7;
    const std::uint32_t tableEnd = 128 + 4 + tagCount * 12;
    Bytes tags;
    Bytes table;
    PutBig32(table, tagCount);
    for (int i = 0; i < 4; ++i) {
        table.insert(table.end(), matrixTags[i], matrixTags[i] + 4);
        PutBig32(table, static_cast<std::uint32_t>(tableEnd + tags.size()));
        PutBig32(table, 20);
        tags.insert(tags.end(), {'X', 'Y', 'Z', ' ', 0, 0, 0, 0});
        for (std::uint32_t v : xyz[i]) PutBig32(tags, v);
    }
    const std::uint32_t curve = static_cast<std::uint32_t>(tableEnd + tags.size());
    tags.insert(tags.end(), {'c', 'u', 'r', 'v', 0, 0, 0, 0, 0, 0, 0, 1, 0x02, 0x33, 0, 0});
    for (const char* tag : curveTags) {  // the three curves share one
        table.insert(table.end(), tag, tag + 4);
        PutBig32(table, curve);
        PutBig32(table, 14);
    }
    Bytes header;
    PutBig32(header, static_cast<std::uint32_t>(128 + table.size() + tags.size()));
    header.insert(header.end(), {'l', 'c', 'm', 's'});
    PutBig32(header, 0x02100000);
    header.insert(header.end(), {'m', 'n', 't', 'r', 'R', 'G', 'B', ' ', 'X', 'Y', 'Z', ' '});
    header.resize(36, 0);  // creation date
    header.insert(header.end(), {'a', 'c', 's', 'p'});
    header.resize(68, 0);  // platform, flags, device, attributes, intent
    PutBig32(header, 0xF6D6);  // the D50 illuminant
    PutBig32(header, 0x10000);
    PutBig32(header, 0xD32D);
    header.resize(128, 0);
    header.insert(header.end(), table.begin(), table.end());
    header.insert(header.end(), tags.begin(), tags.end());
    return header;
}

// The profile in count APP2 segments of "ICC_PROFILE\0", sequence number, count, then the part.
std::vector<Segment> IccSegments(const Bytes& profile, int count) {
    std::vector<Segment> segments;
    const std::size_t part = (profile.size() + count - 1) / count;
    for (int i = 0; i < count; ++i) {
        Segment s{JPEG_APP0 + 2, {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0}};
        s.payload.push_back(static_cast<std::uint8_t>(i + 1));
        s.payload.push_back(static_cast<std::uint8_t>(count));
        const std::size_t from = i * part;
        const std::size_t to = std::min(profile.size(), from + part);
        s.payload.insert(s.payload.end(), profile.begin() + from, profile.begin() + to);
        segments.push_back(std::move(s));
    }
    return segments;
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// An XMP packet's APP1 payload around one rdf:Description's inside.
Bytes XmpBlock(const std::string& inside) {
    return Text(std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                "<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?><x:xmpmeta xmlns:x='adobe:ns:meta/'>"
                "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
                "xmlns:dc='http://purl.org/dc/elements/1.1/' xmlns:photoshop='http://ns.adobe.com/photoshop/1.0/'" +
                inside + "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end='w'?>");
}

// Photoshop's APP13 payload: a resource of another kind, then the IPTC-NAA resource with records.
Bytes IptcBlock(const std::string& records) {
    Bytes b = Text(std::string("Photoshop 3.0\0", 14) + "8BIM");
    PutBig16(b, 0x03ED);
    b.insert(b.end(), {3, 'a', 'b', 'c'});  // a name padded to an even length
    PutBig32(b, 3);
    b.insert(b.end(), {1, 2, 3, 0});
    b.insert(b.end(), {'8', 'B', 'I', 'M'});
    PutBig16(b, 0x0404);
    b.insert(b.end(), {0, 0});
    PutBig32(b, static_cast<std::uint32_t>(records.size()));
    b.insert(b.end(), records.begin(), records.end());
    if (records.size() % 2 != 0) b.push_back(0);
    return b;
}

std::string Dataset(std::uint8_t record, std::uint8_t dataset, const std::string& value) {
    return std::string{'\x1C', static_cast<char>(record), static_cast<char>(dataset),
                       static_cast<char>(value.size() >> 8), static_cast<char>(value.size() & 0xFF)} +
           value;
}

// The credit in XMP and IPTC, and the capture date in an Exif IFD, alone and together.
void WriteCreditSeeds(const fs::path& folder, const JpegLayout& layout, const std::string& prefix) {
    const std::string creators =
        "><dc:creator><rdf:Seq><rdf:li>Jane &amp; Ed</rdf:li><rdf:li>Ann</rdf:li></rdf:Seq></dc:creator>"
        "<dc:rights><rdf:Alt><rdf:li xml:lang='x-default'>&#xA9; 2026</rdf:li></rdf:Alt></dc:rights>"
        "<photoshop:Credit><![CDATA[Agency]]></photoshop:Credit>";
    const Bytes xmp = XmpBlock(creators);
    const Bytes xmpAttributes = XmpBlock(" photoshop:Credit='Agency &#1046;'><!-- a comment -->");
    const Bytes iptc = IptcBlock(Dataset(1, 90, "\x1B%G") + Dataset(2, 80, "Jane") + Dataset(2, 80, "Ed") +
                                 Dataset(2, 110, "Agency") + Dataset(2, 116, "(c) Jane") +
                                 "\x1C\x02\x74\x80\x02" + std::string("\x00\x03", 2) + "(c)");
    // IFD0 with the Exif IFD's pointer; the Exif IFD at 26 with the date (at 68), its offset (at 88) and
    // fraction of a second (in the entry).
    Bytes exif = ExifBlock(false, 8, {{0x8769, 4, 1, 26}});
    Put16(exif, 3);
    for (const ExifField& f : {ExifField{0x9003, 2, 20, 68}, ExifField{0x9011, 2, 7, 88},
                               ExifField{0x9291, 2, 3, 0x3532}}) {
        Put16(exif, f.tag);
        Put16(exif, f.type);
        Put32(exif, f.count);
        Put32(exif, f.value);
    }
    Put32(exif, 0);
    const Bytes texts = Text(std::string("2026:07:14 09:15:02\0+02:00\0", 27));
    exif.insert(exif.end(), texts.begin(), texts.end());
    Write(folder / (prefix + "xmp.jpg"), EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, xmp}}));
    Write(folder / (prefix + "xmp_attributes.jpg"), EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, xmpAttributes}}));
    Write(folder / (prefix + "iptc.jpg"), EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 13, iptc}}));
    Write(folder / (prefix + "exif_date.jpg"), EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, exif}}));
    Write(folder / (prefix + "date_xmp_iptc.jpg"),
          EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, exif}, {JPEG_APP0 + 1, xmp}, {JPEG_APP0 + 13, iptc}}));
}

void WriteMetadataSeeds(const fs::path& folder, const JpegLayout& layout, const std::string& prefix) {
    WriteCreditSeeds(folder, layout, prefix);
    constexpr std::uint16_t kOrientation = 0x0112;
    constexpr std::uint16_t kShort = 3;
    constexpr std::uint16_t kLong = 4;
    // A picture that is not square, so that every turn shows.
    for (int orientation = 1; orientation <= 8; ++orientation) {
        for (const bool isBigEndian : {false, true}) {
            const Bytes exif = ExifBlock(isBigEndian, 8, {{0x010F, 2, 4, 0}, {kOrientation, kShort, 1,
                                                          static_cast<std::uint32_t>(orientation)}});
            Write(folder / (prefix + "exif_" + std::string(isBigEndian ? "mm" : "ii") + "_orientation" +
                            std::to_string(orientation) + ".jpg"),
                  EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, exif}}));
        }
    }
    const struct {
        const char* name;
        Bytes exif;
    } broken[] = {
        {"ifd_beyond_end", ExifBlock(false, 0xFFF0, {{kOrientation, kShort, 1, 6}})},
        {"count_beyond_end", ExifBlock(true, 8, {{kOrientation, kShort, 1, 6}}, 0, 0xFFFF)},
        {"orientation_as_long", ExifBlock(false, 8, {{kOrientation, kLong, 1, 6}})},
        {"orientation_count_two", ExifBlock(true, 8, {{kOrientation, kShort, 2, 0x00060003}})},
        {"orientation_out_of_range", ExifBlock(false, 8, {{kOrientation, kShort, 1, 9}})},
        {"next_ifd_loops", ExifBlock(true, 8, {{kOrientation, kShort, 1, 8}}, 8)},
        {"ifd_inside_header", ExifBlock(false, 2, {{kOrientation, kShort, 1, 5}})},
        {"cut_after_header", Bytes{'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0}},
    };
    for (const auto& b : broken) {
        Write(folder / (prefix + "exif_broken_" + std::string(b.name) + ".jpg"),
              EncodeJpegSeed(layout, 37, 21, {{JPEG_APP0 + 1, b.exif}}));
    }
    const Bytes profile = IccProfile();
    Write(folder / (prefix + "icc.jpg"), EncodeJpegSeed(layout, 37, 21, IccSegments(profile, 1)));
    Write(folder / (prefix + "icc_two_segments.jpg"), EncodeJpegSeed(layout, 37, 21, IccSegments(profile, 2)));
    std::vector<Segment> both = IccSegments(profile, 1);
    both.insert(both.begin(), Segment{JPEG_APP0 + 1, ExifBlock(true, 8, {{kOrientation, kShort, 1, 6}})});
    Write(folder / (prefix + "icc_and_exif.jpg"), EncodeJpegSeed(layout, 37, 21, both));
}

void WriteJpegSeeds(const fs::path& folder) {
    fs::create_directories(folder);
    const JpegLayout layouts[] = {
        {"yuv420", JCS_RGB, JCS_YCbCr, 2, 2},
        {"yuv422", JCS_RGB, JCS_YCbCr, 2, 1},
        {"yuv440", JCS_RGB, JCS_YCbCr, 1, 2},
        {"yuv444", JCS_RGB, JCS_YCbCr, 1, 1},
        {"yuv411", JCS_RGB, JCS_YCbCr, 4, 1},
        {"progressive", JCS_RGB, JCS_YCbCr, 2, 2, true},
        {"grey", JCS_GRAYSCALE, JCS_GRAYSCALE, 1, 1},
        {"grey_progressive", JCS_GRAYSCALE, JCS_GRAYSCALE, 1, 1, true},
        {"restarts", JCS_RGB, JCS_YCbCr, 2, 2, false, true},
        {"arithmetic", JCS_RGB, JCS_YCbCr, 2, 2, false, false, true},
        {"arithmetic_progressive", JCS_RGB, JCS_YCbCr, 2, 2, true, false, true},
        {"optimized", JCS_RGB, JCS_YCbCr, 2, 2, false, false, false, true},
        {"rgb", JCS_RGB, JCS_RGB, 1, 1},
        {"cmyk", JCS_CMYK, JCS_CMYK, 1, 1},
        {"cmyk_plain", JCS_CMYK, JCS_CMYK, 1, 1, false, false, false, false, false},
        {"ycck", JCS_CMYK, JCS_YCCK, 2, 2},
        {"yuv420_icc", JCS_RGB, JCS_YCbCr, 2, 2, false, false, false, false, true, true},
    };
    for (const JpegLayout& layout : layouts) {
        Write(folder / (layout.name + ".jpg"), EncodeJpegSeed(layout, 37, 29));
    }
    Write(folder / "tiny.jpg", EncodeJpegSeed(layouts[0], 1, 1));
    Bytes cut = EncodeJpegSeed(layouts[0], 48, 40);
    cut.resize(cut.size() * 2 / 3);
    Write(folder / "cut_short.jpg", cut);
    WriteMetadataSeeds(folder, layouts[0], "");
    WriteMetadataSeeds(folder, layouts[5], "progressive_");
}

struct BmpLayout {
    std::string name;
    std::uint32_t headerBytes = 40;
    int bitCount = 24;
    std::uint32_t compression = 0;  // 0 none, 1 RLE8, 2 RLE4, 3 bit fields
    bool isTopDown = false;
    std::uint32_t masks[3] = {0, 0, 0};
};

// The rows of an uncompressed picture, padded to four bytes.
Bytes UncompressedPixels(int bitCount, int width, int height) {
    const int stride = ((width * bitCount + 31) / 32) * 4;
    Bytes pixels(static_cast<std::size_t>(stride) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int i = 0; i < (width * bitCount + 7) / 8; ++i) pixels[y * stride + i] = Sample(i, y, 1);
    }
    return pixels;
}

// Runs, a literal, a delta and the end codes over five rows; the first row's run reaches into the
// row's padding, as ImageMagick writes it.
Bytes RunLengthPixels(bool isRle4, int width) {
    const int padded = isRle4 ? ((width + 7) / 8) * 8 : ((width + 3) / 4) * 4;
    Bytes p = {static_cast<std::uint8_t>(padded), 0x12, 0, 0};
    p.insert(p.end(), {3, 0x34});
    if (isRle4) {
        p.insert(p.end(), {0, 4, 0x56, 0x78});  // four pixels in two bytes
    } else {
        p.insert(p.end(), {0, 4, 0x56, 0x78, 0x9A, 0xBC});
    }
    p.insert(p.end(), {0, 0, 0, 2, 1, 1, 2, 0x21, 0, 0});
    p.insert(p.end(), {static_cast<std::uint8_t>(width), 0x43, 0, 1});
    return p;
}

Bytes BuildBmp(const BmpLayout& l, int width, int height) {
    const bool isCore = l.headerBytes == 12;
    Bytes dib;
    Put32(dib, l.headerBytes);
    if (isCore) {
        Put16(dib, width);
        Put16(dib, height);
        Put16(dib, 1);
        Put16(dib, l.bitCount);
    } else {
        Put32(dib, width);
        Put32(dib, static_cast<std::uint32_t>(l.isTopDown ? -height : height));
        Put16(dib, 1);
        Put16(dib, l.bitCount);
        Put32(dib, l.compression);
        Put32(dib, 0);     // image bytes: worked out by the reader
        Put32(dib, 2835);  // 72 dpi
        Put32(dib, 2835);
        Put32(dib, 0);  // colours used: all
        Put32(dib, 0);
        if (l.headerBytes > 40) {
            for (std::uint32_t m : l.masks) Put32(dib, m);
            Put32(dib, 0);                  // alpha mask
            Put32(dib, 0x73524742);         // "sRGB"
            dib.resize(l.headerBytes, 0);   // end points, gamma and (V5) intent, profile
        } else if (l.compression == 3) {
            for (std::uint32_t m : l.masks) Put32(dib, m);
        }
    }
    if (l.bitCount <= 8) {
        for (int i = 0; i < (1 << l.bitCount); ++i) {
            dib.push_back(static_cast<std::uint8_t>(i * 7));
            dib.push_back(static_cast<std::uint8_t>(255 - i));
            dib.push_back(static_cast<std::uint8_t>(i * 3));
            if (!isCore) dib.push_back(0);
        }
    }
    const std::size_t pixelStart = 14 + dib.size();
    const Bytes pixels = l.compression == 1 || l.compression == 2
                             ? RunLengthPixels(l.compression == 2, width)
                             : UncompressedPixels(l.bitCount, width, height);
    dib.insert(dib.end(), pixels.begin(), pixels.end());

    Bytes file = {'B', 'M'};
    Put32(file, static_cast<std::uint32_t>(14 + dib.size()));
    Put32(file, 0);
    Put32(file, static_cast<std::uint32_t>(pixelStart));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

void WriteBmpSeeds(const fs::path& folder) {
    fs::create_directories(folder);
    const BmpLayout layouts[] = {
        {"pal1", 40, 1},
        {"pal4", 40, 4},
        {"pal8", 40, 8},
        {"rgb555", 40, 16},
        {"rgb24", 40, 24},
        {"rgb32", 40, 32},
        {"rle8", 40, 8, 1},
        {"rle4", 40, 4, 2},
        {"bitfields565", 40, 16, 3, false, {0xF800, 0x07E0, 0x001F}},
        {"bitfields32", 40, 32, 3, false, {0x00FF0000, 0x0000FF00, 0x000000FF}},
        {"topdown24", 40, 24, 0, true},
        {"core8", 12, 8},
        {"core24", 12, 24},
        {"v4_24", 108, 24},
        {"v5_bitfields32", 124, 32, 3, false, {0x0000FF00, 0x00FF0000, 0xFF000000}},
        {"v5_pal8", 124, 8},
    };
    for (const BmpLayout& layout : layouts) Write(folder / (layout.name + ".bmp"), BuildBmp(layout, 7, 5));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const fs::path root(argv[1]);
    WriteJpegSeeds(root / "jpeg");
    WriteBmpSeeds(root / "bmp");
    return 0;
}
