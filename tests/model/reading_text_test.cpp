#include "model/reading_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qs {
namespace {

const Bytes kId{0x30, 0x17, 0x01, 0x02};

Bytes Answer(std::uint8_t hi, std::uint8_t lo) {
    return Bytes{0x30, 0x17, 0x01, 0x02, 0x03, hi, lo};
}

TEST(ReadingRequestTest, CommandThreeWithAsciiHexCode) {
    EXPECT_EQ(ReadingRequestText(16), "033130");
    EXPECT_EQ(ReadingRequestText(0), "033030");
    EXPECT_EQ(ReadingRequestText(5), "033035");
    EXPECT_EQ(ReadingRequestText(12), "033043");
}

TEST(E8AnswerTest, GoodAnswerPassesAndGivesValue) {
    EXPECT_FALSE(CheckE8Answer(Answer('C', '8'), kId));
    EXPECT_EQ(E8AnswerValue(Answer('C', '8')), 200);
    EXPECT_EQ(E8AnswerValue(Answer('0', '0')), 0);
    EXPECT_EQ(E8AnswerValue(Answer('F', 'F')), 255);
    EXPECT_FALSE(CheckE8Answer(Answer('a', 'b'), kId));
    EXPECT_EQ(E8AnswerValue(Answer('a', 'b')), 0xAB);
}

TEST(E8AnswerTest, BadAnswersAreRefused) {
    Bytes six = Answer('1', '2');
    six.pop_back();
    Bytes eight = Answer('1', '2');
    eight.push_back('3');
    Bytes otherRadio = Answer('1', '2');
    otherRadio[1] = 0x18;
    Bytes idLater{0x00, 0x30, 0x17, 0x01, 0x02, '1', '2'};
    EXPECT_TRUE(CheckE8Answer(six, kId));
    EXPECT_TRUE(CheckE8Answer(eight, kId));
    EXPECT_TRUE(CheckE8Answer(Bytes{}, kId));
    EXPECT_TRUE(CheckE8Answer(otherRadio, kId));
    EXPECT_TRUE(CheckE8Answer(idLater, kId));
    EXPECT_TRUE(CheckE8Answer(Answer('G', '0'), kId));
    EXPECT_TRUE(CheckE8Answer(Answer('0', ' '), kId));
    EXPECT_TRUE(CheckE8Answer(Answer(0xC8, 0x00), kId));
    EXPECT_EQ(E8AnswerValue(six), 0);
}

TEST(ThermistorTest, KnownPoints) {
    EXPECT_NEAR(ThermistorCelsius(128), 9.27, 0.005);
    EXPECT_NEAR(ThermistorCelsius(200), 37.41, 0.005);
}

struct RowCase {
    int index;
    int v;
    const char* expected;
};

TEST(AdRowTest, RowTexts) {
    const RowCase cases[] = {
        {0, 200, "VIN  :200:C8h:  7.84V"},  {0, 0, "VIN  :  0:00h:  0.00V"},
        {0, 255, "VIN  :255:FFh: 10.00V"},  {1, 128, "TEMPS:128:80h:  9.27'C"},
        {1, 200, "TEMPS:200:C8h: 37.41'C"}, {1, 0, "TEMPS:  0:00h:*Error"},
        {1, 255, "TEMPS:255:FFh:*Error"},   {2, 170, "LVIN :170:AAh:  3.33V"},
        {3, 51, "SD   : 51:33h:  1.00V"},   {4, 77, ""},
    };
    for (const RowCase& c : cases) {
        EXPECT_EQ(AdRowText(c.index, c.v), c.expected) << c.index << " " << c.v;
    }
}

TEST(AdRowTest, TemperatureStaysWithinRowAtExtremes) {
    EXPECT_EQ(AdRowText(1, 1), "TEMPS:  1:01h:-70.19'C");
    EXPECT_EQ(AdRowText(1, 254).substr(0, 14), "TEMPS:254:FEh:");
}

TEST(DaRowTest, RowTexts) {
    const RowCase cases[] = {
        {0, 255, "T1/POW :255:FFh:  5.00V"}, {1, 0, "BPF T2 :  0:00h:  0.00V"},
        {2, 128, "TX LVA :128:80h:  2.51V"}, {3, 170, "RX LVA :170:AAh:  3.33V"},
        {4, 1, "REF    :  1:01h:  0.02V"},   {5, 128, "MOD BAL:128:80h: 50.20%"},
        {6, 64, "Dev    : 64:40h:  1.25V"},  {7, 32, "CTCSS  : 32:20h:  0.63V"},
        {8, 255, "SQL Lev:255:FFh:100.00%"},
    };
    for (const RowCase& c : cases) {
        EXPECT_EQ(DaRowText(c.index, c.v), c.expected) << c.index << " " << c.v;
    }
}

TEST(ReadingValueTest, ValuesAndUnitsBesideTheTextTheRowShows) {
    struct Case {
        ReadingGroup group;
        int index;
        int raw;
        const char* name;
        double value;  // NaN: none
        const char* unit;
        const char* text;
    };
    const double none = std::nan("");
    const Case cases[] = {
        {ReadingGroup::Ad, 0, 200, "VIN", 2000.0 / 255, "V", "7.84V"},
        {ReadingGroup::Ad, 1, 128, "TEMPS", 9.2712, "\xC2\xB0" "C", "9.27'C"},
        {ReadingGroup::Ad, 1, 255, "TEMPS", none, "\xC2\xB0" "C", "*Error"},
        {ReadingGroup::Ad, 3, 51, "SD", 1.0, "V", "1.00V"},
        {ReadingGroup::Da, 0, 255, "T1/POW", 5.0, "V", "5.00V"},
        {ReadingGroup::Da, 5, 128, "MOD BAL", 12800.0 / 255, "%", "50.20%"},
        {ReadingGroup::Da, 8, 255, "SQL Lev", 100.0, "%", "100.00%"},
    };
    for (const Case& c : cases) {
        const auto reading = ReadingValueOf(c.group, c.index, c.raw);
        ASSERT_TRUE(reading.has_value()) << c.name;
        EXPECT_EQ(reading->name, c.name);
        EXPECT_EQ(reading->raw, c.raw);
        EXPECT_EQ(reading->unit, c.unit) << c.name;
        EXPECT_EQ(reading->text, c.text) << c.name;
        EXPECT_EQ(reading->value.has_value(), !std::isnan(c.value)) << c.name;
        if (reading->value) {
            EXPECT_NEAR(*reading->value, c.value, 0.0001) << c.name;
        }
    }
    // The unlabelled [A/D] row and rows beyond the lists are no readings.
    EXPECT_FALSE(ReadingValueOf(ReadingGroup::Ad, 4, 77));
    EXPECT_FALSE(ReadingValueOf(ReadingGroup::Da, 9, 1));
    EXPECT_FALSE(ReadingValueOf(ReadingGroup::Ad, -1, 1));
}

// The rows' own glued units, spaced where a report or a message quotes them; names and
// what is spaced already are left alone.
TEST(SpacedUnitsTest, ReadingsQuotedWithASpaceBeforeTheirUnit) {
    const struct {
        const char* text;
        const char* spaced;
    } rows[] = {
        {"7.49V", "7.49 V"},
        {"24.81'C is above 20 \u00b0C", "24.81 \u00b0C is above 20 \u00b0C"},
        {"MOD BAL 50.20%, VIN 7.45V.", "MOD BAL 50.20 %, VIN 7.45 V."},
        {"7.49 V", "7.49 V"},
        {"T1/POW 2.35V; 12VDC, 5V0, Power(L1)", "T1/POW 2.35 V; 12VDC, 5V0, Power(L1)"},
        {"*Error", "*Error"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(SpacedUnits(row.text), row.spaced) << row.text;
}

}  // namespace
}  // namespace qs
