// Reading the credit from the IPTC records of Photoshop's APP13 segment: the segment's image
// resource blocks ("8BIM", an id, a padded Pascal name, a size, the data), the IPTC-NAA block among
// them (id 0x0404), and in it the datasets of the application record (2) that hold a credit. Two
// flat loops, each moving forward by a length it has checked against what is left.
//
// A text is taken only when it is UTF-8 (plain ASCII is): IPTC files of older software hold an
// 8-bit code page that the file does not always name, and a guessed one would garble the name.
#include <string>
#include <string_view>

#include "imaging/EmbeddedCredit.h"

namespace stampwise {

namespace {

using credit_detail::AppendName;
using credit_detail::IsCreditText;
using credit_detail::StartsWith;

constexpr std::string_view kPhotoshopSignature{"Photoshop 3.0\0", 14};
constexpr std::string_view kResourceSignature = "8BIM";
constexpr std::uint16_t kIptcResource = 0x0404;
constexpr std::uint8_t kTagMarker = 0x1C;
constexpr std::uint8_t kApplicationRecord = 2;
constexpr std::uint8_t kByline = 80;
constexpr std::uint8_t kCredit = 110;
constexpr std::uint8_t kCopyrightNotice = 116;

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t length) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < length; ++i) value = value << 8 | bytes[at + i];
    return value;
}

// The data of the IPTC-NAA resource among the resource blocks, or nothing.
std::span<const std::uint8_t> IptcResource(std::span<const std::uint8_t> blocks) {
    std::size_t at = 0;
    while (blocks.size() - at >= 4 + 2 + 2 + 4) {
        if (!StartsWith(blocks.subspan(at), kResourceSignature)) return {};
        const std::uint16_t id = static_cast<std::uint16_t>(BigEndian(blocks, at + 4, 2));
        // The name: a length byte and its characters, padded to an even count.
        const std::size_t nameBytes = (1 + std::size_t{blocks[at + 6]} + 1) & ~std::size_t{1};
        at += 6;
        if (blocks.size() - at < nameBytes + 4) return {};
        at += nameBytes;
        const std::size_t size = BigEndian(blocks, at, 4);
        at += 4;
        if (blocks.size() - at < size) return {};
        if (id == kIptcResource) return blocks.subspan(at, size);
        at += size + (size & 1);
        if (at > blocks.size()) return {};
    }
    return {};
}

std::string_view TrimmedValue(std::span<const std::uint8_t> value) {
    std::string_view text(reinterpret_cast<const char*>(value.data()), value.size());
    const auto isPadding = [](char c) { return c == ' ' || c == '\0' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isPadding(text.front())) text.remove_prefix(1);
    while (!text.empty() && isPadding(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

ExifCredit ReadIptcCredit(std::span<const std::uint8_t> payload) noexcept {
    if (!StartsWith(payload, kPhotoshopSignature)) return ExifCredit{};
    try {
        const std::span<const std::uint8_t> records = IptcResource(payload.subspan(kPhotoshopSignature.size()));
        std::string bylines;
        std::string credit;
        std::string copyright;
        std::size_t at = 0;
        while (records.size() - at >= 5 && records[at] == kTagMarker) {
            const std::uint8_t record = records[at + 1];
            const std::uint8_t dataset = records[at + 2];
            std::size_t size = BigEndian(records, at + 3, 2);
            at += 5;
            // An extended dataset: the low bits give how many bytes of size follow.
            if (size & 0x8000) {
                const std::size_t sizeBytes = size & 0x7FFF;
                if (sizeBytes == 0 || sizeBytes > 4 || records.size() - at < sizeBytes) break;
                size = BigEndian(records, at, sizeBytes);
                at += sizeBytes;
            }
            if (records.size() - at < size) break;
            const std::string_view text = TrimmedValue(records.subspan(at, size));
            at += size;
            if (record != kApplicationRecord || !IsCreditText(text)) continue;
            if (dataset == kByline) {
                AppendName(bylines, text);
            } else if (dataset == kCredit && credit.empty()) {
                credit = text;
            } else if (dataset == kCopyrightNotice && copyright.empty()) {
                copyright = text;
            }
        }
        return ExifCredit{!bylines.empty() ? bylines : credit, copyright};
    } catch (...) {
        return ExifCredit{};
    }
}

}  // namespace stampwise
