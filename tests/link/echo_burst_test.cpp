// The echo and a long answer in one port read: the echo must still be found when what follows
// it is longer than the receive buffer (a read after the program stalled, or a fast radio).
#include <gtest/gtest.h>

#include "link/clone_frame.h"
#include "link/hex_text.h"
#include "link_rig.h"
#include "radio_frames.h"

namespace qs {
namespace {

using testing::Cat;
using testing::CloneEndBody;
using testing::DataBlockBody;
using testing::RadioFrame;

TEST(EchoBurst, CutterFindsTheEchoAheadOfMoreThan256Bytes) {
    const Bytes sent = BuildCloneFrame(HexTextToBytes("E230170102"));
    const Bytes after(300, 0x41);
    CloneStreamCutter cutter;
    Bytes data = Cat(sent, after);
    Bytes body;
    ASSERT_EQ(cutter.Step(WaitState::Echo, sent, data, body), CloneStreamCutter::Found::Echo);
    EXPECT_EQ(data, after);
}

TEST(EchoBurst, EchoSplitOverReadsIsStillFoundAheadOfALongTail) {
    const Bytes sent = BuildCloneFrame(HexTextToBytes("E230170102"));
    CloneStreamCutter cutter;
    Bytes body;
    Bytes first(sent.begin(), sent.begin() + 4);
    ASSERT_EQ(cutter.Step(WaitState::Echo, sent, first, body), CloneStreamCutter::Found::Nothing);
    Bytes rest = Cat(Bytes(sent.begin() + 4, sent.end()), Bytes(400, 0x30));
    ASSERT_EQ(cutter.Step(WaitState::Echo, sent, rest, body), CloneStreamCutter::Found::Echo);
    EXPECT_EQ(rest.size(), 400u);
}

TEST(EchoBurst, WholeCloneReadInOneReadIsStoredWithoutError) {
    testing::LinkRig rig;
    clsCmcEeprom image;
    rig.com.setComOpen(true);
    rig.drv.setWorkMode(clsCmcKel3Drv::kModeCloneRead);
    rig.drv.setMyEep(&image);
    const Bytes request = HexTextToBytes("E230170102");
    ASSERT_EQ(rig.drv.Send(request), 0);

    constexpr int kBlocks = 20;
    Bytes burst = BuildCloneFrame(request);  // the cable's echo
    for (int b = 0; b < kBlocks; ++b)
        burst = Cat(burst, RadioFrame(DataBlockBody(static_cast<std::uint16_t>(b * 16),
                                                    Bytes(16, static_cast<std::uint8_t>(b + 1)))));
    burst = Cat(burst, RadioFrame(CloneEndBody(kBlocks)));
    ASSERT_GT(burst.size(), 2 * kRxBufferMaxBytes);

    rig.cable.setEcho(false);
    rig.Deliver(burst);
    rig.Pump();
    EXPECT_EQ(rig.drv.lastError(), 0);
    EXPECT_FALSE(rig.drv.Running());
    EXPECT_EQ(rig.drv.lastEeAdr(), kBlocks * 16 - 1);
    EXPECT_EQ(image.ReadByte(0), 1);
    EXPECT_EQ(image.ReadByte(kBlocks * 16 - 1), kBlocks);
}

}  // namespace
}  // namespace qs
