// The watermark window's preview and logo choice as plain rules: the two-colour sample, the logo copy
// the preview shows (reduced to the sample picture's size or at full size), the composite with the
// logo blended at the top-left corner, the texts the window shows, and the reading of a chosen logo
// file with its refusals. The window (WatermarkParamsUnit) only reads its controls into these and
// shows what comes back; nothing here shows anything.
//
// The preview shows neither the stamp size, nor the placements, nor the margin: those are the
// batch's (WatermarkStep.h). Nothing here keeps state between calls.
#pragma once

#include <string>
#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/PictureExtension.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {

// The preview box, and the two-colour sample, are this size.
inline constexpr int kPreviewBoxWidth = 200;
inline constexpr int kPreviewBoxHeight = 150;

inline constexpr const char* kUnsupportedLogoText = "Работа с файлами этого формата не поддерживается!";
inline constexpr const char* kLoadLogoHint = "Щелкните здесь, чтобы загрузить логотип";
inline constexpr const char* kChangeLogoHint = "Щелкните здесь, чтобы сменить логотип";

enum class PreviewBackground { TwoColour, Painted };
enum class PreviewZoom { Reduced, FullSize };

struct PreviewSettings {
    PreviewBackground Background = PreviewBackground::Painted;
    PreviewZoom Zoom = PreviewZoom::Reduced;
    int Opacity = 100;    // position of sbAlpha
    int NoiseLevel = 10;  // position of sbNoiseLevel
};

// A white 200 × 150 picture whose lower right triangle, under the diagonal from the bottom-left to
// the top-right corner, is drawn black with pen lines: row y is black from column
// round-half-even((150 − y) · 200 / 150) to the right edge.
TBitmap MakeTwoColourSample();

// The size of the reduced logo copy: the logo's own when it fits in fitWidth × fitHeight; else, when
// it is too wide, fitted to the width (even if it then stays too tall); else fitted to the height.
LogoSize ReducedLogoSize(int logoWidth, int logoHeight, int fitWidth, int fitHeight);

// The logo copy the preview blends, before the noise filter. Reduced: the logo scaled to
// ReducedLogoSize (nearest neighbour). Full size: the logo at its own size, cut or extended with
// white to exactly backgroundWidth × backgroundHeight, top-left corner kept.
TBitmap MakePreviewLogoCopy(const TBitmap& logo, PreviewZoom zoom, int fitWidth, int fitHeight,
                            int backgroundWidth, int backgroundHeight);

// The composite of one redraw: the background (samplePicture for Painted, the two-colour sample
// otherwise), with the logo copy, after FilterLogoNoise, blended over (0, 0, copy width, copy
// height). samplePicture may be null or empty (no sample picture came with the program): the
// two-colour sample then stands in for it as background, and the preview box's size as the size
// the reduced copy fits into. An empty logo gives the background unchanged.
TBitmap ComposePreview(const TBitmap& logo, const TBitmap* samplePicture,
                       const PreviewSettings& settings);

// Draws the composite unscaled at (0, 0) on the preview box's drawing surface, which first becomes
// a white box-sized picture if it has none. Nothing is cleared: where the composite is smaller than
// the surface the earlier contents stay; beyond the surface it is cut off.
void DrawPreviewOnSurface(TBitmap& surface, const TBitmap& composite);

// round-half-even((1 − opacity / 255) · 100): 80 at 50, 61 at 100, 0 at 254.
int TransparencyPercent(int opacity);
// "Прозрачно на 61%"
std::string TransparencyHint(int opacity);
// "Размер изображения 120x80 пикс."
std::string LogoSizeText(int width, int height);

// A logo's extension is read by UpperCaseExtension (imaging/PictureExtension.h).

// The logo file kinds LoadLogoFile reads, by upper-cased extension. The open dialog's filters are
// made from the same list, so the dialog never offers a file the loader then refuses.
struct LogoFileKind {
    const char* Extension;  // ".JPG"
    const char* Caption;    // the dialog's filter name for this kind alone
};
inline constexpr LogoFileKind kLogoFileKinds[] = {
    {".JPG", "Картинки JPEG"},
    {".BMP", "Точечные рисунки"},
};
bool IsLogoExtension(const std::string& upperCaseExtension);
// The open dialog's filters: all readable kinds together first, then each kind alone, e.g.
// "Все картинки (*.jpg *.bmp)". The patterns are lower case; the dialog matches them in any case.
std::vector<std::string> LogoDialogFilters();

struct LogoLoad {
    enum class Outcome { Loaded, UnsupportedFormat, AllWhite, ReadFailed };
    Outcome Result = Outcome::ReadFailed;
    TBitmap Logo;         // the trimmed logo when Loaded, else empty
    std::string Message;  // what to tell the user when not Loaded
    std::string Reason;   // why, without the file's name (for a line that names it already)
};

// Reads a chosen logo file by its upper-cased extension (".JPG" as a JPEG picture, ".BMP" as a BMP
// file) and trims it. Every refusal leaves the caller's logo to the caller: an unknown extension is
// not read at all (kUnsupportedLogoText), a file that fails to read is named as the file list
// names one (OpenErrorText) with its reason on the next line (FailureReason: a damaged JPEG file
// gives the library's warning after the Russian words, an empty BMP file "Stream read error"),
// and a logo with no non-white pixel is refused (kEmptyLogoText) rather than kept as an invisible
// stamp.
LogoLoad LoadLogoFile(const std::string& path);

}  // namespace stampwise
