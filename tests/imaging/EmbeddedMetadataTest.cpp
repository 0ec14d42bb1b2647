// The credit from XMP and IPTC beside Exif's, and the capture date: the readers on segments built
// here, hostile ones among them, and the date's way into a result's Exif block.
#include "imaging/EmbeddedCredit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/ExifReader.h"
#include "imaging/ExifWriter.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::IptcPayload;
using testing::XmpPayload;

constexpr int kApp1 = 0xE1;
constexpr int kApp13 = 0xED;

struct Segment {
    int Marker;
    Bytes Payload;
};

ExifCredit CreditOf(const std::vector<Segment>& segments) {
    std::vector<AppSegment> views;
    for (const Segment& s : segments) views.push_back({s.Marker, s.Payload});
    return ReadEmbeddedCredit(views);
}

Bytes ExifArtist(const std::string& artist) {
    return testing::ExifPayloadWithData(false, {{0x013B, 2, static_cast<std::uint32_t>(artist.size() + 1),
                                                 testing::ExifDataOffset(1)}},
                                        artist + '\0');
}

Bytes Raw(const std::string& text) { return Bytes(text.begin(), text.end()); }

const std::string kCreators =
    "<dc:creator><rdf:Seq><rdf:li>Jane Doe</rdf:li><rdf:li> Ed &amp; Co </rdf:li></rdf:Seq></dc:creator>";
const std::string kRights =
    "<dc:rights><rdf:Alt><rdf:li xml:lang='de'>(c) Jane, de</rdf:li>"
    "<rdf:li xml:lang=\"x-default\">\xC2\xA9 2026 Jane</rdf:li></rdf:Alt></dc:rights>";

TEST(EmbeddedCredit, XmpAndIptcFillWhatExifLacksFieldByField) {
    const Bytes iptcBoth = IptcPayload({{2, 80, "Ann"}, {2, 80, "Bo"}, {2, 116, "(c) Ann"}});
    const struct {
        const char* what;
        std::vector<Segment> segments;
        ExifCredit expected;
    } cases[] = {
        {"XMP creators and the default rights", {{kApp1, XmpPayload(kCreators + kRights)}},
         {"Jane Doe; Ed & Co", "\xC2\xA9 2026 Jane"}},
        {"XMP credit as an attribute, under a prefix of its own",
         {{kApp1, XmpPayload("<rdf:Description xmlns:ps='http://ns.adobe.com/photoshop/1.0/' "
                             "ps:Credit='Agency &#x416;'/>")}},
         {"Agency \xD0\x96", ""}},
        {"XMP credit as an element, creators first",
         {{kApp1, XmpPayload("<photoshop:Credit><![CDATA[Agency]]></photoshop:Credit>" + kCreators)}},
         {"Jane Doe; Ed & Co", ""}},
        {"XMP creator as a plain text", {{kApp1, XmpPayload("<dc:creator> Jane </dc:creator>")}}, {"Jane", ""}},
        {"a name in another namespace", {{kApp1, XmpPayload("<xmp:creator xmlns:xmp='x'>No</xmp:creator>")}}, {}},
        {"IPTC by-lines and copyright", {{kApp13, iptcBoth}}, {"Ann; Bo", "(c) Ann"}},
        {"IPTC credit without a by-line", {{kApp13, IptcPayload({{2, 110, "Agency"}})}}, {"Agency", ""}},
        {"IPTC of another record, and not UTF-8",
         {{kApp13, IptcPayload({{1, 80, "Envelope"}, {2, 116, "Jos\xE9"}})}}, {}},
        {"a text longer than a credit", {{kApp13, IptcPayload({{2, 80, std::string(kMaxCreditBytes + 1, 'a')}})}},
         {}},
        {"Exif first, XMP next, IPTC last",
         {{kApp13, iptcBoth}, {kApp1, XmpPayload(kRights)}, {kApp1, ExifArtist("Exif Ann")}},
         {"Exif Ann", "\xC2\xA9 2026 Jane"}},
        {"XMP's creator, IPTC's copyright", {{kApp1, XmpPayload(kCreators)}, {kApp13, iptcBoth}},
         {"Jane Doe; Ed & Co", "(c) Ann"}},
    };
    for (const auto& c : cases) EXPECT_EQ(CreditOf(c.segments), c.expected) << c.what;
}

// Untrusted bytes: whatever cannot be read whole is left out, and nothing the input nests or
// claims reaches past the segment or down the stack.
TEST(EmbeddedCredit, HostileSegmentsGiveOnlyWhatWasReadWhole) {
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<a>";
    // Photoshop's segment with one IPTC block of the declared size around data.
    const auto photoshop = [](const std::string& data, std::uint32_t size) {
        std::string sizeBytes;
        for (int shift = 24; shift >= 0; shift -= 8) sizeBytes += static_cast<char>(size >> shift & 0xFF);
        return Raw(std::string("Photoshop 3.0\0", 14) + "8BIM\x04\x04" + std::string(2, '\0') + sizeBytes + data);
    };
    const std::string jane = std::string("\x1C\x02\x50\x00\x04", 5) + "Jane";
    const std::string tooLong = "\x1C\x02\x74\x03\xE8(c)";
    const std::string extended = "\x1C\x02\x74\x80\x04" + std::string("\x00\x00\x00\x02", 4) + "(c)";
    const struct {
        const char* what;
        Bytes payload;
        ExifCredit expected;
    } cases[] = {
        {"20000 open elements", XmpPayload(deep + kCreators), {"Jane Doe; Ed & Co", ""}},
        {"the packet cut inside an item", Raw(std::string("http://ns.adobe.com/xap/1.0/\0", 29) +
                                              "<dc:creator><rdf:Seq><rdf:li>Jane"),
         {}},
        {"a NUL character reference", XmpPayload("<photoshop:Credit>A&#0;</photoshop:Credit>"), {}},
        {"a surrogate", XmpPayload("<photoshop:Credit>A&#xD800;</photoshop:Credit>"), {}},
        {"an attribute never closed", XmpPayload("<rdf:Description photoshop:Credit='A>" + kCreators), {}},
        {"no XMP signature", Raw("http://ns.adobe.com/xap/1.0" + kCreators), {}},
        {"a dataset running past the end", photoshop(jane + tooLong, 17), {"Jane", ""}},
        {"a resource running past the end", photoshop(jane, 0x7F000000), {}},
        {"an extended dataset size", photoshop(jane + extended, 21), {"Jane", "(c"}},
    };
    for (const auto& c : cases) {
        const int marker = c.payload.size() > 4 && c.payload[0] == 'P' ? kApp13 : kApp1;
        EXPECT_EQ(CreditOf({{marker, c.payload}}), c.expected) << c.what;
    }
}

TEST(CaptureDate, ReadOnlyInItsFormsAndWrittenIntoAnAlignedExifIfd) {
    const CaptureDate full{"2026:12:09 16:30:05", "+03:00", "04217"};
    const struct {
        const char* what;
        CaptureDate stored;
        CaptureDate read;
    } cases[] = {
        {"date, offset and fraction", full, full},
        {"date alone", {"2026:12:09 16:30:05", "", ""}, {"2026:12:09 16:30:05", "", ""}},
        {"a camera without a clock", {"    :  :     :  :  ", "+03:00", "1"}, {}},
        {"zeros", {"0000:00:00 00:00:00", "", ""}, {}},
        {"an offset and a fraction out of form", {"2026:12:09 16:30:05", "+3:00", "04a"},
         {"2026:12:09 16:30:05", "", ""}},
        {"no date, but its offset", {"", "+03:00", "042"}, {}},
    };
    for (const auto& c : cases) {
        const Bytes exif = testing::ExifDatePayload(c.stored.DateTime, c.stored.Offset, c.stored.SubSec);
        EXPECT_EQ(ReadExifCaptureDate(exif.data(), exif.size()), c.read) << c.what;
    }

    // Texts of odd lengths, so that nothing falls on an even offset by itself.
    const ExifCredit credit{"Jane Doe", "(c) Ann"};
    const Bytes written = WriteResultExif(credit, full);
    EXPECT_EQ(ReadExifCaptureDate(written.data(), written.size()), full);
    EXPECT_EQ(ReadExifCredit(written.data(), written.size()), credit);
    // IFD0's third entry points to the Exif IFD, on an even offset; each of its entries' values
    // too.
    const auto u32 = [&](std::size_t at) {
        return written[at] | written[at + 1] << 8 | written[at + 2] << 16 | static_cast<std::uint32_t>(written[at + 3]) << 24;
    };
    const std::size_t tiff = 6;
    const std::uint32_t exifIfd = u32(tiff + 8 + 2 + 2 * 12 + 8);
    EXPECT_EQ(exifIfd % 2, 0u);
    const std::size_t entries = written[tiff + exifIfd];
    EXPECT_EQ(entries, 4u);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = tiff + exifIfd + 2 + 12 * i;
        if (u32(entry + 4) > 4) {
            EXPECT_EQ(u32(entry + 8) % 2, 0u) << i;
        }
    }

    // The credit's block is the same bytes whatever the date; each may go alone, and a credit too
    // long for the segment does not take the date with it.
    EXPECT_EQ(WriteResultExif(credit, full, {.Credit = true, .Date = false}), WriteResultExif(credit, {}));
    const Bytes dateOnly = WriteResultExif(credit, full, {.Credit = false, .Date = true});
    EXPECT_EQ(ReadExifCredit(dateOnly.data(), dateOnly.size()), ExifCredit{});
    EXPECT_EQ(ReadExifCaptureDate(dateOnly.data(), dateOnly.size()), full);
    const Bytes tooLong = WriteResultExif({std::string(70000, 'a'), ""}, full);
    EXPECT_EQ(ReadExifCaptureDate(tooLong.data(), tooLong.size()), full);
    EXPECT_TRUE(WriteResultExif(credit, full, ResultMetadata::Nothing()).empty());
}

}  // namespace
}  // namespace stampwise
