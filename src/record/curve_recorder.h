#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "model/operation_observer.h"
#include "platform/tick_source.h"
#include "record/curve_log.h"
#include "safety/line_file.h"

namespace qs {

// Keeps what the model reads and decides for the connection in progress, for the charts,
// and writes it to the connection's curves file beside its journal.
//
//   CurveRecorder recorder(clock, [&net] { return net.journalPath(); });
//   app.model().setOperationObserver(&recorder);
//
// Each new load of an image starts a new log (and a new file). A file that cannot be written
// is reported once through `problem` and the log goes on in memory.
class CurveRecorder : public IOperationObserver {
public:
    // `journalPath` gives the journal of the connection just loaded, empty when none.
    CurveRecorder(const ITickSource& clock, std::function<std::string()> journalPath);

    void OnConnectionLoaded() override;
    void OnReading(const ReadingPoint& point) override;
    void OnSweepStep(const SweepPoint& point) override;
    void OnBisectionStep(const BisectionPoint& point) override;
    void OnAutoOpEnd(const AutoOpResult& result) override;

    const CurveLog& log() const { return log_; }
    // Counts the connections; a watcher that sees it change starts its charts anew.
    int connectionNumber() const { return connectionNumber_; }
    const std::string& filePath() const { return file_.path(); }

    // Called after every new point and every new connection.
    void setChanged(std::function<void()> changed) { changed_ = std::move(changed); }
    // Also told of every point (null: nobody).
    void setObserver(ICurveObserver* observer) { observer_ = observer; }
    // Called once per connection with the reason a curves file could not be written.
    void setProblemReporter(std::function<void(const std::string&)> problem) {
        problem_ = std::move(problem);
    }

private:
    std::int32_t Elapsed() const;
    void Write(const std::string& line);
    void Changed();

    const ITickSource& clock_;
    std::function<std::string()> journalPath_;
    std::function<void()> changed_;
    std::function<void(const std::string&)> problem_;
    ICurveObserver* observer_ = nullptr;
    CurveLog log_;
    LineFile file_;
    std::int32_t startTick_ = 0;
    int connectionNumber_ = 0;
};

}  // namespace qs
