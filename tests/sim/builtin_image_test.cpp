#include "builtin_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "memory_image.h"

namespace qtsim {
namespace {

int word(const MemoryImage& image, int address) {
    return image.read(address) * 256 + image.read(address + 1);
}

struct Entry {
    int recordBytes = 0;
    int records = 0;
    int address = 0;
};

// Walks the parameter table the way the program looks objects up: entries 0..N from T.
Entry lookUp(const MemoryImage& image, int object) {
    const int entryBytes = word(image, 290);
    const int highest = word(image, 292);
    Entry found;
    for (int i = 0, a = word(image, 294); i <= highest; ++i, a += entryBytes) {
        if (word(image, a) == object) {
            found = {word(image, a + 2), word(image, a + 4), word(image, a + 6)};
        }
    }
    return found;
}

std::uint32_t frequency(const MemoryImage& image, int address) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v * 256 + image.read(address + i);
    return v;
}

TEST(BuiltInImage, ParameterTableFindsChannelAndPowerRecords) {
    const MemoryImage image = MemoryImage::builtIn();
    EXPECT_EQ(word(image, 290), 8);
    const Entry channels = lookUp(image, 2);
    EXPECT_EQ(channels.recordBytes, 8);
    EXPECT_EQ(channels.records, 40);
    EXPECT_EQ(channels.address, 512);
    const Entry power = lookUp(image, 3);
    EXPECT_EQ(power.records, 40);
    EXPECT_EQ(power.address, 848);
    EXPECT_EQ(lookUp(image, 6).address, 1024);
    EXPECT_EQ(lookUp(image, 1).address, 200);
}

TEST(BuiltInImage, ChannelsCoverEveryCase) {
    const MemoryImage image = MemoryImage::builtIn();
    const Entry channels = lookUp(image, 2);
    const Entry power = lookUp(image, 3);
    int inUse = 0, rxInhibited = 0, txInhibited = 0, simplex = 0, duplex = 0;
    std::set<int> powerCodes;
    for (int ch = 0; ch < channels.records; ++ch) {
        const int record = channels.address + ch * channels.recordBytes;
        const bool rxInh = image.read(record) & 0x80;
        const bool txInh = image.read(record + 4) & 0x80;
        const std::uint32_t rx = frequency(image, record);
        const std::uint32_t tx = frequency(image, record + 4);
        if (!rxInh && rx == 0) continue;  // empty slot
        ++inUse;
        rxInhibited += rxInh;
        txInhibited += txInh;
        if (!rxInh) {
            EXPECT_GE(rx, 136000000u) << ch;
            EXPECT_LE(rx, 174000000u) << ch;
        }
        if (!txInh) {
            EXPECT_GE(tx, 136000000u) << ch;
            EXPECT_LE(tx, 174000000u) << ch;
        }
        if (!rxInh && !txInh) (rx == tx ? simplex : duplex) += 1;
        const std::uint8_t p = image.read(power.address + ch * power.recordBytes);
        powerCodes.insert((p & 2) ? ((p & 1) ? 0 : 1) : 2);
    }
    EXPECT_EQ(inUse, builtin::kChannelsInUse);
    EXPECT_GE(inUse, 12);
    EXPECT_GE(rxInhibited, 1);
    EXPECT_GE(txInhibited, 1);
    EXPECT_GE(simplex, 1);
    EXPECT_GE(duplex, 1);
    EXPECT_EQ(powerCodes, (std::set<int>{0, 1, 2}));
}

TEST(BuiltInImage, FixedFieldsAndTargets) {
    const MemoryImage image = MemoryImage::builtIn();
    EXPECT_EQ(word(image, 80), 1360);  // 136.0 MHz
    EXPECT_EQ(image.read(174), builtin::kRxLevelTarget);
    EXPECT_EQ(image.read(175), builtin::kTxLevelTarget);
    EXPECT_EQ(image.read(92), builtin::kRxLva);
    EXPECT_EQ(image.read(106), image.read(99));
    EXPECT_EQ(image.read(106), image.read(113));
    EXPECT_EQ(image.read(106), image.read(120));
    EXPECT_EQ(static_cast<std::int8_t>(image.read(90)), -5);
    EXPECT_EQ(static_cast<std::int8_t>(image.read(124 + 6 * 6 + 5)), -9);  // POW slant band 6
    EXPECT_EQ(image.read(32111), 0xFF);
}

TEST(BuiltInImage, EveryDisplayedAddressHoldsAValue) {
    const MemoryImage image = MemoryImage::builtIn();
    const int levels[] = {168, 167, 166, 106, 105, 83, 184, 173, 86, 84, 85, 92, 93, 169, 170};
    for (int a : levels)
        EXPECT_NE(image.read(a), 0) << a;
    int negativeSlants = 0;
    for (int a = 124; a < 166; ++a)
        negativeSlants += image.read(a) >= 0x80;
    EXPECT_GE(negativeSlants, 10);
}

TEST(MemoryImageFile, SaveAndLoadRoundTrip) {
    const std::string path = ::testing::TempDir() + "qtsim_image_roundtrip.bin";
    MemoryImage image = MemoryImage::builtIn();
    image.write(168, 0x42);
    std::string error;
    ASSERT_TRUE(image.saveFile(path, &error)) << error;
    MemoryImage loaded;
    ASSERT_TRUE(loaded.loadFile(path, &error)) << error;
    EXPECT_EQ(loaded.bytes(), image.bytes());
    std::remove(path.c_str());
}

TEST(MemoryImageFile, RefusesFilesOfTheWrongSizeAndKeepsTheImage) {
    const std::string path = ::testing::TempDir() + "qtsim_image_bad.bin";
    for (std::size_t size : {std::size_t{0}, std::size_t{32111}, std::size_t{32113}}) {
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << std::string(size, 'x');
        }
        MemoryImage image = MemoryImage::builtIn();
        std::string error;
        EXPECT_FALSE(image.loadFile(path, &error)) << size;
        EXPECT_NE(error.find("32112"), std::string::npos);
        EXPECT_EQ(image.bytes(), MemoryImage::builtIn().bytes());
    }
    std::remove(path.c_str());
    MemoryImage image;
    std::string error;
    EXPECT_FALSE(image.loadFile(path + ".missing", &error));
    EXPECT_FALSE(error.empty());
}

TEST(MemoryImage, OutsideAddressesReadZeroAndIgnoreWrites) {
    MemoryImage image;
    image.write(-1, 5);
    image.write(32112, 5);
    EXPECT_EQ(image.read(-1), 0);
    EXPECT_EQ(image.read(32112), 0);
    image.write(32111, 7);
    EXPECT_EQ(image.read(32111), 7);
}

}  // namespace
}  // namespace qtsim
