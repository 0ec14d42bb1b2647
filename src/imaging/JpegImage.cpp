// TJPEGImage's state: the kept bytes and header, the bitmap decoded at most once, and the save that
// encodes only when there are no bytes yet. The codec calls themselves are in JpegDecoder.cpp and
// JpegEncoder.cpp; whole-file reading is in PictureFileIo.cpp, the system calls of the safe
// replace in platform/FileOperations.cpp.
#include "imaging/JpegImage.h"

#include <cerrno>
#include <cstdio>
#include <istream>
#include <iterator>
#include <new>
#include <random>
#include <utility>

#include "imaging/ImageErrors.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/PictureFileIo.h"
#include "platform/FileOperations.h"

namespace stampwise {

void TJPEGImage::ReadFromFile(const std::string& path) {
    // Read completely before anything changes: a file that cannot be opened leaves the picture as
    // it was, and no file stays open, so a result may later be saved over its own source.
    ReadFromBytes(ReadWholeFile(path));
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

void TJPEGImage::ReadFromBytes(std::vector<std::uint8_t> bytes) {
    bitmap_.reset();
    profileToWrite_.clear();
    progressive_ = false;
    data_.emplace();
    data_->Bytes = std::move(bytes);
    // An empty input is accepted here and fails only when decoded.
    if (data_->Bytes.empty()) return;
    // On a header error the bytes stay and the size stays 0 × 0.
    JpegHeader header = ReadJpegHeader(data_->Bytes.data(), data_->Bytes.size());
    data_->Width = header.Width;
    data_->Height = header.Height;
    data_->Grayscale = header.Grayscale;
    data_->Credit = std::move(header.Credit);
    data_->Colours = header.Colours;
    data_->IccProfile = std::move(header.IccProfile);
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
    if (data_) DecodeJpeg(data_->Bytes.data(), data_->Bytes.size(), *bitmap_, damage, profiles);
    return *bitmap_;
}

void TJPEGImage::AssignBitmap(const TBitmap& bitmap, std::vector<std::uint8_t> exifSegment,
                              std::vector<std::uint8_t> iccProfile) {
    bitmap_ = bitmap;
    exifSegment_ = std::move(exifSegment);
    profileToWrite_ = std::move(iccProfile);
    data_.reset();
    progressive_ = false;
}

void TJPEGImage::WriteToFile(const std::string& path) {
    const std::vector<std::uint8_t>& bytes = EncodedBytes(path);
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0                ? "/"
                                                           : path.substr(0, slash);
    // A name of fixed length in the target's folder, so the rename stays on one file system and
    // any legal target name works; an exclusive create makes a clash a retry, never an overwrite.
    std::mt19937_64 random(std::random_device{}());
    std::string temporary;
    int fd = -1;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".stampwise-%016llx.tmp",
                      static_cast<unsigned long long>(random()));
        temporary = folder + "/" + name;
        error = CreateFileExclusively(temporary, fd);
    }
    if (error != 0) throw EFCreateError(path, error);
    error = TakePermissionBits(fd, path);
    if (error == 0) error = WriteAll(fd, bytes.data(), bytes.size());
    // Without the flush, a power cut soon after the rename can leave a zero-length file where the
    // earlier good one was.
    if (error == 0) error = FlushFile(fd);
    const int closed = CloseFile(fd);
    if (error == 0) error = closed;
    if (error == 0) error = RenameReplacing(temporary, path);
    if (error != 0) {
        RemoveFile(temporary);
        throw EFCreateError(path, error);
    }
    SyncFolder(folder);
}

const std::vector<std::uint8_t>& TJPEGImage::EncodedBytes(const std::string& path) {
    if (!data_) {
        // A zero-length result would read back as no picture at all; refuse it as a failed save.
        if (!bitmap_ || bitmap_->Empty()) throw EFCreateError(path, "The picture is empty");
        TJPEGData encoded;
        encoded.Bytes = EncodeJpeg(*bitmap_, exifSegment_, profileToWrite_);
        encoded.Width = bitmap_->Width();
        encoded.Height = bitmap_->Height();
        data_ = std::move(encoded);
    }
    if (data_->Bytes.empty()) throw EFCreateError(path, "The picture is empty");
    return data_->Bytes;
}

void TBitmap::AssignJpeg(TJPEGImage& jpeg) {
    const TBitmap& decoded = jpeg.DecodedBitmap();
    *this = decoded;
    ResetTransparency();
}

}  // namespace stampwise
