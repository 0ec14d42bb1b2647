// The watermark batch step: the window's checks, the stamp prepared once per batch, and the per-file
// StampPicture. The loop, the names, the saving and the report are RunBatch's (src/batch/).
#include "watermark/WatermarkStep.h"

#include <stdexcept>
#include <utility>

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

void StampPicture(const std::string& sourcePath, const TBitmap& preparedLogo,
                  const PlacementSet& placements, int marginPx, int opacity, StepOutcome& outcome) {
    TBitmap picture;
    {
        TJPEGImage jpeg;
        jpeg.ReadFromFile(sourcePath);
        jpeg.DecodedBitmap(JpegDamage::Refuse);  // a damaged source fails rather than being stamped
        picture.AssignJpeg(jpeg);
    }  // the JPEG's hold on the decoded pixels ends here, so the stamp writes into them uncopied
    outcome.SourceSize = PictureSize{picture.Width(), picture.Height()};
    outcome.NewSize = outcome.SourceSize;  // stamping never changes a picture's size

    const TBitmap stamped = StampLogo(std::move(picture), preparedLogo, placements, marginPx, opacity);
    outcome.Picture.AssignBitmap(stamped);
}

namespace {

// What the three parts of the operation share for one batch. The settings never change after the
// operation is made; the stamp is written by Prepare and CleanUp only, which the runner calls
// before the first file and after the last, so the steps in between only read it.
struct WatermarkBatch {
    WatermarkSettings Settings;
    std::shared_ptr<const TBitmap> Stamp;
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
    };
    operation.Step = [batch](const std::string& sourcePath, StepOutcome& outcome) {
        const std::shared_ptr<const TBitmap> stamp = batch->Stamp;
        if (!stamp) throw std::logic_error("the watermark stamp was not prepared for this batch");
        const WatermarkSettings& s = batch->Settings;
        StampPicture(sourcePath, *stamp, s.Placements, s.MarginPx, s.Opacity, outcome);
    };
    operation.CleanUp = [batch] { batch->Stamp.reset(); };
    return operation;
}

}  // namespace stampwise
