// The RSSI threshold capture: S3, then S1, each taken by Enter while the radio hears the level.
// With a generator the runner sets each level; without one the technician is asked to.
#include <tuple>

#include "link/eeprom.h"
#include "procedure/message_text.h"
#include "procedure/step_run.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

constexpr char kFedAutomatically[] = "the prompts to feed the levels were answered automatically (--yes)";

// What the technician is asked to feed for the S3 or the S1 capture.
std::string FeedText(const RssiStep& step, bool s3) {
    const std::string level = s3 ? "S3" : "S1";
    const std::string what = step.byHand
                                 ? "the " + level + " level"
                                 : NumberText(s3 ? step.s3Dbm : step.s1Dbm) + " dBm (" + level + ")";
    return "Feed the radio " + what + " on the test channel's receive frequency, then press OK.";
}

class RssiRun final : public StepRun {
public:
    explicit RssiRun(const RssiStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        generator_ = !step_.byHand && host.HasGenerator();
        const clsCmcEeprom& image = host.app().radio().eepImage();
        s3Start_ = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
        s1Start_ = image.ReadByte(clsIndOp_RigK52T::kRssiS1Address);
        if (!generator_) {
            StartCapture(host);
            return;
        }
        const auto channel = host.TestChannel({Nominal::Source::ChannelRx});
        if (!channel) return;
        rfOn_ = true;  // from the request on: its answer may never come
        host.SetGenerator(channel->rxHz, step_.s3Dbm, true, [this, &host] { StartCapture(host); });
    }

    // A capture ended early, or thresholds the radio did not hear, leave no new S3 or S1 on
    // the radio: both go back to what it held at the step's start, confirmed by a reading.
    // The capture's polling stops in any case; the executor says what the radio holds.
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        const bool running = host.app().model().OperationRunning();
        host.StopOperationThen([this, &host, done, running] {
            const std::string note = running ? "the capture was stopped" : "";
            if (host.radioLost()) {
                RfOff(host, done, note);
                return;
            }
            clsIndOp_RigK52T& model = host.app().model();
            const clsCmcEeprom& image = host.app().radio().eepImage();
            bool sent = false;
            for (const auto& [which, address, start] :
                 {std::tuple{RssiCapture::S3, clsIndOp_RigK52T::kRssiS3Address, s3Start_},
                  std::tuple{RssiCapture::S1, clsIndOp_RigK52T::kRssiS1Address, s1Start_}}) {
                if (image.ReadByte(address) == start) continue;
                model.PutBackThreshold(which, static_cast<std::int16_t>(start));
                sent = true;
            }
            if (!sent) {
                RfOff(host, done, note);
                return;
            }
            host.AwaitConfirmed([this, &host, done, note] {
                const clsCmcEeprom& back = host.app().radio().eepImage();
                host.AddValue({"RSSI S3", std::to_string(back.ReadByte(clsIndOp_RigK52T::kRssiS3Address)),
                               static_cast<double>(back.ReadByte(clsIndOp_RigK52T::kRssiS3Address)), ""});
                host.AddValue({"RSSI S1", std::to_string(back.ReadByte(clsIndOp_RigK52T::kRssiS1Address)),
                               static_cast<double>(back.ReadByte(clsIndOp_RigK52T::kRssiS1Address)), ""});
                RfOff(host, done, note);
            });
        });
    }

private:
    void StartCapture(StepHost& host) {
        clsIndOp_RigK52T& model = host.app().model();
        host.app().main().PressEnterOn(model.rssiItem());
        host.AwaitRadio([&model] { return model.rssiCapture() == RssiCapture::S3; },
                        [this, &host] { CaptureS3(host); });
    }

    void CaptureS3(StepHost& host) {
        const auto next = [this, &host] {
            EnterWhenFresh(host, RssiCapture::S3, [this, &host] {
                clsIndOp_RigK52T& model = host.app().model();
                host.AwaitRadio([&model] { return model.rssiCapture() == RssiCapture::S1; },
                                [this, &host] { CaptureS1(host); });
            });
        };
        if (generator_) {
            next();
            return;
        }
        host.Ask(Question::Kind::Prompt, FeedText(step_, true), [this, &host, next](Answer) {
            if (host.answeredBy() == AnsweredBy::Automatically) automatic_ = true;
            next();
        });
    }

    void CaptureS1(StepHost& host) {
        const auto next = [this, &host] {
            EnterWhenFresh(host, RssiCapture::S1, [this, &host] {
                host.AwaitConfirmed([this, &host] { End(host); });
            });
        };
        if (generator_) {
            host.SetGenerator(std::nullopt, step_.s1Dbm, std::nullopt, next);
            return;
        }
        host.Ask(Question::Kind::Prompt, FeedText(step_, false), [this, &host, next](Answer) {
            if (host.answeredBy() == AnsweredBy::Automatically) automatic_ = true;
            next();
        });
    }

    // Enter once a reading has been answered since the level was set: the capture takes the
    // reading after Enter, and one asked for before the level changed must not be it.
    void EnterWhenFresh(StepHost& host, RssiCapture pass, StepHost::Then then) {
        clsIndOp_RigK52T& model = host.app().model();
        const std::uint32_t before = model.readingsTaken();
        host.AwaitRadio(
            [&model, before, pass] {
                return model.readingsTaken() != before && model.rssiCapture() == pass;
            },
            [&host, &model, then] {
                host.app().main().PressEnterOn(model.rssiItem());
                then();
            });
    }

    void End(StepHost& host) {
        const clsCmcEeprom& image = host.app().radio().eepImage();
        const int s3 = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
        const int s1 = image.ReadByte(clsIndOp_RigK52T::kRssiS1Address);
        host.AddValue({"RSSI S3", std::to_string(s3), static_cast<double>(s3), ""});
        host.AddValue({"RSSI S1", std::to_string(s1), static_cast<double>(s1), ""});
        if (s1 >= s3) {
            // The weaker signal read as strong as the stronger one: the receiver did not hear
            // the levels (generator off, on another frequency, not connected).
            host.End(StepOutcome::Fail, "the S1 threshold " + std::to_string(s1) +
                                            " is not below the S3 threshold " +
                                            std::to_string(s3) + ": did the radio hear the levels?");
            return;
        }
        host.End(StepOutcome::Pass, automatic_ ? kFedAutomatically : "");
    }

    void RfOff(StepHost& host, std::function<void(std::string)> done, std::string note) {
        if (!rfOn_) {
            done(std::move(note));
            return;
        }
        rfOn_ = false;
        host.SwitchRfOff([done, note](std::string off) {
            done(note.empty() ? off : note + "; " + off);
        });
    }

    const RssiStep& step_;
    bool generator_ = false;
    int s3Start_ = 0;          // what the radio held at the step's start
    int s1Start_ = 0;
    bool rfOn_ = false;        // the step switched the generator's RF on
    bool automatic_ = false;   // a level's prompt was answered automatically (--yes)
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const RssiStep& step) {
    return std::make_unique<RssiRun>(step);
}

}  // namespace qs::procedure
