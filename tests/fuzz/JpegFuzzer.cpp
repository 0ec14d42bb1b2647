// libFuzzer target for the JPEG path: the header (with the Exif, XMP and IPTC readers behind it),
// the full decode, the sampled-row decode that refuses damage (reading to the picture's end), and
// the encode of a small result read back.
//
// Beyond "no memory error and no undefined behaviour", four properties of the system are checked on
// every input: a result's Exif block reads back as the credit and date it was made from, the
// sampled rows of a picture that decodes both ways are its full decode's rows, an encoded result
// is an undamaged JPEG file of the same size, and no decode takes more memory than
// the batch's estimate for that file allows (counted through the sanitizer's allocation hooks), so
// that a file can never cost more than the runner set aside for it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "FuzzMemory.h"
#include "imaging/Bitmap.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ExifReader.h"
#include "imaging/ExifWriter.h"
#include "imaging/ImageErrors.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/PictureCost.h"
#include "imaging/Raster.h"
#include "resize/ResizeRule.h"

using namespace stampwise;
using namespace stampwise::fuzz;

namespace {

// A few-byte header may announce 2^28 pixels; decoding that is legal but takes seconds and
// hundreds of megabytes per input, which would only slow the search. Pictures of camera-like sides
// (4 megapixels) still run; the limit itself has its tests.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 22;
// Results are small pictures (the resize's reductions), so only small ones are encoded.
constexpr std::int64_t kMaxEncodedPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallMemoryCount();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    JpegHeader header;
    try {
        header = ReadJpegHeader(data, size);
    } catch (const EImageError&) {
        return 0;
    }
    // What a result's Exif block is made of reads back from it: the date always, the credit
    // unless it was too long for the segment and left out.
    const std::vector<std::uint8_t> exif = WriteResultExif(header.Credit, header.Date);
    if (ReadExifCaptureDate(exif.data(), exif.size()) != header.Date) std::abort();
    const ExifCredit credit = ReadExifCredit(exif.data(), exif.size());
    if (credit != header.Credit && !credit.Empty()) std::abort();
    if (std::int64_t{header.Width} * header.Height > kMaxFuzzPixels) return 0;

    const std::uint64_t wholeEstimate = DecodedWholeMemory(size, header, SwapsSides(header.Orientation));

    TBitmap full;
    bool isFullDecoded = false;
    {
        const MemoryWatch watch;
        try {
            DecodeJpeg(data, size, full, JpegDamage::Refuse);
            isFullDecoded = true;
        } catch (const EImageError&) {
        }
        CheckWithin(watch, wholeEstimate);
    }
    // What previews show of a damaged file must decode without any memory error as well.
    if (!isFullDecoded) {
        TBitmap tolerated;
        try {
            DecodeJpeg(data, size, tolerated);
        } catch (const EImageError&) {
        }
        return 0;
    }

    const int height = full.Height();
    if (height < 1) return 0;
    const int rowCount = 1 + static_cast<int>(size % static_cast<std::size_t>(height));
    TBitmap sampled;
    {
        const MemoryWatch watch;
        try {
            DecodeJpegSampledRows(data, size, rowCount, sampled, JpegDamage::Refuse);
        } catch (const EImageError&) {
            std::abort();  // the full decode found the file sound, so this must too
        }
        CheckWithin(watch, EstimateResizeMemory(size, header, {full.Width(), rowCount}));
    }
    for (int i = 0; i < rowCount; ++i) {
        const int source = NearestSourceIndex(i, rowCount, height);
        if (std::memcmp(sampled.ScanLine(i), full.ScanLine(source), full.RowBytes()) != 0) std::abort();
    }

    if (std::int64_t{full.Width()} * full.Height() <= kMaxEncodedPixels) {
        const std::vector<std::uint8_t> encoded = EncodeJpeg(full);
        const JpegHeader written = ReadJpegHeader(encoded.data(), encoded.size());
        if (written.Width != full.Width() || written.Height != full.Height()) std::abort();
        TBitmap again;
        DecodeJpeg(encoded.data(), encoded.size(), again, JpegDamage::Refuse);  // throws: a finding
    }
    return 0;
}
