// Converting the stamp into a kept profile's space: lcms does the colours (ConvertSrgbPictureInto);
// this keeps the blend's see-through rule on the converted pixels, which is decided on the logo's
// own sRGB values.
#include "watermark/StampColours.h"

#include <algorithm>
#include <utility>

#include "imaging/ColourProfile.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {

namespace {

// The blend's test (BlendLogo.cpp): blue 255, green 255, red from kSeeThroughFrom's up.
bool IsSeeThrough(const std::uint8_t* pixel) {
    return pixel[2] == 0xFF && pixel[1] == 0xFF && pixel[0] >= (kSeeThroughFrom & 0xFF);
}

}  // namespace

std::shared_ptr<const TBitmap> StampInProfile(const TBitmap& stamp, const std::vector<std::uint8_t>& profile) {
    if (profile.empty() || stamp.Empty()) return nullptr;
    TBitmap converted;
    converted.Allocate(stamp.Width(), stamp.Height());
    for (int y = 0; y < stamp.Height(); ++y) {
        std::copy_n(stamp.ScanLine(y), stamp.RowBytes(), converted.MutableScanLine(y));
    }
    if (!ConvertSrgbPictureInto(profile, converted)) return nullptr;
    // Whether a pixel is blended was decided on its sRGB value: a see-through pixel may come out a
    // shade off white, and a blended near-white one may come out as white.
    constexpr std::uint8_t kLastBlendedRed = (kSeeThroughFrom & 0xFF) - 1;
    for (int y = 0; y < stamp.Height(); ++y) {
        const std::uint8_t* from = stamp.ScanLine(y);
        std::uint8_t* to = converted.MutableScanLine(y);
        for (int x = 0; x < stamp.Width(); ++x, from += 3, to += 3) {
            if (IsSeeThrough(from)) {
                std::fill_n(to, 3, std::uint8_t{0xFF});
            } else if (IsSeeThrough(to)) {
                to[0] = kLastBlendedRed;
            }
        }
    }
    return std::make_shared<const TBitmap>(std::move(converted));
}

StampColours::StampColours(std::shared_ptr<const TBitmap> stamp, std::size_t capacity)
    : stamp_(std::move(stamp)), capacity_(std::max<std::size_t>(capacity, 1)) {}

std::shared_ptr<const TBitmap> StampColours::For(const std::vector<std::uint8_t>& profile) {
    if (profile.empty() || !stamp_) return nullptr;
    // Made while holding the lock: files that start together with a new profile make its stamp once.
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const Entry& e) { return e.profile == profile; });
    if (found != entries_.end()) return found->stamp;
    std::shared_ptr<const TBitmap> made = StampInProfile(*stamp_, profile);
    if (entries_.size() >= capacity_) entries_.erase(entries_.begin());
    entries_.push_back(Entry{profile, made});
    return made;
}

std::size_t StampColours::Size() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return entries_.size();
}

}  // namespace stampwise
