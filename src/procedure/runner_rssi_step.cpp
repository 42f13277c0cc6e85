// The RSSI threshold capture: S3, then S1, each taken by Enter while the radio hears the level.
// With a generator the runner sets each level; without one the technician is asked to.
#include "instruments/bench.h"
#include "link/eeprom.h"
#include "procedure/message_text.h"
#include "procedure/procedure_runner.h"
#include "shell/application.h"

namespace qs::procedure {

void ProcedureRunner::RunRssi(const RssiStep& step) {
    const bool generator = !parts_.bench.Address(instruments::Role::Generator).empty();
    const clsCmcEeprom& image = parts_.app.radio().eepImage();
    rssiS3Start_ = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
    rssiS1Start_ = image.ReadByte(clsIndOp_RigK52T::kRssiS1Address);
    rssiS1Entered_ = false;
    rssiRfOn_ = false;
    teardown_ = [this](std::function<void(std::string)> done) { RssiTeardown(std::move(done)); };
    if (!generator) {
        StartCapture(step, false);
        return;
    }
    const auto channel = TestChannel({Nominal::Source::ChannelRx});
    if (!channel) return;
    generatorUsed_ = true;
    rssiRfOn_ = true;  // from the request on: its answer may never come
    SetGenerator(channel->rxHz, step.s3Dbm, true, [this, &step] { StartCapture(step, true); });
}

void ProcedureRunner::StartCapture(const RssiStep& step, bool generator) {
    clsIndOp_RigK52T& model = parts_.app.model();
    parts_.app.main().PressEnterOn(model.rssiItem());
    AwaitRadio([&model] { return model.rssiCapture() == RssiCapture::S3; },
               [this, &step, generator] { CaptureS3(step, generator); });
}

void ProcedureRunner::CaptureS3(const RssiStep& step, bool generator) {
    const auto next = [this, &step, generator] {
        EnterWhenFresh(RssiCapture::S3, [this, &step, generator] {
            clsIndOp_RigK52T& model = parts_.app.model();
            AwaitRadio([&model] { return model.rssiCapture() == RssiCapture::S1; },
                       [this, &step, generator] { CaptureS1(step, generator); });
        });
    };
    if (generator) {
        next();
        return;
    }
    Ask(Question::Kind::Prompt,
        "Feed the radio " + NumberText(step.s3Dbm) +
            " dBm (S3) on the test channel's receive frequency, then press OK.",
        [next](Answer) { next(); });
}

void ProcedureRunner::CaptureS1(const RssiStep& step, bool generator) {
    const auto next = [this] {
        EnterWhenFresh(RssiCapture::S1, [this] {
            rssiS1Entered_ = true;
            AwaitSettled([this] { EndRssi(); });
        });
    };
    if (generator) {
        SetGenerator(std::nullopt, step.s1Dbm, std::nullopt, next);
        return;
    }
    Ask(Question::Kind::Prompt,
        "Feed the radio " + NumberText(step.s1Dbm) +
            " dBm (S1) on the test channel's receive frequency, then press OK.",
        [next](Answer) { next(); });
}

// Enter once a reading has been answered since the level was set: the capture takes the
// reading after Enter, and one asked for before the level changed must not be it.
void ProcedureRunner::EnterWhenFresh(RssiCapture pass, Then then) {
    clsIndOp_RigK52T& model = parts_.app.model();
    const std::uint32_t before = model.readingsTaken();
    AwaitRadio([&model, before, pass] {
                   return model.readingsTaken() != before && model.rssiCapture() == pass;
               },
               [this, then] {
                   parts_.app.main().PressEnterOn(parts_.app.model().rssiItem());
                   then();
               });
}

void ProcedureRunner::EndRssi() {
    const clsCmcEeprom& image = parts_.app.radio().eepImage();
    const int s3 = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
    const int s1 = image.ReadByte(clsIndOp_RigK52T::kRssiS1Address);
    AddValue({"RSSI S3", std::to_string(s3), static_cast<double>(s3), ""});
    AddValue({"RSSI S1", std::to_string(s1), static_cast<double>(s1), ""});
    if (s1 >= s3) {
        // The weaker signal read as strong as the stronger one: the receiver did not hear the
        // levels (generator off, on another frequency, not connected).
        EndStep(StepOutcome::Fail, "the S1 threshold " + std::to_string(s1) +
                                       " is not below the S3 threshold " + std::to_string(s3) +
                                       ": did the radio hear the levels?");
        return;
    }
    EndStep(StepOutcome::Pass, "");
}

// A capture ended between S3 and S1 would leave the radio a new S3 beside the old S1: S3 goes
// back to what the radio held at the step's start. The capture's polling stops in any case,
// and the record says what the radio holds.
void ProcedureRunner::RssiTeardown(std::function<void(std::string)> done) {
    const bool running = parts_.app.model().OperationRunning();
    StopOperationThen([this, done, running] {
        const clsCmcEeprom& image = parts_.app.radio().eepImage();
        const auto holds = [&image] {
            return "the radio holds RSSI S3 " +
                   std::to_string(image.ReadByte(clsIndOp_RigK52T::kRssiS3Address)) + " and S1 " +
                   std::to_string(image.ReadByte(clsIndOp_RigK52T::kRssiS1Address));
        };
        std::string note = running ? "the capture was stopped; " : "";
        const int s3 = image.ReadByte(clsIndOp_RigK52T::kRssiS3Address);
        if (rssiS1Entered_ || s3 == rssiS3Start_) {
            RssiRfOff(done, note + holds());
            return;
        }
        if (radioLost_) {
            RssiRfOff(done, note + "RSSI S3 could not be put back to " +
                                std::to_string(rssiS3Start_) + ": " + holds() +
                                " as far as this program knows");
            return;
        }
        parts_.app.model().PutBackThreshold(RssiCapture::S3,
                                            static_cast<std::int16_t>(rssiS3Start_));
        AwaitSettled([this, done, note, holds] {
            const int back = parts_.app.radio().eepImage().ReadByte(
                clsIndOp_RigK52T::kRssiS3Address);
            AddValue({"RSSI S3", std::to_string(back), static_cast<double>(back), ""});
            RssiRfOff(done, note + "RSSI S3 is back at " + std::to_string(rssiS3Start_) + "; " +
                                holds());
        });
    });
}

void ProcedureRunner::RssiRfOff(std::function<void(std::string)> done, std::string note) {
    if (!rssiRfOn_) {
        done(std::move(note));
        return;
    }
    rssiRfOn_ = false;
    parts_.bench.SetRf(instruments::RfOutput::Off,
                       BenchAnswer<instruments::Status>(
                           [done, note](const instruments::Status& status) {
                               done(note + (status ? "; generator RF switched off"
                                                   : "; generator RF could not be switched off: " +
                                                         status.error().message));
                           }));
}

}  // namespace qs::procedure
