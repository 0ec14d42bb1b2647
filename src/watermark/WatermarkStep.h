// The watermark operation's part of a batch: the checks before it, the settings it takes once, the
// logo prepared once, and StampPicture, its per-file step. The window (WatermarkParamsUnit) reads
// its controls into these and hands the operation to RunBatch; nothing here shows a window.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "job/MessageBoxes.h"
#include "batch/BatchRunner.h"
#include "imaging/ColourProfile.h"
#include "imaging/ExifWriter.h"
#include "watermark/LogoCompositing.h"
#include "watermark/StampColours.h"
#include "watermark/WatermarkTexts.h"

namespace stampwise {

inline constexpr const char* kNoLogoText = "Не выбрана картинка логотипа!";
inline constexpr const char* kNoPlacementText = "Не выбрано размещение логотипа!";
// A logo with nothing but white in it (TrimLogo gives an empty picture) is refused rather than
// "stamped" invisibly on every picture.
inline constexpr const char* kEmptyLogoText = "В картинке логотипа нет ни одной точки, кроме белых!";

struct WatermarkSettings {
    TBitmap Logo;  // the trimmed logo
    LogoSizeMode SizeMode = LogoSizeMode::Width;
    int SizeValue = 100;
    PlacementSet Placements;
    int MarginPx = 10;
    int Opacity = 100;
    int NoiseLevel = 10;
    ResultMetadata Metadata;  // what of the source's credit and date results keep
    ProfileHandling Profiles = ProfileHandling::ConvertToSrgb;
};

// The window's two checks, in order: the message to show, or nothing when the batch may run. A
// logo is chosen when logoPath (the text of lblLogoPath) is not empty.
std::optional<std::string> CheckWatermarkReady(const std::string& logoPath,
                                               const PlacementSet& placements);
// The same checks as btnNextClick makes them: the failing one's message in the Yes/No box whose
// answer is ignored, and false; true (and no box) when the batch may run.
bool RunWatermarkChecks(const std::string& logoPath, const PlacementSet& placements,
                        MessageBoxes& boxes);

// Stamps the prepared logo on one source picture; source size = new size = the picture's size, set
// as soon as its header is read. The result is handed back encoded (outcome.Bytes holds the JPEG
// bytes, which the runner saves as they are): byte for byte the encoding of StampLogo's picture,
// made a band of rows at a time without ever holding the picture whole (except for a file whose
// orientation turns its rows out of order). Throws on a file that cannot be read or decoded, or is
// damaged (cut short, broken data: the library's warning).
// The result carries the source's credit and capture date as far as metadata keeps them
// (WriteResultExif). The picture is stamped in sRGB, or with ProfileHandling::Keep as stored, the result then carrying
// the source's profile (ProfileToKeep) and the stamp going into its colours first: through
// stampColours, the batch's, or made for this file alone when it is null.
void StampPicture(const SourceFile& file, const TBitmap& preparedLogo,
                  const PlacementSet& placements, int marginPx, int opacity, StepOutcome& outcome,
                  ResultMetadata metadata = {},
                  ProfileHandling profiles = ProfileHandling::ConvertToSrgb,
                  StampColours* stampColours = nullptr);

// Everything the runner needs for a watermark batch, with the settings copied in now. Prepare makes
// the stamp once (ComputeLogoSize, PrepareLogo) and throws kEmptyLogoText for an empty logo, or
// the picture error of a stamp too large to make; Step stamps one file with it, reading it only, so
// files may run on several threads; CleanUp releases it. Step without a prepared stamp throws.
BatchOperation MakeWatermarkOperation(const WatermarkSettings& settings);

}  // namespace stampwise
