// The resize operation's size rule and its per-file step.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/Bitmap.h"
#include "imaging/ColourProfile.h"
#include "imaging/ExifWriter.h"
#include "imaging/JpegDecoder.h"
#include "job/SizeMode.h"
#include "resize/ResizeTexts.h"

namespace stampwise {

using ResizeMode = SizeMode;

// Pure and exact: the products are formed in 64-bit integers and each quotient is rounded once to
// nearest, halves to even (640 × 481 at width 320 gives 240). Width and height modes never enlarge.
PictureSize ComputeNewSize(int width, int height, ResizeMode mode, int value);

// The resize TransformStep: read, decode, size rule, a new picture of the new size, one
// StretchCopy, encoded into outcome.Bytes. A reduction decodes only the rows the copy samples, which gives the
// same pixels. Sizes are the upright picture's (a file's Exif orientation already applied). A new
// width or height below 1 fails the file (after filling both sizes): a picture of no pixels is
// never written.
// A damaged source (cut short, broken data) fails with the library's warning rather than giving a
// result with the library's grey in it. The result carries the source's credit and capture date
// as far as metadata keeps them (WriteResultExif). It is in sRGB (only the pixels it keeps are
// converted), or with ProfileHandling::Keep holds an RGB or grey source's pixels as stored and its
// profile (ProfileToKeep).
void ResizePicture(const SourceFile& file, ResizeMode mode, int value, StepOutcome& outcome,
                   ResultMetadata metadata = {},
                   ProfileHandling profiles = ProfileHandling::ConvertToSrgb);

// What ResizePicture encodes: the result's pixels and what its file carries besides them.
struct ResizedPicture {
    TBitmap Picture;
    std::vector<std::uint8_t> ExifSegment;
    std::vector<std::uint8_t> KeptProfile;
};
// ResizePicture up to the encoding; outcome gets the sizes, not the bytes.
ResizedPicture ResizePixels(const SourceFile& file, ResizeMode mode, int value,
                            StepOutcome& outcome, ResultMetadata metadata = {},
                            ProfileHandling profiles = ProfileHandling::ConvertToSrgb);

// What resizing a file to newSize costs in memory at its peak (fileBytes and header: the source's).
// A reduction decodes only the rows it samples (all of them when the picture is stored on its side,
// to be turned); an enlargement decodes the whole and repeats its pixels.
std::uint64_t EstimateResizeMemory(std::uint64_t fileBytes, const JpegHeader& header,
                                   PictureSize newSize);

// The operation phrase of the confirmation, with valueText the spin edit's text as typed.
std::string ResizeOperationPhrase(ResizeMode mode, const std::string& valueText);

// Everything the runner needs for a resize batch.
BatchOperation MakeResizeOperation(ResizeMode mode, int value, const std::string& valueText,
                                   ResultMetadata metadata = {},
                                   ProfileHandling profiles = ProfileHandling::ConvertToSrgb);

// The resize window's summary (lblHint): source part + target part + mode part.
std::string BuildResizeSummary(const std::string& sourceKind, const std::string& sourceFolder,
                               int fileCount, const std::string& targetMode,
                               const TargetTexts& targets, ResizeMode mode,
                               const std::string& valueText);

}  // namespace stampwise
