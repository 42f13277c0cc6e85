#include "procedure/adjust_search.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qs::procedure {
namespace {

// Each move at most this many times the one before.
constexpr int kGrowth = 4;

int Sign(double x) {
    return x > 0 ? 1 : (x < 0 ? -1 : 0);
}

}  // namespace

AdjustSearch::AdjustSearch(Setup setup) : setup_(setup), pending_(setup.start) {}

void AdjustSearch::Measured(double measured) {
    if (end_ != End::Going) return;
    points_.push_back({pending_, measured});
    if (std::fabs(measured - setup_.target) <= setup_.tolerance) end_ = End::Met;
}

std::optional<int> AdjustSearch::Next() {
    if (end_ != End::Going || points_.empty()) return std::nullopt;
    if (settings_ >= setup_.maxSettings) {
        end_ = End::Exhausted;
        return std::nullopt;
    }
    const std::optional<int> next = Propose();
    if (!next) return std::nullopt;
    pending_ = *next;
    ++settings_;
    return next;
}

AdjustSearch::Point AdjustSearch::best() const {
    if (points_.empty()) return {setup_.start, 0.0};
    return *std::min_element(points_.begin(), points_.end(), [this](const Point& a, const Point& b) {
        return std::fabs(a.measured - setup_.target) < std::fabs(b.measured - setup_.target);
    });
}

bool AdjustSearch::Tried(int value) const {
    return std::any_of(points_.begin(), points_.end(),
                       [value](const Point& p) { return p.value == value; });
}

int AdjustSearch::Clamp(int value) const {
    return std::clamp(value, setup_.min, setup_.max);
}

// The nearest values on either side of the target, when measurements lie on both sides; the
// item's value that meets it lies strictly between them.
std::optional<int> AdjustSearch::Bracket(int& low, int& high) const {
    const Point* below = nullptr;
    const Point* above = nullptr;
    for (const Point& p : points_) {
        if (p.measured < setup_.target && (!below || p.measured > below->measured)) below = &p;
        if (p.measured > setup_.target && (!above || p.measured < above->measured)) above = &p;
    }
    if (!below || !above) return std::nullopt;
    low = std::min(below->value, above->value);
    high = std::max(below->value, above->value);
    return high - low;
}

std::optional<int> AdjustSearch::Propose() {
    const Point& last = points_.back();
    int candidate = 0;
    int direction = 0;
    if (points_.size() == 1) {
        // One step, to learn which way the measurement moves; most items raise what they set.
        direction = last.measured < setup_.target ? 1 : -1;
        candidate = last.value + direction;
        if (candidate < setup_.min || candidate > setup_.max) {
            direction = -direction;
            candidate = last.value + direction;
        }
    } else {
        const Point& before = points_[points_.size() - 2];
        const int step = last.value - before.value;
        const int maxMove = std::max(1, kGrowth * std::abs(step));
        const double slope = (last.measured - before.measured) / step;
        int move = 0;
        if (slope == 0.0) {
            // Nothing moved: the meter may not resolve so small a step; go on the same way.
            move = 2 * step;
        } else {
            const double wanted = (setup_.target - last.measured) / slope;
            move = static_cast<int>(std::lround(wanted));
            if (move == 0) move = Sign(wanted);
        }
        move = std::clamp(move, -maxMove, maxMove);
        direction = Sign(move);
        candidate = last.value + move;
    }
    candidate = Clamp(candidate);

    int low = 0;
    int high = 0;
    const bool bracketed = Bracket(low, high).has_value();
    if (bracketed) {
        if (high - low < 2) {
            end_ = End::Between;
            return std::nullopt;
        }
        candidate = std::clamp(candidate, low + 1, high - 1);
    }
    if (!Tried(candidate)) return candidate;
    // Never the same value twice. Between measurements on both sides: the untried value
    // nearest the middle. Otherwise on past the farthest value tried the way the move went.
    if (bracketed) {
        const int middle = low + (high - low) / 2;
        for (int offset = 0; offset < high - low; ++offset) {
            for (const int v : {middle - offset, middle + offset}) {
                if (v > low && v < high && !Tried(v)) return v;
            }
        }
        end_ = End::Between;
        return std::nullopt;
    }
    int farthest = last.value;
    for (const Point& p : points_) {
        farthest = direction > 0 ? std::max(farthest, p.value) : std::min(farthest, p.value);
    }
    candidate = farthest + (direction >= 0 ? 1 : -1);
    if (candidate < setup_.min || candidate > setup_.max) {
        end_ = End::AtLimit;
        return std::nullopt;
    }
    return candidate;
}

}  // namespace qs::procedure
