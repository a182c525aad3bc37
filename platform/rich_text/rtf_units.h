#pragma once
// What the rich-text reader and writer agree on: lengths and the shape of a bulleted
// paragraph. Rich text measures in twips (1/20 point); the text document measures in pixels
// of 96 per inch, so 15 twips make a pixel.

#include <cmath>

namespace rtf {

inline constexpr double kTwipsPerPixel = 15.0;

inline int PixelsToTwips(double pixels) {
    return static_cast<int>(std::lround(pixels * kTwipsPerPixel));
}
inline double TwipsToPixels(int twips) {
    return twips / kTwipsPerPixel;
}

// A bulleted paragraph as word processors write it: the text half an inch further in than
// the paragraph's own left indent, the bullet a quarter inch before the text.
inline constexpr int kBulletTextIndent = 720;
inline constexpr int kBulletHang = -360;

// Font sizes are in half points.
inline constexpr int kDefaultHalfPoints = 24;

}  // namespace rtf
