#pragma once

#include <cstdint>

namespace qs {

// Which list of live readings a reading belongs to.
enum class ReadingGroup { Ad = 0, Da = 1 };

// One reading as the model decoded it from the radio's answer (raw 0..255).
struct ReadingPoint {
    ReadingGroup group = ReadingGroup::Ad;
    int index = 0;  // row index within the list (A/D 0..4, D/A 0..8)
    int raw = 0;
};

// One step of the band-pass sweep: the filter's value sent and the detector reading for it.
struct SweepPoint {
    int filter = 0;  // 0 BPF T1, 1 BPF T2
    int value = 0;
    int level = 0;
};

// One reading of the level bisection: the level-adjust value and the LVIN reading for it.
struct BisectionPoint {
    int item = 0;  // 0 RX LVA, 1 TX LVA
    int value = 0;
    int level = 0;
    int target = 0;
};

enum class AutoOpKind { RssiThreshold = 0, BandPassSweep = 1, LevelAdjust = 2 };

// How one automatic operation (or one filter of a sweep, one threshold of the capture) ended.
struct AutoOpResult {
    AutoOpKind kind = AutoOpKind::BandPassSweep;
    int item = 0;       // filter 0/1, level item 0/1, threshold 0 (S3) / 1 (S1)
    bool ok = true;     // false: a level adjustment whose target was out of reach
    int value = 0;      // centre, final level-adjust value (restored one when failed), threshold
    int first = 0;      // sweep: plateau start; level adjustment: target
    int last = 0;       // sweep: plateau end; level adjustment: target
};

// Optional watcher of what the model reads and decides, for charts and the alignment report.
// It only observes: nothing it does can change what the model sends.
class IOperationObserver {
public:
    virtual ~IOperationObserver() = default;
    // The model has loaded the console from a freshly read memory image.
    virtual void OnConnectionLoaded() = 0;
    virtual void OnReading(const ReadingPoint& point) = 0;
    virtual void OnSweepStep(const SweepPoint& point) = 0;
    virtual void OnBisectionStep(const BisectionPoint& point) = 0;
    virtual void OnAutoOpEnd(const AutoOpResult& result) = 0;
};

}  // namespace qs
