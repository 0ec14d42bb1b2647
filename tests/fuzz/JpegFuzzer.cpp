// libFuzzer target for the JPEG path: the header, the full decode, the sampled-row decode that
// refuses damage (reading to the picture's end), and the encode of a small result read back.
//
// Beyond "no memory error and no undefined behaviour", two properties of the system are checked on
// every input: the sampled rows of a picture that decodes both ways are its full decode's rows, and
// an encoded result is an undamaged JPEG file of the same size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/ImageErrors.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/Raster.h"

using namespace stampwise;

namespace {

// A few-byte header may announce 2^28 pixels; decoding that is legal but takes seconds and
// hundreds of megabytes per input, which would only slow the search. The limit itself has its tests.
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 18;
// Results are small pictures (the resize's reductions), so only small ones are encoded.
constexpr std::int64_t kMaxEncodedPixels = 1 << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    JpegHeader header;
    try {
        header = ReadJpegHeader(data, size);
    } catch (const EImageError&) {
        return 0;
    }
    if (std::int64_t{header.Width} * header.Height > kMaxFuzzPixels) return 0;

    TBitmap full;
    bool isFullDecoded = false;
    try {
        DecodeJpeg(data, size, full, JpegDamage::Refuse);
        isFullDecoded = true;
    } catch (const EImageError&) {
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
    try {
        DecodeJpegSampledRows(data, size, rowCount, sampled, JpegDamage::Refuse);
    } catch (const EImageError&) {
        std::abort();  // the full decode found the file sound, so this must too
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
