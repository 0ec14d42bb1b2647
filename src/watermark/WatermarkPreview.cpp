// The preview's pictures and texts and the logo choice; see WatermarkPreview.h. The compositing
// itself (FilterLogoNoise, BlendLogo, TrimLogo) is LogoCompositing's; this file only decides what
// goes into it.
#include "watermark/WatermarkPreview.h"

#include <algorithm>
#include <cstdint>
#include <exception>

#include "batch/FailureReasons.h"
#include "imaging/ImageErrors.h"
#include "imaging/IntegerMath.h"
#include "imaging/JpegImage.h"
#include "imaging/PictureFileIo.h"
#include "imaging/PictureCost.h"
#include "imaging/PictureMemory.h"
#include "imaging/Raster.h"
#include "platform/MemoryLimits.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {

namespace {

int RoundedSide(std::int64_t numerator, std::int64_t denominator) {
    return static_cast<int>(DivideRoundHalfEven(numerator, denominator));
}

TBitmap ScaledCopy(const TBitmap& logo, int width, int height) {
    TBitmap copy;
    copy.ChangeSize(width, height);  // a side of 0 leaves it empty, and the copy then draws nothing
    StretchCopy(copy, Rect{0, 0, width, height}, logo);
    return copy;
}

}  // namespace

TBitmap MakeTwoColourSample() {
    TBitmap sample;
    sample.ChangeSize(kPreviewBoxWidth, kPreviewBoxHeight);
    sample.SetPenColor(kColorBlack);
    // a = 0 draws row 150, just below the picture; the pen clips it. Each line stops short of
    // column 200, which is also just outside.
    for (int a = 0; a <= kPreviewBoxHeight; ++a) {
        sample.MovePen(RoundedSide(std::int64_t{a} * kPreviewBoxWidth, kPreviewBoxHeight),
                       kPreviewBoxHeight - a);
        sample.DrawLineTo(kPreviewBoxWidth, kPreviewBoxHeight - a);
    }
    return sample;
}

LogoSize ReducedLogoSize(int logoWidth, int logoHeight, int fitWidth, int fitHeight) {
    if (logoWidth <= fitWidth && logoHeight <= fitHeight) return {logoWidth, logoHeight};
    // The width is tested first, so a logo both too wide and far too tall may stay too tall.
    if (logoWidth > fitWidth) {
        return {fitWidth, RoundedSide(std::int64_t{fitWidth} * logoHeight, logoWidth)};
    }
    return {RoundedSide(std::int64_t{logoWidth} * fitHeight, logoHeight), fitHeight};
}

TBitmap MakePreviewLogoCopy(const TBitmap& logo, PreviewZoom zoom, int fitWidth, int fitHeight,
                            int backgroundWidth, int backgroundHeight) {
    if (logo.Empty()) return TBitmap();
    if (zoom == PreviewZoom::FullSize) {
        TBitmap copy = logo;
        copy.ChangeSize(backgroundWidth, backgroundHeight);
        return copy;
    }
    const LogoSize size = ReducedLogoSize(logo.Width(), logo.Height(), fitWidth, fitHeight);
    if (size.Width == logo.Width() && size.Height == logo.Height()) return logo;
    return ScaledCopy(logo, size.Width, size.Height);
}

TBitmap ComposePreview(const TBitmap& logo, const TBitmap* samplePicture,
                       const PreviewSettings& settings) {
    const bool hasSample = samplePicture != nullptr && !samplePicture->Empty();
    const TBitmap background = settings.Background == PreviewBackground::Painted && hasSample
                                   ? *samplePicture
                                   : MakeTwoColourSample();
    // The reduced copy fits the sample picture's size whichever background is shown.
    const int fitWidth = hasSample ? samplePicture->Width() : kPreviewBoxWidth;
    const int fitHeight = hasSample ? samplePicture->Height() : kPreviewBoxHeight;

    const TBitmap copy =
        FilterLogoNoise(MakePreviewLogoCopy(logo, settings.Zoom, fitWidth, fitHeight,
                                            background.Width(), background.Height()),
                        settings.NoiseLevel);
    TBitmap composite;
    BlendLogo(background, copy, Rect{0, 0, copy.Width(), copy.Height()}, settings.Opacity,
              composite);
    return composite;
}

void DrawPreviewOnSurface(TBitmap& surface, const TBitmap& composite) {
    if (surface.Empty()) surface.ChangeSize(kPreviewBoxWidth, kPreviewBoxHeight);
    DrawAt(surface, 0, 0, composite);
}

int TransparencyPercent(int opacity) {
    return static_cast<int>(DivideRoundHalfEven((255 - std::int64_t{opacity}) * 100, 255));
}

std::string TransparencyHint(int opacity) {
    return "Прозрачно на " + std::to_string(TransparencyPercent(opacity)) + "%";
}

std::string LogoSizeText(int width, int height) {
    return "Размер изображения " + std::to_string(width) + "x" + std::to_string(height) + " пикс.";
}

bool IsLogoExtension(const std::string& upperCaseExtension) {
    for (const LogoFileKind& kind : kLogoFileKinds) {
        if (upperCaseExtension == kind.Extension) return true;
    }
    return false;
}

std::vector<std::string> LogoDialogFilters() {
    auto pattern = [](const LogoFileKind& kind) {
        std::string text = std::string("*") + kind.Extension;
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return text;
    };
    std::string all;
    std::vector<std::string> filters(1);
    for (const LogoFileKind& kind : kLogoFileKinds) {
        all += (all.empty() ? "" : " ") + pattern(kind);
        filters.push_back(std::string(kind.Caption) + " (" + pattern(kind) + ")");
    }
    filters.front() = "Все картинки (" + all + ")";
    return filters;
}

namespace {

// A logo is read whole, decoded and trimmed into a copy before it is prepared; a file whose header
// announces more than the memory available holds (a few bytes of run-length data may announce
// 16384 × 16384 pixels) is refused before its pixels are made. The file itself must be a regular
// one, like a source.
void CheckLogoFits(const std::string& path, const std::string& extension) {
    constexpr std::size_t kHeaderBytes = 64 * 1024;
    const FileHead head = ReadFileHead(path, kHeaderBytes);
    JpegHeader header;
    if (extension == ".JPG") {
        try {
            header = ReadJpegHeader(head.Bytes.data(), head.Bytes.size());
        } catch (const std::exception&) {
            return;  // the reading itself says what is wrong with the file
        }
    } else {
        std::int64_t width = 0;
        std::int64_t height = 0;
        ReadBmpHeaderSize(head.Bytes.data(), head.Bytes.size(), width, height);
        if (width * height > kMaxPicturePixels) return;  // refused by the reader with its own error
        header.Width = static_cast<int>(width);
        header.Height = static_cast<int>(height);
    }
    // At most the picture and one copy: the turned one, or the trimmed one.
    const std::uint64_t need = DecodedWholeMemory(head.FileBytes, header, true);
    // Beyond a resource limit an allocation fails cleanly; only the limits whose excess kills the
    // process are judged before the pixels are made.
    MemorySources killing;
    killing.AddressSpaceLimit = kUnknownMemory;
    killing.DataLimit = kUnknownMemory;
    const std::uint64_t available = AvailableMemoryBytes(killing);
    if (available == kUnknownMemory) return;
    const std::uint64_t room = available + std::min(ReusablePictureMemory(), kUnknownMemory - available);
    if (need > room) throw EOutOfResources();
}

}  // namespace

LogoLoad LoadLogoFile(const std::string& path) {
    using Outcome = LogoLoad::Outcome;
    const std::string extension = UpperCaseExtension(path);
    if (!IsLogoExtension(extension)) {
        return {Outcome::UnsupportedFormat, TBitmap(), kUnsupportedLogoText, kUnsupportedLogoText};
    }
    TBitmap trimmed;
    try {
        CheckLogoFits(path, extension);
        TBitmap logo;
        if (extension == ".JPG") {
            TJPEGImage jpeg;
            jpeg.ReadFromFile(path);
            // The logo goes onto every picture of a batch: a damaged one is refused, not stamped.
            jpeg.DecodedBitmap(JpegDamage::Refuse);
            logo.AssignJpeg(jpeg);
        } else {
            logo.ReadBmpFile(path);
            // An empty file reads as an empty picture, which is no logo at all, not an all-white one.
            if (logo.Empty()) throw EReadError();
        }
        trimmed = TrimLogo(logo);
    } catch (const std::exception& error) {
        // Named as the file list names a file it cannot show, with why on the line after.
        const std::string reason = FailureReason(error);
        return {Outcome::ReadFailed, TBitmap(), OpenErrorText(path) + "\n\r" + reason, reason};
    }
    if (trimmed.Empty()) return {Outcome::AllWhite, TBitmap(), kEmptyLogoText, kEmptyLogoText};
    return {Outcome::Loaded, trimmed, "", ""};
}

}  // namespace stampwise
