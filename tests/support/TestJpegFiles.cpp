#include "support/TestJpegFiles.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "support/ReferenceCodec.h"

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
    WriteJpeg(path, picture);
}

void WriteJpeg(const std::string& path, const TBitmap& picture) { WriteBytes(path, EncodeJpeg(picture)); }

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

std::vector<std::uint8_t> ExifPayload(bool isBigEndian, const std::vector<ExifEntry>& entries) {
    std::vector<std::uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
    const auto put16 = [&](std::uint32_t v) {
        const std::uint8_t hi = static_cast<std::uint8_t>(v >> 8), lo = static_cast<std::uint8_t>(v);
        out.insert(out.end(), isBigEndian ? std::initializer_list<std::uint8_t>{hi, lo}
                                          : std::initializer_list<std::uint8_t>{lo, hi});
    };
    const auto put32 = [&](std::uint32_t v) {
        if (isBigEndian) {
            put16(v >> 16);
            put16(v & 0xFFFF);
        } else {
            put16(v & 0xFFFF);
            put16(v >> 16);
        }
    };
    out.push_back(isBigEndian ? 'M' : 'I');
    out.push_back(isBigEndian ? 'M' : 'I');
    put16(42);
    put32(8);
    put16(static_cast<std::uint32_t>(entries.size()));
    for (const ExifEntry& e : entries) {
        put16(e.Tag);
        put16(e.Type);
        put32(e.Count);
        if (e.Type == 3) {
            put16(e.Value);
            put16(0);
        } else {
            put32(e.Value);
        }
    }
    put32(0);
    return out;
}

std::vector<std::uint8_t> ExifPayloadWithData(bool isBigEndian, const std::vector<ExifEntry>& entries,
                                              const std::string& data) {
    std::vector<std::uint8_t> payload = ExifPayload(isBigEndian, entries);
    payload.insert(payload.end(), data.begin(), data.end());
    return payload;
}

std::vector<std::uint8_t> WithApp1(const std::vector<std::uint8_t>& jpeg,
                                   const std::vector<std::uint8_t>& payload) {
    return WithSegment(jpeg, 0xE1, payload);
}

std::vector<std::uint8_t> WithSegment(const std::vector<std::uint8_t>& jpeg, int marker,
                                      const std::vector<std::uint8_t>& payload) {
    if (jpeg.size() < 2 || payload.size() > 0xFFFF - 2) throw std::invalid_argument("WithSegment");
    const std::size_t length = payload.size() + 2;
    std::vector<std::uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    out.insert(out.end(), {0xFF, static_cast<std::uint8_t>(marker), static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    out.insert(out.end(), payload.begin(), payload.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

std::vector<std::uint8_t> XmpPayload(const std::string& inside) {
    const std::string packet =
        std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\"\n"
        "    xmlns:dc=\"http://purl.org/dc/elements/1.1/\"\n"
        "    xmlns:photoshop=\"http://ns.adobe.com/photoshop/1.0/\">\n" +
        inside +
        "\n  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    return std::vector<std::uint8_t>(packet.begin(), packet.end());
}

std::vector<std::uint8_t> IptcPayload(const std::vector<IptcDataset>& datasets) {
    std::string records;
    for (const IptcDataset& d : datasets) {
        records += {'\x1C', static_cast<char>(d.Record), static_cast<char>(d.Dataset),
                    static_cast<char>(d.Value.size() >> 8), static_cast<char>(d.Value.size() & 0xFF)};
        records += d.Value;
    }
    const auto block = [](std::uint16_t id, const std::string& data) {
        const std::size_t n = data.size();
        std::string b = "8BIM";
        b += {static_cast<char>(id >> 8), static_cast<char>(id & 0xFF), '\0', '\0'};  // an empty name
        b += {static_cast<char>(n >> 24), static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 8 & 0xFF),
              static_cast<char>(n & 0xFF)};
        return b + data + (n % 2 != 0 ? std::string(1, '\0') : std::string());
    };
    // A resolution block (0x03ED) first, with an odd size, as Photoshop writes one before the IPTC.
    const std::string all = std::string("Photoshop 3.0\0", 14) + block(0x03ED, std::string(15, '\x01')) +
                            block(0x0404, records);
    return std::vector<std::uint8_t>(all.begin(), all.end());
}

std::vector<std::uint8_t> ExifDatePayload(const std::string& dateTime, const std::string& offset,
                                          const std::string& subSec) {
    // IFD0: the pointer alone; the Exif IFD right after it, then the texts, each with its NUL.
    const std::uint32_t exifIfd = ExifDataOffset(1);
    std::vector<std::pair<std::uint16_t, std::string>> texts;
    for (const auto& [tag, text] : {std::pair<std::uint16_t, std::string>{0x9003, dateTime},
                                    {0x9011, offset}, {0x9291, subSec}}) {
        if (!text.empty()) texts.emplace_back(tag, text + '\0');
    }
    const auto le = [](std::uint32_t v, int bytes) {
        std::string s;
        for (int i = 0; i < bytes; ++i) s += static_cast<char>(v >> 8 * i & 0xFF);
        return s;
    };
    std::uint32_t value = exifIfd + 2 + 12 * static_cast<std::uint32_t>(texts.size()) + 4;
    std::string directory = le(static_cast<std::uint32_t>(texts.size()), 2);
    std::string values;
    for (const auto& [tag, text] : texts) {
        directory += le(tag, 2) + le(2, 2) + le(static_cast<std::uint32_t>(text.size()), 4);
        if (text.size() <= 4) {
            directory += text + std::string(4 - text.size(), '\0');
        } else {
            directory += le(value, 4);
            values += text;
            value += static_cast<std::uint32_t>(text.size());
        }
    }
    directory += le(0, 4);
    return ExifPayloadWithData(false, {{0x8769, 4, 1, exifIfd}}, directory + values);
}

std::vector<std::uint8_t> WithExifOrientation(const std::vector<std::uint8_t>& jpeg, int orientation,
                                              bool isBigEndian) {
    return WithApp1(jpeg, ExifPayload(isBigEndian, {{kOrientationTag, 3, 1,
                                                     static_cast<std::uint32_t>(orientation)}}));
}

TBitmap TurnedByTest(const TBitmap& stored, int orientation) {
    const int w = stored.Width();
    const int h = stored.Height();
    const bool swaps = orientation >= 5 && orientation <= 8;
    TBitmap turned;
    turned.ChangeSize(swaps ? h : w, swaps ? w : h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int ux = x;
            int uy = y;
            switch (orientation) {
                case 2: ux = w - 1 - x; break;
                case 3: ux = w - 1 - x; uy = h - 1 - y; break;
                case 4: uy = h - 1 - y; break;
                case 5: ux = y; uy = x; break;
                case 6: ux = h - 1 - y; uy = x; break;             // 90° clockwise
                case 7: ux = h - 1 - y; uy = w - 1 - x; break;
                case 8: ux = y; uy = w - 1 - x; break;             // 90° counter-clockwise
                default: break;
            }
            turned.SetPixelAt(ux, uy, stored.PixelAt(x, y));
        }
    }
    return turned;
}

std::vector<std::uint8_t> ClaimingSize(std::vector<std::uint8_t> jpeg, int width, int height) {
    for (std::size_t at = 2; at + 9 < jpeg.size(); ++at) {
        // Baseline, extended and progressive frames, Huffman or arithmetic coded.
        if (jpeg[at] != 0xFF || jpeg[at + 1] < 0xC0 || jpeg[at + 1] > 0xCA || jpeg[at + 1] == 0xC4 ||
            jpeg[at + 1] == 0xC8) {
            continue;
        }
        jpeg[at + 5] = static_cast<std::uint8_t>(height >> 8);
        jpeg[at + 6] = static_cast<std::uint8_t>(height & 0xFF);
        jpeg[at + 7] = static_cast<std::uint8_t>(width >> 8);
        jpeg[at + 8] = static_cast<std::uint8_t>(width & 0xFF);
        return jpeg;
    }
    throw std::runtime_error("ClaimingSize: no frame header");
}

}  // namespace stampwise::testing
