// libjpeg-turbo's own command-line tools (djpeg, cjpeg) as the reference the codec is compared with,
// and the PPM/PGM files they exchange. The tools come from PATH (script/bootstrap installs them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise::testing {

// Runs a shell command line; returns its exit status. stderr is discarded (warnings of djpeg on
// truncated files are expected).
int RunCommand(const std::string& commandLine);
// The argument quoted for the shell.
std::string ShellQuoted(const std::string& text);
bool HasTool(const std::string& name);

// P6 with maxval 255.
void WritePpm(const std::string& path, const TBitmap& picture);
// P6 (RGB) or P5 (grey, widened to R = G = B); throws on anything else.
TBitmap ReadPnm(const std::string& path);

// `djpeg -dct float [-colors 236] -pnm` of a file, as a picture.
TBitmap DjpegDecode(const std::string& jpegPath, bool grayscale236, const std::string& scratchFolder);
// `cjpeg -quality 90 -baseline -dct float` of the pixels, as bytes.
std::vector<std::uint8_t> CjpegEncode(const TBitmap& picture, const std::string& scratchFolder);

// A deterministic photo-like picture: smooth gradients with fine detail and noise, so that every
// DCT coefficient and the chroma subsampling matter. Odd sizes exercise partial blocks.
TBitmap MakePhotoLike(int width, int height, unsigned seed);

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::string& path);

// The index of the first pixel where a and b differ, or -1 when they are the same size and equal.
long long FirstDifference(const TBitmap& a, const TBitmap& b);

}  // namespace stampwise::testing

namespace stampwise::testing {

// The picture compressed by libjpeg directly, progressive and/or grayscale (quality 75), for
// inputs the project's own encoder never writes.
std::vector<std::uint8_t> EncodeWithLibjpeg(const TBitmap& picture, bool isProgressive, bool isGrayscale);

// The JPEG markers of a file in order (0xC0 for SOF0, 0xE1 for APP1 …), up to the first scan.
std::vector<int> JpegMarkersBeforeScan(const std::vector<std::uint8_t>& bytes);
// The component count of the file's start-of-frame segment, or -1.
int JpegFrameComponents(const std::vector<std::uint8_t>& bytes);

}  // namespace stampwise::testing
