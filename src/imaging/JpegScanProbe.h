// A look at a thin arithmetic-coded first scan before its picture is made. An arithmetic decoder
// that meets the end of its scan's data takes zeros from there on without a word, so a few hundred
// bytes announcing 16384 × 16384 pixels decode to a picture of noise and grey, at the cost of the
// whole picture. Run through that scan alone (as cheaply as the library allows, keeping nothing of
// its pixels), the scan shows whether it asks for more zeros past its data than a complete scan
// does (kArithmeticTailBytes, JpegErrorTrap.h). This does not judge Huffman-coded data, whose
// blocks each cost a bit, nor the scans after the first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace stampwise::jpeg_detail {

// Whether the first scan of the size bytes at data, whose entropy-coded data begins at scanStart,
// runs past its data's end by more than a complete scan. False also when the library fails on the
// bytes: the decode itself meets that, with its rows. Throws std::bad_alloc only.
bool DoesFirstScanOutrunItsData(const std::uint8_t* data, std::size_t size, std::size_t scanStart);

}  // namespace stampwise::jpeg_detail
