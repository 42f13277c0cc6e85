#pragma once

// The closed loop of an adjust step without the radio and the meter: from the measurements
// taken so far it proposes the item's next value, and it says when to end.
//
//   AdjustSearch search({start, min, max, target, tolerance, maxSettings});
//   search.Measured(firstReading);                 // at the start value
//   while (auto next = search.Next()) { set(*next); search.Measured(read()); }
//   search.met() ? keep(search.best()) : restore(start);
//
// It steps once to learn which way the measurement moves, then follows the line through the
// last two measurements (a secant), each move at most four times the one before, so a noisy
// first slope cannot throw the item far. Once measurements lie on both sides of the target it
// stays between them. It never proposes a value outside the limits or one it has measured.

#include <optional>
#include <vector>

namespace qs::procedure {

class AdjustSearch {
public:
    struct Setup {
        int start = 0;
        int min = 0;
        int max = 255;
        double target = 0.0;
        double tolerance = 0.0;
        int maxSettings = 40;  // settings after the start value
    };
    struct Point {
        int value = 0;
        double measured = 0.0;
    };

    explicit AdjustSearch(Setup setup);

    // The measurement at the value last proposed (at the start value the first time).
    void Measured(double measured);
    // The next value to set and measure, or nothing once the search has ended.
    std::optional<int> Next();

    enum class End {
        Going,      // not ended yet
        Met,        // the last measurement lies within the tolerance
        AtLimit,    // the measurement still wants the item beyond one of its limits
        Exhausted,  // maxSettings settings tried
        Between,    // two neighbouring values lie on either side of the target, neither close
    };
    End end() const { return end_; }
    bool met() const { return end_ == End::Met; }
    // The value whose measurement came nearest the target, and that measurement.
    Point best() const;
    const std::vector<Point>& points() const { return points_; }
    int settings() const { return settings_; }

private:
    std::optional<int> Propose();
    std::optional<int> Bracket(int& low, int& high) const;
    bool Tried(int value) const;
    int Clamp(int value) const;

    Setup setup_;
    std::vector<Point> points_;
    int pending_ = 0;  // the value whose measurement comes next
    int settings_ = 0;
    End end_ = End::Going;
};

}  // namespace qs::procedure
