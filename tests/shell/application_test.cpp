#include "shell/application.h"

#include <gtest/gtest.h>

#include "fakes/fake_alerts.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_instance_lock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "fakes/memory_profile_store.h"

namespace qs {
namespace {

// One run of the program on fakes; several runs may share the settings store.
struct ProgramRun {
    explicit ProgramRun(MemoryProfileStore& store)
        : app(cable, timer, clock, store, box, beeper, lock, ui.controls()) {}

    FakeMainWindow ui;
    MemoryCable cable;
    FakeTimer timer;
    FakeClock clock;
    FakeMessageBox box;
    FakeBeeper beeper;
    FakeInstanceLock lock;
    Application app;
};

class ApplicationTest : public ::testing::Test {
protected:
    ApplicationTest() { store.executableDirectory = "/opt/qs71dr"; }
    MemoryProfileStore store;
    const std::string file = "/opt/qs71dr/RW5120A.rs";
};

TEST_F(ApplicationTest, SecondCopyIsRefusedWithoutTouchingPortOrSettings) {
    ProgramRun run(store);
    run.lock.otherCopyRunning = true;
    EXPECT_FALSE(run.app.Start());
    EXPECT_FALSE(run.app.started());
    ASSERT_EQ(run.box.shown.size(), 1u);
    EXPECT_EQ(run.box.shown[0].caption, "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(run.box.shown[0].text,
              "Cannot execute QS-71DR ADJ Rev.1.0 repeatedly.\r\n"
              "QS-71DR ADJ Rev.1.0 is already executing.");
    EXPECT_EQ(run.cable.openCalls(), 0);
    EXPECT_EQ(run.cable.setSettingsCalls(), 0);
    EXPECT_FALSE(run.timer.enabled());
    EXPECT_EQ(store.reads, 0);
}

TEST_F(ApplicationTest, StartWithNoSettingsFileComesUpOnComOneAndReleaseOff) {
    ProgramRun run(store);
    ASSERT_TRUE(run.app.Start());
    EXPECT_TRUE(run.timer.enabled());
    EXPECT_EQ(run.timer.interval(), 50);
    EXPECT_EQ(run.app.radio().radioNameM(), "3017");
    EXPECT_EQ(run.app.radio().radionameS(), "0102");
    EXPECT_EQ(run.app.profMain().GetMyProfile(), file);
    EXPECT_EQ(run.app.profMain().Section(), "OPTION");
    EXPECT_EQ(run.ui.window.caption(), "QS-71DR ADJ Rev.1.0");
    EXPECT_EQ(run.ui.lboConsole.ListCount(), 17);
    EXPECT_FALSE(run.cable.portOpen());
    run.timer.fire();
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(run.ui.mnuOptSelCom[i].checked(), i == 1);
    for (int i = 0; i <= 5; ++i)
        EXPECT_EQ(run.ui.mnuOptionSelAutoRelease[i].checked(), i == 0);
    EXPECT_EQ(run.ui.lblComBusy.caption(), "COM 1: CLOSE");
    EXPECT_TRUE(run.box.shown.empty());
}

TEST_F(ApplicationTest, ComTwoAndThreeSecondsSurviveARestart) {
    {
        ProgramRun first(store);
        ASSERT_TRUE(first.app.Start());
        first.app.main().OnMenuComPort(2);
        first.app.main().OnMenuAutoRelease(3);
        first.app.Close();
        EXPECT_FALSE(first.timer.enabled());
        EXPECT_FALSE(first.cable.portOpen());
    }
    EXPECT_EQ(store.value(file, "OPTION", "ComPort"), "2");
    EXPECT_EQ(store.value(file, "OPTION", "ComAutoRelease"), "3");

    ProgramRun second(store);
    ASSERT_TRUE(second.app.Start());
    EXPECT_EQ(second.app.main().ComPortNo(), 2);
    EXPECT_EQ(second.app.main().ComAutoRelease(), 3);
    EXPECT_EQ(second.app.sequence().comHoldReload(), 3000);
    second.timer.fire();
    EXPECT_TRUE(second.ui.mnuOptSelCom[2].checked());
    EXPECT_TRUE(second.ui.mnuOptionSelAutoRelease[3].checked());
}

TEST_F(ApplicationTest, CloseSavesOnceAndAnUnwritableFolderIsNoCrash) {
    store.failWrites = true;
    ProgramRun run(store);
    ASSERT_TRUE(run.app.Start());
    run.app.Close();
    run.app.Close();
    EXPECT_EQ(store.writes, 2);  // two keys, one save
    EXPECT_FALSE(store.fileExists(file));
}

TEST_F(ApplicationTest, ExitMenuWithoutFrontEndRunsTheCloseSequence) {
    ProgramRun run(store);
    ASSERT_TRUE(run.app.Start());
    run.app.main().OnMenuExit();
    EXPECT_FALSE(run.timer.enabled());
    EXPECT_EQ(store.value(file, "OPTION", "ComPort"), "1");
}

TEST_F(ApplicationTest, PortThatCannotOpenIsReportedThroughTheCloneErrorMessage) {
    ProgramRun run(store);
    ASSERT_TRUE(run.app.Start());
    run.app.main().OnMenuComPort(4);
    run.cable.setOpenFailure("no such port");
    run.app.main().OnCommandClick(0);  // Connect
    for (int i = 0; i < 5 && run.box.shown.empty(); ++i)
        run.timer.fire();
    ASSERT_FALSE(run.box.shown.empty());
    EXPECT_EQ(run.box.shown[0].text.rfind("Cannot access COM 4.\r\n\r\n", 0), 0u)
        << run.box.shown[0].text;
}

}  // namespace
}  // namespace qs
