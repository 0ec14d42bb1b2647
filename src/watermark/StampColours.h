// The stamp in the colours of a picture that keeps its profile (ProfileHandling::Keep). The logo is
// sRGB; such a picture's rows stay in their own space, so the stamp goes into that space before it
// is blended, or a ProPhoto photo would show the logo's #203060 as #00437B. This does not decide
// which profile a result keeps (ProfileToKeep) and does not blend (BlendLogo.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "imaging/Bitmap.h"

namespace stampwise {

// The stamp with its colours converted from sRGB into the RGB profile's space, or nothing when the
// profile is empty or one lcms cannot convert into (the stamp is then blended as it is). Pixels
// the blend leaves out (from kSeeThroughFrom up) stay left out, and no other pixel becomes one.
std::shared_ptr<const TBitmap> StampInProfile(const TBitmap& stamp, const std::vector<std::uint8_t>& profile);

// StampInProfile made once per profile for one batch's stamp, shared by its files on any thread.
// Holds at most capacity profiles, forgetting the oldest: a batch mostly meets one or two.
class StampColours {
public:
    explicit StampColours(std::shared_ptr<const TBitmap> stamp, std::size_t capacity = 4);
    StampColours(const StampColours&) = delete;
    StampColours& operator=(const StampColours&) = delete;

    // What StampInProfile gives for the batch's stamp and profile.
    std::shared_ptr<const TBitmap> For(const std::vector<std::uint8_t>& profile);
    // The number of profiles held.
    std::size_t Size() const;

private:
    struct Entry {
        std::vector<std::uint8_t> profile;
        std::shared_ptr<const TBitmap> stamp;
    };
    const std::shared_ptr<const TBitmap> stamp_;
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;  // the newest last
};

}  // namespace stampwise
