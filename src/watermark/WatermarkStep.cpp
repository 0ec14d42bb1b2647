// The watermark batch step: the window's checks, the stamp prepared once per batch, and the per-file
// StampPicture. The loop, the names, the saving and the report are RunBatch's (src/batch/).
//
// StampPicture streams: rows come from the decoder a band at a time, are stamped and go straight
// to the encoder, so a file costs its compressed bytes twice and one band, never its picture. The
// blend of a row depends only on that row and the logo, so the file is byte for byte what
// stamping the whole decoded picture (StampLogo) and encoding it gives. Only a file whose Exif
// orientation puts its rows out of their stored order is decoded and stamped whole.
// Each row is in sRGB before the logo is blended on it (the reader converts a tagged or CMYK
// source), so the logo's colours land as they are; with ProfileHandling::Keep an RGB or grey
// source's rows stay as stored, the result carries the source's profile, and the logo is blended
// in that profile's colours (StampColours.h).
#include "watermark/WatermarkStep.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "imaging/ExifOrientation.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/PictureCost.h"
#include "imaging/PictureFileIo.h"
#include "watermark/StampColours.h"

namespace stampwise {

std::optional<std::string> CheckWatermarkReady(const std::string& logoPath,
                                               const PlacementSet& placements) {
    // The logo comes first: with neither chosen only its message is shown.
    if (logoPath.empty()) return std::string(kNoLogoText);
    if (placements.empty()) return std::string(kNoPlacementText);
    return std::nullopt;
}

bool RunWatermarkChecks(const std::string& logoPath, const PlacementSet& placements,
                        MessageBoxes& boxes) {
    const std::optional<std::string> problem = CheckWatermarkReady(logoPath, placements);
    if (!problem) return true;
    boxes.NoticeYesNo(*problem);
    return false;
}

namespace {

// Rows per band: the encoder's and the decoder's own batch of rows, small against any picture.
constexpr int kBandRows = 16;

// A file turned out of its row order (upside down, or on its side) has no upright row before the
// whole stored picture is decoded, so it is stamped whole.
void StampWholePicture(const std::vector<std::uint8_t>& source, const JpegHeader& header,
                       const TBitmap& preparedLogo,
                       const PlacementSet& placements, int marginPx, int opacity,
                       ProfileHandling profiles, const std::vector<std::uint8_t>& exifSegment,
                       const std::vector<std::uint8_t>& keptProfile, StepOutcome& outcome) {
    TBitmap picture;
    DecodeJpeg(source.data(), source.size(), header, picture, JpegDamage::Refuse, profiles);
    outcome.SourceSize = PictureSize{picture.Width(), picture.Height()};
    outcome.NewSize = outcome.SourceSize;
    const TBitmap stamped = StampLogo(std::move(picture), preparedLogo, placements, marginPx, opacity);
    outcome.Bytes = EncodeJpeg(stamped, exifSegment, keptProfile);
}

}  // namespace

void StampPicture(const SourceFile& file, const TBitmap& preparedLogo,
                  const PlacementSet& placements, int marginPx, int opacity, StepOutcome& outcome,
                  ResultMetadata metadata, ProfileHandling profiles, StampColours* stampColours) {
    const std::vector<std::uint8_t> source = ReadWholeFile(file.Path);
    // The header is parsed once: here, unless the memory estimate read it from these same bytes.
    const JpegHeader* known = file.Header ? file.Header->For(source) : nullptr;
    JpegHeader own;
    if (known == nullptr) own = ReadJpegHeader(source.data(), source.size());
    const JpegHeader& header = known != nullptr ? *known : own;
    // The header's size already, so that a file failing before its first row reports it.
    outcome.SourceSize = PictureSize{header.Width, header.Height};
    const std::vector<std::uint8_t> exifSegment =
        WriteResultExif(header.Credit, header.Date, metadata);
    const std::vector<std::uint8_t> keptProfile =
        profiles == ProfileHandling::Keep
            ? ProfileToKeep(header.Colours, header.IccProfile)
            : std::vector<std::uint8_t>();
    const std::shared_ptr<const TBitmap> stampInProfile =
        keptProfile.empty() ? nullptr
        : stampColours != nullptr ? stampColours->For(keptProfile)
                                  : StampInProfile(preparedLogo, keptProfile);
    const TBitmap& stamp = stampInProfile ? *stampInProfile : preparedLogo;
    if (!KeepsRowOrder(header.Orientation)) {
        StampWholePicture(source, header, stamp, placements, marginPx, opacity, profiles, exifSegment,
                          keptProfile, outcome);
        return;
    }
    // A damaged source fails rather than being stamped: the reader refuses it after its last row,
    // before the result is complete.
    JpegRowReader reader(source.data(), source.size(), header, JpegDamage::Refuse, profiles);
    const int width = reader.Width();
    const int height = reader.Height();
    outcome.SourceSize = PictureSize{width, height};
    outcome.NewSize = outcome.SourceSize;  // stamping never changes a picture's size

    const std::vector<Rect> stamps =
        stamp.Empty() ? std::vector<Rect>()
                      : StampRects(placements, width, height, stamp.Width(), stamp.Height(), marginPx);
    // A result is about as large as its source: one buffer of that size usually holds it whole.
    JpegRowWriter writer(width, height, source.size(), exifSegment, keptProfile);
    TBitmap band;
    band.Allocate(width, std::min(kBandRows, height));
    std::uint8_t* rows[kBandRows];
    for (int i = 0; i < band.Height(); ++i) rows[i] = band.MutableScanLine(i);

    while (reader.NextRow() < height) {
        const int first = reader.NextRow();
        const int got = reader.ReadRows(rows, band.Height());
        // Stamp after stamp on each row, in the fixed order: a pixel goes through the same blends
        // in the same order as in the whole picture, so overlapping stamps pile up alike.
        for (int i = 0; i < got; ++i) {
            for (const Rect& rect : stamps) {
                BlendLogoRow(rows[i], width, first + i, stamp, rect, opacity);
            }
        }
        writer.WriteRows(rows, got);
    }
    outcome.Bytes = writer.Finish();
}

namespace {

// What StampPicture costs at its peak. Streamed, the source's bytes, the decoder's buffers and a
// band of 16 rows; the encoder's buffer starts at the source's size, and a result half as large
// again (a source of a lower quality) makes it grow once. Stamped whole (rows out of order), the
// decoded picture and its turned copy while decoding, then the picture and the growing result.
std::uint64_t EstimateStampMemory(std::uint64_t fileBytes, const JpegHeader& header) {
    const PictureCost cost(fileBytes, header);
    if (KeepsRowOrder(header.Orientation)) {
        return cost.Total(cost.File() + cost.Library() + cost.Rows(16) +
                          PictureCost::GrowingBuffer(cost.File()));
    }
    const double pixels = static_cast<double>(cost.Width()) * cost.Height();
    const double growingPerPixel = PictureCost::GrowingBuffer(cost.EncodedBytesPerPixel());
    return cost.Total(std::max(cost.File() + cost.Library() + 2 * cost.Picture(),
                               cost.File() + cost.Picture() + growingPerPixel * pixels));
}

// What the three parts of the operation share for one batch. The settings never change after the
// operation is made; the stamp is written by Prepare and CleanUp only, which the runner calls
// before the first file and after the last, so the steps in between only read it.
struct WatermarkBatch {
    WatermarkSettings Settings;
    std::shared_ptr<const TBitmap> Stamp;
    std::shared_ptr<StampColours> StampsInProfiles;  // with ProfileHandling::Keep
};

}  // namespace

BatchOperation MakeWatermarkOperation(const WatermarkSettings& settings) {
    auto batch = std::make_shared<WatermarkBatch>();
    batch->Settings = settings;

    BatchOperation operation;
    operation.Texts = WatermarkTexts();
    operation.OperationPhrase = "";
    operation.Prepare = [batch] {
        const WatermarkSettings& s = batch->Settings;
        if (s.Logo.Empty()) throw std::runtime_error(kEmptyLogoText);
        const LogoSize size = ComputeLogoSize(s.Logo.Width(), s.Logo.Height(), s.SizeMode, s.SizeValue);
        batch->Stamp = std::make_shared<const TBitmap>(
            PrepareLogo(s.Logo, size.Width, size.Height, s.NoiseLevel));
        batch->StampsInProfiles = std::make_shared<StampColours>(batch->Stamp);
    };
    operation.Step = [batch](const SourceFile& file, StepOutcome& outcome) {
        const std::shared_ptr<const TBitmap> stamp = batch->Stamp;
        const std::shared_ptr<StampColours> stampsInProfiles = batch->StampsInProfiles;
        if (!stamp) throw std::logic_error("the watermark stamp was not prepared for this batch");
        const WatermarkSettings& s = batch->Settings;
        StampPicture(file, *stamp, s.Placements, s.MarginPx, s.Opacity, outcome, s.Metadata,
                     s.Profiles, stampsInProfiles.get());
    };
    operation.CleanUp = [batch] {
        batch->Stamp.reset();
        batch->StampsInProfiles.reset();
    };
    operation.EstimateMemory = [](const std::string& sourcePath) {
        return EstimateFileMemory(sourcePath, EstimateStampMemory);
    };
    return operation;
}

}  // namespace stampwise
