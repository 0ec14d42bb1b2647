// Small real JPEG files for tests of the batch: written by the project's own encoder from a
// picture whose left half is red and right half blue, so that a result shows whether it was
// scaled the right way round.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/Bitmap.h"

namespace stampwise::testing {

inline constexpr ColorValue kTestLeftColor = RGBColor(220, 30, 30);
inline constexpr ColorValue kTestRightColor = RGBColor(30, 30, 220);

// Writes a width × height JPEG file at path (left half kTestLeftColor, right half kTestRightColor).
void WriteTestJpeg(const std::string& path, int width, int height);

// Cuts the JPEG file at path in the middle of its first scan's data, as a half-copied photo is:
// the header stays whole, the entropy-coded data ends early.
void CutShort(const std::string& path);

// The size a JPEG file's header gives; throws when it is no JPEG file.
PictureSize JpegFileSize(const std::string& path);

// The decoded pixels of a JPEG file.
TBitmap DecodeJpegFile(const std::string& path);

// True when every channel of a and b differs by at most tolerance (JPEG is lossy).
bool ColorsClose(ColorValue a, ColorValue b, int tolerance = 40);

// A file's bytes (to show that a file was left untouched); throws when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace stampwise::testing
