// How the process keeps the memory of its pictures: for reuse between files, set once at start-up
// by a program that runs batches, and given back to the system when a batch is over (the windows).
#pragma once

#include <cstdint>

namespace stampwise {

// Makes the memory of one file's pictures reusable by the next file instead of being returned to
// the system and faulted in afresh. The peak stays that of the pictures alive at once. Call before
// any thread is started; does nothing where the C library offers no such control.
void KeepPictureMemoryForReuse();

// Gives the memory of freed pictures back to the system: for a program that waits between batches
// (the windows) once a batch is over. Does nothing where the C library offers no such control.
void ReturnPictureMemory();

// The bytes freed pictures left in the process's heap, which new pictures take before asking the
// system for more: what a memory limit counts as used but the next file can still have. 0 where
// the C library does not say.
std::uint64_t ReusablePictureMemory();

}  // namespace stampwise
