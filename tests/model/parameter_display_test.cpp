#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "fakes/fake_controls.h"
#include "image_builder.h"
#include "model/rig_k52t_eep.h"

namespace qs {
namespace {

using testing::Put;
using testing::PutWord;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

TEST(ParameterDisplayTest, AllZeroImage) {
    clsCmcEeprom image;
    clsIndEep_RigK52T eep(image);
    std::string text = eep.ParameterText();
    std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 63u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_GE(line.size(), 30u);
        EXPECT_EQ(line.substr(28, 2), ": ") << i;
        if (i == 60) {
            EXPECT_EQ(line.substr(30), "   0.000MHz");
        } else {
            EXPECT_EQ(line.substr(30), "   0") << i;
        }
    }
    EXPECT_EQ(lines[0], "                POW HI Level:    0");
    EXPECT_EQ(lines[12], "                TX LVA Level:    0");
    EXPECT_EQ(lines[13], "       MOD Slant(Freq) Band0:    0");
    EXPECT_EQ(lines[19], "       MOD Slant(Freq) Band6:    0");
    EXPECT_EQ(lines[20], "      Tone Slant(Freq) Band0:    0");
    EXPECT_EQ(lines[48], "    Tx LVA Slant(Freq) Band0:    0");
    EXPECT_EQ(lines[55], "        MOD Slant(Temp) Area:    0");
    EXPECT_EQ(lines[59], "             Tone Correction:    0");
    EXPECT_EQ(lines[60], "              Base Frequency:    0.000MHz");
    EXPECT_EQ(lines[61], "               RSSI S1 Level:    0");
    EXPECT_EQ(lines[62], "               RSSI S3 Level:    0");
}

TEST(ParameterDisplayTest, EveryLineReadsItsOwnAddressAsSignedOrUnsigned) {
    // Line number, address and whether the byte is signed, for every line but the frequency.
    struct LineAt {
        int line;
        int address;
        bool isSigned;
    };
    std::vector<LineAt> table;
    const int levelAdr[] = {168, 167, 166, 106, 105, 83, 184, 173, 86, 84, 85, 92, 93};
    for (int i = 0; i < 13; ++i)
        table.push_back({i + 1, levelAdr[i], false});
    const int groupOffset[] = {3, 2, 5, 4, 0, 1};
    for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 7; ++b)
            table.push_back({14 + 7 * g + b, 124 + 6 * b + groupOffset[g], true});
    }
    const int areaAdr[] = {90, 89, 88, 91, 104};
    for (int i = 0; i < 5; ++i)
        table.push_back({56 + i, areaAdr[i], true});
    table.push_back({62, 169, false});
    table.push_back({63, 170, false});

    // Each address gets a distinct byte, so a line that reads the wrong byte shows it; once
    // all below 128 and once all 128 and above, where signed and unsigned part.
    for (int shift : {-80, 50}) {
        SCOPED_TRACE(shift);
        clsCmcEeprom image;
        for (int a = 83; a <= 184; ++a)
            image.WriteByte(a, static_cast<std::uint8_t>(a + shift));
        PutWord(image, 80, 4000);
        clsIndEep_RigK52T eep(image);
        std::vector<std::string> lines = Lines(eep.ParameterText());
        ASSERT_EQ(lines.size(), 63u);
        for (const LineAt& t : table) {
            int v = t.address + shift;
            if (t.isSigned && v >= 128) v -= 256;
            const std::string s = std::to_string(v);
            EXPECT_EQ(lines[static_cast<std::size_t>(t.line - 1)].substr(30),
                      std::string(4 - s.size(), ' ') + s)
                << "line " << t.line;
        }
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 7; ++b)
                EXPECT_EQ(lines[static_cast<std::size_t>(13 + 7 * g + b)][27], '0' + b);
        }
        EXPECT_EQ(lines[60].substr(30), " 400.000MHz");
    }
}

TEST(ParameterDisplayTest, SignedAndUnsignedExtremes) {
    clsCmcEeprom image;
    Put(image, 127, {0xFF});  // MOD slant band 0
    Put(image, 133, {0x80});  // MOD slant band 1
    Put(image, 139, {0x7F});  // MOD slant band 2
    Put(image, 168, {0xFF});
    PutWord(image, 80, 8001);
    clsIndEep_RigK52T eep(image);
    std::vector<std::string> lines = Lines(eep.ParameterText());
    EXPECT_EQ(lines[13].substr(30), "  -1");
    EXPECT_EQ(lines[14].substr(30), "-128");
    EXPECT_EQ(lines[15].substr(30), " 127");
    EXPECT_EQ(lines[0].substr(30), " 255");
    EXPECT_EQ(lines[60].substr(30), "   0.000MHz");
}

TEST(ParameterDisplayTest, DispParaWritesTextBoxInOneAssignment) {
    clsCmcEeprom image;
    PutWord(image, 80, 1465);
    clsIndEep_RigK52T eep(image);
    FakeTextBox box;
    eep.DispPara(box);
    EXPECT_EQ(box.text(), eep.ParameterText());
    EXPECT_NE(box.text().find("              Base Frequency:  146.500MHz\r\n"), std::string::npos);
}

}  // namespace
}  // namespace qs
