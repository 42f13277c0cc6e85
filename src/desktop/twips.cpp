#include "desktop/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <limits>

namespace qs::qt {

namespace {

constexpr double kFallbackDotsPerInch = 96.0;
constexpr double kMinDotsPerInch = 24.0;
constexpr double kMaxDotsPerInch = 1440.0;

double SaneDotsPerInch(double dpi) {
    if (!std::isfinite(dpi) || dpi < kMinDotsPerInch || dpi > kMaxDotsPerInch) {
        return kFallbackDotsPerInch;
    }
    return dpi;
}

// Rounds and keeps the result inside the range of the target type, so that absurd twips
// values from the layout can never overflow.
int ClampToInt(double v) {
    constexpr double kLimit = 1.0e9;
    return static_cast<int>(std::lround(std::clamp(v, -kLimit, kLimit)));
}

}  // namespace

TwipsScale::TwipsScale(double dotsPerInchX, double dotsPerInchY)
    : dotsPerInchX_(SaneDotsPerInch(dotsPerInchX)), dotsPerInchY_(SaneDotsPerInch(dotsPerInchY)) {
    twipsPerPixelX_ = std::max(1, ClampToInt(kTwipsPerInch / dotsPerInchX_));
    twipsPerPixelY_ = std::max(1, ClampToInt(kTwipsPerInch / dotsPerInchY_));
}

TwipsScale TwipsScale::ForScreen(const QScreen* screen) {
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return TwipsScale();
    return TwipsScale(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
}

int TwipsScale::ToPixelsX(std::int32_t twips) const {
    return ClampToInt(twips * dotsPerInchX_ / kTwipsPerInch);
}

int TwipsScale::ToPixelsY(std::int32_t twips) const {
    return ClampToInt(twips * dotsPerInchY_ / kTwipsPerInch);
}

std::int32_t TwipsScale::ToTwipsX(int pixels) const {
    return ClampToInt(static_cast<double>(pixels) * kTwipsPerInch / dotsPerInchX_);
}

std::int32_t TwipsScale::ToTwipsY(int pixels) const {
    return ClampToInt(static_cast<double>(pixels) * kTwipsPerInch / dotsPerInchY_);
}

}  // namespace qs::qt
