#include "record/curve_recorder.h"

#include <utility>

#include "record/curves_file.h"

namespace qs {

CurveRecorder::CurveRecorder(const ITickSource& clock, std::function<std::string()> journalPath)
    : clock_(clock), journalPath_(std::move(journalPath)) {}

std::int32_t CurveRecorder::Elapsed() const {
    // The tick wraps; the difference stays right across the wrap.
    const auto elapsed = static_cast<std::uint32_t>(clock_.GetTickCount()) -
                         static_cast<std::uint32_t>(startTick_);
    return static_cast<std::int32_t>(elapsed & 0x7FFFFFFFu);
}

void CurveRecorder::OnConnectionLoaded() {
    log_.Clear();
    file_.Close();
    startTick_ = clock_.GetTickCount();
    ++connectionNumber_;
    const std::string journal = journalPath_ ? journalPath_() : std::string();
    if (!journal.empty()) {
        std::string error;
        if (!file_.Create(CurvesPathFor(journal), {kCurvesHeading, kCurvesFormatLine}, error)) {
            file_.Close();
            if (problem_) problem_(error);
        }
    }
    Changed();
}

void CurveRecorder::Write(const std::string& line) {
    if (!file_.isOpen() || file_.WriteLine(line)) return;
    const std::string error = file_.writeError();
    file_.Close();
    if (problem_) problem_(error);
}

void CurveRecorder::Changed() {
    if (changed_) changed_();
}

void CurveRecorder::OnReading(const ReadingPoint& point) {
    log_.readings.push_back({Elapsed(), point});
    Write(CurveLine(log_.readings.back()));
    if (observer_) observer_->OnReading(log_.readings.back());
    Changed();
}

void CurveRecorder::OnSweepStep(const SweepPoint& point) {
    log_.sweeps.push_back({Elapsed(), point});
    Write(CurveLine(log_.sweeps.back()));
    if (observer_) observer_->OnSweepStep(log_.sweeps.back());
    Changed();
}

void CurveRecorder::OnBisectionStep(const BisectionPoint& point) {
    log_.bisections.push_back({Elapsed(), point});
    Write(CurveLine(log_.bisections.back()));
    if (observer_) observer_->OnBisectionStep(log_.bisections.back());
    Changed();
}

void CurveRecorder::OnAutoOpEnd(const AutoOpResult& result) {
    log_.results.push_back({Elapsed(), result});
    Write(CurveLine(log_.results.back()));
    if (observer_) observer_->OnResult(log_.results.back());
    Changed();
}

}  // namespace qs
