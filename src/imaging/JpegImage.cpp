// TJPEGImage's state: the kept bytes and header, and the bitmap decoded at most once. The codec calls
// themselves are in JpegSession.cpp; whole-file reading is in PictureFileIo.cpp, and encoding and
// saving a result are the operations' (EncodeJpeg) and the batch's.
#include "imaging/JpegImage.h"

#include <istream>
#include <iterator>
#include <new>
#include <utility>

#include "imaging/ImageErrors.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureFileIo.h"

namespace stampwise {

void TJPEGImage::ReadFromFile(const std::string& path, const HeaderReadBefore* known) {
    // Read completely before anything changes: a file that cannot be opened leaves the picture as
    // it was, and no file stays open, so a result may later be saved over its own source.
    std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    const JpegHeader* header = known != nullptr ? known->For(bytes) : nullptr;
    ReadFromBytes(std::move(bytes), header);
}

void TJPEGImage::ReadFromStream(std::istream& stream) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    } catch (const std::bad_alloc&) {
        throw EOutOfResources();
    }
    if (stream.bad()) throw EReadError();
    ReadFromBytes(std::move(bytes));
}

void TJPEGImage::ReadFromBytes(std::vector<std::uint8_t> bytes, const JpegHeader* known) {
    bitmap_.reset();
    header_.reset();
    progressive_ = false;
    data_.emplace();
    data_->Bytes = std::move(bytes);
    // An empty input is accepted here and fails only when decoded.
    if (data_->Bytes.empty()) return;
    // On a header error the bytes stay and the size stays 0 × 0.
    const JpegHeader& header =
        header_.emplace(known != nullptr ? *known : ReadJpegHeader(data_->Bytes.data(), data_->Bytes.size()));
    data_->Width = header.Width;
    data_->Height = header.Height;
    data_->Grayscale = header.Grayscale;
    data_->Credit = header.Credit;
    data_->Date = header.Date;
    data_->Colours = header.Colours;
    data_->IccProfile = header.IccProfile;
    progressive_ = header.Progressive;
}

int TJPEGImage::Width() const {
    if (bitmap_ && (!bitmap_->Empty() || !data_)) return bitmap_->Width();
    return data_ ? data_->Width : 0;
}

int TJPEGImage::Height() const {
    if (bitmap_ && (!bitmap_->Empty() || !data_)) return bitmap_->Height();
    return data_ ? data_->Height : 0;
}

const TBitmap& TJPEGImage::DecodedBitmap(JpegDamage damage, ProfileHandling profiles) {
    if (bitmap_) return *bitmap_;
    // Kept before decoding starts, so that a failure leaves it (empty, or sized with the rows the
    // library delivered) and a later call returns it instead of failing again.
    bitmap_.emplace();
    if (data_ && header_) {
        DecodeJpeg(data_->Bytes.data(), data_->Bytes.size(), *header_, *bitmap_, damage, profiles);
    } else if (data_) {
        DecodeJpeg(data_->Bytes.data(), data_->Bytes.size(), *bitmap_, damage, profiles);
    }
    return *bitmap_;
}

void TBitmap::AssignJpeg(TJPEGImage& jpeg) {
    const TBitmap& decoded = jpeg.DecodedBitmap();
    *this = decoded;
    ResetTransparency();
}

}  // namespace stampwise
