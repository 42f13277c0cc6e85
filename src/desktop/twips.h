#pragma once

#include <cstdint>

class QScreen;

namespace qs::qt {

// Converts between twips (1/1440 inch), the unit the core lays the window out in, and the
// device-independent pixels Qt places widgets with. Qt scales those pixels to the physical
// density of the screen itself, so the layout stays sharp on high-density screens.
class TwipsScale {
public:
    static constexpr std::int32_t kTwipsPerInch = 1440;

    // 15 twips per pixel, the scale of a 96 dots-per-inch screen.
    TwipsScale() = default;
    TwipsScale(double dotsPerInchX, double dotsPerInchY);
    // Uses the logical dots per inch of the given screen (the primary one when null).
    static TwipsScale ForScreen(const QScreen* screen);

    std::int32_t twipsPerPixelX() const { return twipsPerPixelX_; }
    std::int32_t twipsPerPixelY() const { return twipsPerPixelY_; }

    int ToPixelsX(std::int32_t twips) const;
    int ToPixelsY(std::int32_t twips) const;
    std::int32_t ToTwipsX(int pixels) const;
    std::int32_t ToTwipsY(int pixels) const;

private:
    double dotsPerInchX_ = 96.0;
    double dotsPerInchY_ = 96.0;
    std::int32_t twipsPerPixelX_ = 15;
    std::int32_t twipsPerPixelY_ = 15;
};

}  // namespace qs::qt
