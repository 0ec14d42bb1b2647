// The public decoders, each a loop over one decompression session (JpegSession.h): start it,
// size the picture, hand it the rows to fill, finish, and turn what came upright. The libjpeg calls,
// the settings and the damage rule are the session's; the rows and their turning are here.
//
// A reduction takes only the rows it samples (DecodeJpegSampledRows), and a job that touches each
// row once takes them in turn (JpegRowReader); the same settings and the same library state make
// those rows the full decode's, which the tests check layout by layout. Rows are turned after
// decoding, outside the library's frames, and a refusal of damage is raised only once the rows
// got are where the caller finds them.
#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "imaging/ImageErrors.h"
#include "imaging/JpegSession.h"
#include "imaging/Raster.h"

namespace stampwise {

namespace {

using jpeg_detail::DecompressSession;

// Storage that cannot be had fails as a picture too large to make.
void AllocateOrThrow(TBitmap& bitmap, int width, int height) {
    try {
        bitmap.Allocate(width, height);
    } catch (...) {
        throw EOutOfResources();
    }
}

// Sizes stored for the session's whole stored picture; the rows to read it into.
std::vector<std::uint8_t*> SizeStoredPicture(const DecompressSession& session, TBitmap& stored) {
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(session.Height()));
    AllocateOrThrow(stored, session.Width(), session.Height());
    for (std::size_t y = 0; y < rows.size(); ++y) rows[y] = stored.MutableScanLine(static_cast<int>(y));
    return rows;
}

// Every stored row, then the end. A failure leaves the rows got so far and white below them.
void ReadStoredPicture(DecompressSession& session, std::vector<std::uint8_t*>& rows, JpegDamage damage) {
    session.ReadRows(rows.data(), nullptr, static_cast<int>(rows.size()));
    session.Finish(damage);
}

void Decode(DecompressSession& session, TBitmap& bitmap, JpegDamage damage, ProfileHandling profiles) {
    session.Start(profiles, damage);
    const Orientation orientation = session.Header().Orientation;
    std::vector<std::uint8_t*> rows = SizeStoredPicture(session, bitmap);
    try {
        ReadStoredPicture(session, rows, damage);
    } catch (...) {
        // The kept picture is upright like a complete one.
        TurnUpright(bitmap, orientation);
        throw;
    }
    TurnUpright(bitmap, orientation);
    session.ThrowIfRefused();
}

void CheckRowCount(int rowCount, int height) {
    if (rowCount < 1 || rowCount > height) {
        throw std::invalid_argument("DecodeJpegSampledRows: row count out of range");
    }
}

// A side swap makes the sampled rows stored columns: the stored picture is decoded whole and only
// the sampled rows of its upright form are gathered, which costs one picture, not two.
void SampleSwappedRows(DecompressSession& session, int rowCount, TBitmap& bitmap, JpegDamage damage) {
    TBitmap stored;
    std::vector<std::uint8_t*> rows = SizeStoredPicture(session, stored);
    std::exception_ptr failure;
    try {
        ReadStoredPicture(session, rows, damage);
    } catch (...) {
        failure = std::current_exception();
    }
    const int width = stored.Height();
    const int height = stored.Width();
    CheckRowCount(rowCount, height);
    std::vector<int> sampled(static_cast<std::size_t>(rowCount));
    for (int i = 0; i < rowCount; ++i) sampled[i] = NearestSourceIndex(i, rowCount, height);
    bitmap.Allocate(width, rowCount);
    CopyUprightRows(stored, session.Header().Orientation, sampled.data(), rowCount, bitmap);
    // A decoding error still leaves the rows got so far, as a full decode would.
    if (failure) std::rethrow_exception(failure);
    session.ThrowIfRefused();
}

void DecodeSampled(DecompressSession& session, int rowCount, TBitmap& bitmap, JpegDamage damage,
                   ProfileHandling profiles) {
    session.Start(profiles, damage);
    const Orientation orientation = session.Header().Orientation;
    if (SwapsSides(orientation)) {
        SampleSwappedRows(session, rowCount, bitmap, damage);
        return;
    }
    const int height = session.Height();
    CheckRowCount(rowCount, height);
    // A picture upright only turned top to bottom has row i at stored row height - 1 -
    // NearestSourceIndex(i, …): the stored rows are still read top to bottom, and fill the rows
    // from the last one up. With rowCount <= height the sampled rows strictly increase.
    const bool isBottomUp =
        orientation == Orientation::Turned180 || orientation == Orientation::MirroredTopBottom;
    std::vector<int> storedRows(static_cast<std::size_t>(rowCount));
    std::vector<std::uint8_t*> targets(static_cast<std::size_t>(rowCount));
    // Into a fresh picture, so that a failure before it is sized leaves bitmap as it was.
    TBitmap rows;
    AllocateOrThrow(rows, session.Width(), rowCount);
    for (int k = 0; k < rowCount; ++k) {
        const int i = isBottomUp ? rowCount - 1 - k : k;
        const int sampled = NearestSourceIndex(i, rowCount, height);
        storedRows[k] = isBottomUp ? height - 1 - sampled : sampled;
        targets[k] = rows.MutableScanLine(i);
    }
    const auto keep = [&] {
        // Mirroring left to right turns any set of rows.
        if (orientation == Orientation::MirroredLeftRight || orientation == Orientation::Turned180) {
            TurnUpright(rows, Orientation::MirroredLeftRight);
        }
        bitmap = std::move(rows);
    };
    try {
        session.ReadRows(targets.data(), storedRows.data(), rowCount);
        session.Finish(damage);
    } catch (...) {
        keep();
        throw;
    }
    keep();
    session.ThrowIfRefused();
}

}  // namespace

JpegHeader ReadJpegHeader(const std::uint8_t* data, std::size_t size) {
    DecompressSession session(data, size);
    return session.TakeHeader();
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, TBitmap& bitmap, JpegDamage damage,
                ProfileHandling profiles) {
    DecompressSession session(data, size);
    Decode(session, bitmap, damage, profiles);
}

void DecodeJpeg(const std::uint8_t* data, std::size_t size, const JpegHeader& header, TBitmap& bitmap,
                JpegDamage damage, ProfileHandling profiles) {
    DecompressSession session(data, size, header);
    Decode(session, bitmap, damage, profiles);
}

void DecodeJpegSampledRows(const std::uint8_t* data, std::size_t size, int rowCount, TBitmap& bitmap,
                           JpegDamage damage, ProfileHandling profiles) {
    DecompressSession session(data, size);
    DecodeSampled(session, rowCount, bitmap, damage, profiles);
}

void DecodeJpegSampledRows(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                           int rowCount, TBitmap& bitmap, JpegDamage damage, ProfileHandling profiles) {
    DecompressSession session(data, size, header);
    DecodeSampled(session, rowCount, bitmap, damage, profiles);
}

JpegRowReader::JpegRowReader(const std::uint8_t* data, std::size_t size, JpegDamage damage,
                             ProfileHandling profiles)
    : session_(std::make_unique<DecompressSession>(data, size)), damage_(damage) {
    Begin(profiles);
}

JpegRowReader::JpegRowReader(const std::uint8_t* data, std::size_t size, const JpegHeader& header,
                             JpegDamage damage, ProfileHandling profiles)
    : session_(std::make_unique<DecompressSession>(data, size, header)), damage_(damage) {
    Begin(profiles);
}

void JpegRowReader::Begin(ProfileHandling profiles) {
    session_->Start(profiles, damage_);
    const Orientation orientation = session_->Header().Orientation;
    if (!KeepsRowOrder(orientation)) {
        throw std::invalid_argument("JpegRowReader: the orientation turns the rows out of their order");
    }
    isMirrored_ = orientation != Orientation::AsStored;
}

JpegRowReader::~JpegRowReader() = default;

int JpegRowReader::Width() const { return session_->Width(); }
int JpegRowReader::Height() const { return session_->Height(); }
bool JpegRowReader::IsGrayscale() const { return session_->IsGrayscale(); }
int JpegRowReader::NextRow() const { return nextRow_; }

int JpegRowReader::ReadRows(std::uint8_t* const* rows, int count) {
    session_->ThrowIfFailed();
    if (count <= 0 || nextRow_ >= Height()) return 0;
    const int wanted = std::min(count, Height() - nextRow_);
    session_->ReadRows(rows, nullptr, wanted);
    if (isMirrored_) {
        for (int i = 0; i < wanted; ++i) MirrorRow(rows[i], Width());
    }
    nextRow_ += wanted;
    if (nextRow_ >= Height()) {
        session_->Finish(damage_);
        session_->ThrowIfRefused();
    }
    return wanted;
}

}  // namespace stampwise
