// The RSSI threshold capture: S3, then S1, each taken by Enter while the radio hears the level.
// With a generator the runner sets each level; without one the technician is asked to.
#include "link/eeprom.h"
#include "procedure/message_text.h"
#include "procedure/step_run.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

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
        if (!generator_) {
            StartCapture(host);
            return;
        }
        const auto channel = host.TestChannel({Nominal::Source::ChannelRx});
        if (!channel) return;
        rfOn_ = true;  // from the request on: its answer may never come
        host.SetGenerator(channel->rxHz, step_.s3Dbm, true, [this, &host] { StartCapture(host); });
    }

    // A capture ended between S3 and S1 would leave the radio a new S3 beside the old S1: S3
    // goes back to what the radio held at the step's start. The capture's polling stops in any
    // case, and the record says what the radio holds.
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        const bool running = host.app().model().OperationRunning();
        host.StopOperationThen([this, &host, done, running] {
            const clsCmcEeprom& image = host.app().radio().eepImage();
            const std::string note = running ? "the capture was stopped; " : "";
            const int s3 = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
            if (s1Entered_ || s3 == s3Start_) {
                RfOff(host, done, note + Holds(host));
                return;
            }
            if (host.radioLost()) {
                RfOff(host, done,
                      note + "RSSI S3 could not be put back to " + std::to_string(s3Start_) +
                          ": " + Holds(host) + " as far as this program knows");
                return;
            }
            host.app().model().PutBackThreshold(RssiCapture::S3,
                                                static_cast<std::int16_t>(s3Start_));
            host.AwaitSettled([this, &host, done, note] {
                const int back = host.app().radio().eepImage().ReadByte(
                    clsIndOp_RigK52T::kRssiS3Address);
                host.AddValue({"RSSI S3", std::to_string(back), static_cast<double>(back), ""});
                RfOff(host, done,
                      note + "RSSI S3 is back at " + std::to_string(s3Start_) + "; " + Holds(host));
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
        host.Ask(Question::Kind::Prompt, FeedText(step_, true), [next](Answer) { next(); });
    }

    void CaptureS1(StepHost& host) {
        const auto next = [this, &host] {
            EnterWhenFresh(host, RssiCapture::S1, [this, &host] {
                s1Entered_ = true;
                host.AwaitSettled([this, &host] { End(host); });
            });
        };
        if (generator_) {
            host.SetGenerator(std::nullopt, step_.s1Dbm, std::nullopt, next);
            return;
        }
        host.Ask(Question::Kind::Prompt, FeedText(step_, false), [next](Answer) { next(); });
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
        host.End(StepOutcome::Pass, "");
    }

    static std::string Holds(StepHost& host) {
        const clsCmcEeprom& image = host.app().radio().eepImage();
        return "the radio holds RSSI S3 " +
               std::to_string(image.ReadByte(clsIndOp_RigK52T::kRssiS3Address)) + " and S1 " +
               std::to_string(image.ReadByte(clsIndOp_RigK52T::kRssiS1Address));
    }

    void RfOff(StepHost& host, std::function<void(std::string)> done, std::string note) {
        if (!rfOn_) {
            done(std::move(note));
            return;
        }
        rfOn_ = false;
        host.SwitchRfOff([done, note](std::string off) { done(note + "; " + off); });
    }

    const RssiStep& step_;
    bool generator_ = false;
    int s3Start_ = 0;          // what the radio held at the step's start
    bool s1Entered_ = false;   // the capture has taken S1: both thresholds are new
    bool rfOn_ = false;        // the step switched the generator's RF on
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const RssiStep& step) {
    return std::make_unique<RssiRun>(step);
}

}  // namespace qs::procedure
