// The resize operation: its size rule (ComputeNewSize), its per-file step (ResizePicture) and its
// texts (the question's operation phrase and the resize window's summary).
//
// The rule is integer arithmetic only, so it can be checked without any file. The step scales by
// one nearest-neighbour StretchCopy and nothing else (for a reduction, of the decoded rows it
// samples); it does not save (the runner names and writes the result, see BatchRunner.cpp).
#include "resize/ResizeRule.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "job/JobState.h"
#include "imaging/Bitmap.h"
#include "imaging/ColourProfile.h"
#include "imaging/ExifOrientation.h"
#include "imaging/IntegerMath.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "imaging/PictureCost.h"
#include "imaging/Raster.h"

namespace stampwise {

PictureSize ComputeNewSize(int width, int height, ResizeMode mode, int value) {
    const std::int64_t w = width;
    const std::int64_t h = height;
    const std::int64_t v = value;
    switch (mode) {
        case ResizeMode::Width:
            if (w > v) return {value, SaturateToInt(DivideRoundHalfEven(h * v, w))};
            return {width, height};
        case ResizeMode::Height:
            if (h > v) return {SaturateToInt(DivideRoundHalfEven(w * v, h)), value};
            return {width, height};
        case ResizeMode::Percent:
            return {SaturateToInt(DivideRoundHalfEven(w * v, 100)),
                    SaturateToInt(DivideRoundHalfEven(h * v, 100))};
    }
    return {width, height};
}

ResizedPicture ResizePixels(const SourceFile& file, ResizeMode mode, int value,
                            StepOutcome& outcome, ResultMetadata metadata,
                            ProfileHandling profiles) {
    ResizedPicture resized;
    TBitmap& result = resized.Picture;
    std::vector<std::uint8_t>& exifSegment = resized.ExifSegment;
    std::vector<std::uint8_t>& keptProfile = resized.KeptProfile;
    {
        // The source's bytes and pixels live only in this block, so they are gone before the
        // result is encoded: at most one source and one result are held per file.
        TJPEGImage source;
        // The whole picture, or for a reduction only the rows it samples.
        TBitmap decoded;
        bool isSampled = false;
        try {
            source.ReadFromFile(file.Path, file.Header.get());
            if (source.Data() != nullptr) {
                exifSegment = WriteResultExif(source.Data()->Credit, source.Data()->Date, metadata);
            }
            const int width = source.Width();
            const int height = source.Height();
            outcome.SourceSize = {width, height};

            // Nearest-neighbour sampling reads one source row per result row, so a reduction
            // decodes just those: the same pixels in a fraction of the memory, and the rows in
            // between skip their colour conversion. Sizes that fail below take the full decode,
            // which is what decides how they fail.
            const PictureSize planned = ComputeNewSize(width, height, mode, value);
            isSampled = planned.Width >= 1 && planned.Height >= 1 && planned.Height < height &&
                        source.Data() != nullptr;
            if (isSampled) {
                // An RGB or grey file's rows come as stored: its conversion to sRGB waits for the
                // copy below, so that it touches only the pixels the result keeps. (A CMYK file's
                // rows are converted as they are read.)
                const std::vector<std::uint8_t>& bytes = source.Data()->Bytes;
                DecodeJpegSampledRows(bytes.data(), bytes.size(), *source.Header(), planned.Height,
                                      decoded, JpegDamage::Refuse, ProfileHandling::Keep);
            } else {
                // Not a reduction: the source has no more pixels than the result, so converting
                // while decoding costs no more.
                source.DecodedBitmap(JpegDamage::Refuse, profiles);
                decoded.AssignJpeg(source);  // shares the decoded storage, copies nothing
                outcome.SourceSize = {decoded.Width(), decoded.Height()};
            }

            const PictureSize size =
                isSampled ? planned : ComputeNewSize(decoded.Width(), decoded.Height(), mode, value);
            outcome.NewSize = size;
            // A picture of no pixels is no result: writing it would give an empty file reported
            // as a success.
            if (size.Width < 1 || size.Height < 1) {
                throw std::runtime_error("Недопустимый новый размер картинки: " + FormatSize(size));
            }

            // Every pixel of the result is written by the copy below (the source is not empty, or
            // the size rule would have given a side of 0), so no white fill is needed first. The
            // sampled rows are as many as the result's, so the copy then only scales across.
            result.Allocate(size.Width, size.Height);
            StretchCopy(result, Rect{0, 0, size.Width, size.Height}, decoded);
            // Nearest-neighbour copies pixels unchanged and a conversion works pixel by pixel, so
            // converting after the copy gives what converting the whole source first would.
            if (isSampled && profiles == ProfileHandling::ConvertToSrgb) {
                const JpegColours colours = source.Data()->Colours;
                if (colours == JpegColours::Rgb) {
                    SrgbConversion::ForRgb(source.Data()->IccProfile).ConvertPicture(result);
                } else if (colours == JpegColours::Grey) {
                    SrgbConversion::ForGrey(source.Data()->IccProfile).ConvertPicture(result);
                }
            }
            if (profiles == ProfileHandling::Keep) {
                keptProfile = ProfileToKeep(source.Data()->Colours, source.Data()->IccProfile);
            }
        } catch (...) {
            // What the source picture reports after the failure: 0 × 0 for a file that could not
            // be opened or is no JPEG file; the header's size once that was read.
            outcome.SourceSize = {source.Width(), source.Height()};
            throw;
        }
    }
    return resized;
}

void ResizePicture(const SourceFile& file, ResizeMode mode, int value, StepOutcome& outcome,
                   ResultMetadata metadata, ProfileHandling profiles) {
    const ResizedPicture resized = ResizePixels(file, mode, value, outcome, metadata, profiles);
    outcome.Bytes = EncodeJpeg(resized.Picture, resized.ExifSegment, resized.KeptProfile);
}

std::uint64_t EstimateResizeMemory(std::uint64_t fileBytes, const JpegHeader& header,
                                   PictureSize newSize) {
    const PictureCost cost(fileBytes, header);
    const bool isOnItsSide = SwapsSides(header.Orientation);
    const double turned = isOnItsSide ? 2 : 1;  // a picture stored on its side is turned into a copy
    const double newPixels = static_cast<double>(std::max(newSize.Width, 0)) * std::max(newSize.Height, 0);
    const double result = newPixels * 3;
    const bool isReduction = newSize.Height < cost.Height();
    const double sampled = cost.Rows(std::max(newSize.Height, 0));
    const double decoding =
        isReduction ? sampled + (isOnItsSide ? cost.Picture() : 0) : turned * cost.Picture();
    const double decoded = isReduction ? sampled : cost.Picture();
    // An enlargement repeats each source pixel, which costs few bytes more than the source.
    const double pixels = static_cast<double>(cost.Width()) * cost.Height();
    const double encoded = cost.EncodedBytesPerPixel() * std::min(newPixels, 1.5 * pixels);
    // The library's buffers are gone once the rows are in, the source's pixels once the result is
    // made.
    return cost.Total(std::max({cost.File() + cost.Library() + decoding,
                                cost.File() + decoded + result,
                                result + PictureCost::GrowingBuffer(encoded)}));
}

std::string ResizeOperationPhrase(ResizeMode mode, const std::string& valueText) {
    switch (mode) {
        case ResizeMode::Width: return "чтобы их ширина стала " + valueText + " пикс.,";
        case ResizeMode::Height: return "чтобы их высота стала " + valueText + " пикс.,";
        case ResizeMode::Percent: return "в масштабе " + valueText + "%";
    }
    return std::string();
}

BatchOperation MakeResizeOperation(ResizeMode mode, int value, const std::string& valueText,
                                   ResultMetadata metadata, ProfileHandling profiles) {
    BatchOperation operation;
    operation.Texts = ResizeTexts();
    operation.OperationPhrase = ResizeOperationPhrase(mode, valueText);
    // The rule is captured by value: every file of the batch uses the one confirmed.
    operation.Step = [mode, value, metadata, profiles](const SourceFile& file, StepOutcome& outcome) {
        ResizePicture(file, mode, value, outcome, metadata, profiles);
    };
    operation.EstimateMemory = [mode, value](const std::string& sourcePath) {
        return EstimateFileMemory(sourcePath, [mode, value](std::uint64_t fileBytes,
                                                            const JpegHeader& header) {
            return EstimateResizeMemory(fileBytes, header,
                                        ComputeNewSize(header.Width, header.Height, mode, value));
        });
    };
    return operation;
}

std::string BuildResizeSummary(const std::string& sourceKind, const std::string& sourceFolder,
                               int fileCount, const std::string& targetMode,
                               const TargetTexts& targets, ResizeMode mode,
                               const std::string& valueText) {
    const std::string n = std::to_string(fileCount);
    const std::string& t = valueText;
    std::string summary;
    if (sourceKind == keyword::kFolder) {
        summary += "Все картинки в папке [" + sourceFolder + "] с расширением jpg (всего " + n +
                   ") преобразуются";
    }
    if (sourceKind == keyword::kFiles) {
        summary += "Выбранные " + n + " файла(ов) с картинками преобразуются";
    }

    if (targetMode == keyword::kFolder) {
        summary += " и сохранятся в папку [" + targets.Folder + "].";
    }
    if (targetMode == keyword::kSubfolder) {
        summary += " и сохранятся в подкаталог [" + targets.Subfolder + "].";
    }
    if (targetMode == keyword::kPrefix) {
        summary += " и сохранятся в ту же папку, к названиям файлов спереди будет добавлено слово " +
                   targets.Prefix + ".";
    }
    if (targetMode == keyword::kSuffix) {
        summary += " и сохранятся в ту же папку, к названиям файлов сзади будет добавлено слово " +
                   targets.Suffix + ".";
    }

    switch (mode) {
        case ResizeMode::Width:
            summary += " Ширина обработанных картинок будет " + t +
                       " пикс. Если в каталоге есть картинки ширина которых меньше " + t +
                       " пикс., то их размер изменяться не будет.";
            break;
        case ResizeMode::Height:
            summary += " Высота обработанных картинок будет " + t +
                       " пикс. Если в каталоге есть картинки высота которых меньше " + t +
                       " пикс., то их размер изменяться не будет.";
            break;
        case ResizeMode::Percent:
            // No leading space: it follows the target part's "." directly.
            summary += "Размер картинок будет изменен в масштабе " + t + "%.";
            break;
    }
    return summary;
}

}  // namespace stampwise
