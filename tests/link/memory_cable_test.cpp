#include <gtest/gtest.h>

#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"

namespace qs {
namespace {

TEST(MemoryCable, EchoesWritesAndLogsThem) {
    MemoryCable cable;
    EXPECT_FALSE(cable.output(Bytes{1}));  // closed
    ASSERT_TRUE(cable.setPortOpen(true));
    EXPECT_TRUE(cable.output(Bytes{1, 2}));
    EXPECT_TRUE(cable.output(Bytes{3}));
    EXPECT_EQ(cable.inBufferCount(), 3);
    EXPECT_EQ(cable.input(), (Bytes{1, 2, 3}));
    EXPECT_EQ(cable.inBufferCount(), 0);
    EXPECT_EQ(cable.writes().size(), 2U);
    EXPECT_EQ(cable.allWritten(), (Bytes{1, 2, 3}));
}

TEST(MemoryCable, PeerSeesWritesAndEchoCanBeSwitchedOff) {
    MemoryCable cable;
    cable.setPortOpen(true);
    cable.setEcho(false);
    std::vector<Bytes> seen;
    cable.setPeer([&](const Bytes& b) {
        seen.push_back(b);
        cable.deliver(Bytes{0xAA});
    });
    cable.output(Bytes{7});
    ASSERT_EQ(seen.size(), 1U);
    EXPECT_EQ(cable.input(), (Bytes{0xAA}));
}

TEST(MemoryCable, OpenFailureAndRecords) {
    MemoryCable cable;
    cable.setCommPort(4);
    cable.setSettings("9600,N,8,1");
    cable.setOpenFailure("no such port");
    std::string why;
    EXPECT_FALSE(cable.setPortOpen(true, &why));
    EXPECT_EQ(why, "no such port");
    EXPECT_FALSE(cable.portOpen());
    cable.clearOpenFailure();
    EXPECT_TRUE(cable.setPortOpen(true));
    EXPECT_EQ(cable.openCalls(), 2);
    ASSERT_EQ(cable.openedPorts().size(), 1U);
    EXPECT_EQ(cable.openedPorts()[0], 4);
    EXPECT_EQ(cable.openedSettings()[0], "9600,N,8,1");
    cable.setPortOpen(false);
    EXPECT_EQ(cable.closeCalls(), 1);
}

TEST(MemoryCable, ClosedPortReceivesNothingAndClearsAlwaysSucceedThere) {
    MemoryCable cable;
    cable.deliver(Bytes{1});
    EXPECT_EQ(cable.inBufferCount(), 0);
    cable.setClearOutFails(true);
    EXPECT_TRUE(cable.clearOutBuffer());
    cable.setPortOpen(true);
    EXPECT_FALSE(cable.clearOutBuffer());
    cable.deliver(Bytes{1});
    cable.setPortOpen(false);
    EXPECT_EQ(cable.inBufferCount(), 0);
}

TEST(MemoryCable, DeliverCanRaiseTheReceiveEvent) {
    MemoryCable cable;
    cable.setPortOpen(true);
    std::vector<CommEvent> events;
    cable.setEventHandler([&](CommEvent e) { events.push_back(e); });
    cable.deliver(Bytes{1});
    cable.deliver(Bytes{2}, MemoryCable::RaiseEvent::Yes);
    cable.raise(CommEvent::RxOver);
    EXPECT_EQ(events, (std::vector<CommEvent>{CommEvent::Receive, CommEvent::RxOver}));
}

TEST(FakeClock, AdvancesAcrossTheWrap) {
    FakeClock clock(2147483647 - 1);
    clock.advance(3);
    EXPECT_EQ(clock.GetTickCount(), -2147483647);
}

TEST(FakeTimer, FiresOnlyWhenEnabled) {
    FakeTimer timer;
    int runs = 0;
    timer.setHandler([&] { ++runs; });
    EXPECT_FALSE(timer.fire());
    timer.setEnabled(true);
    EXPECT_TRUE(timer.fire());
    timer.fireAlways();
    EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace qs
