// An instrument's answer to *IDN? in its four fields, and the bench settings' calibration
// days, as tables of what instruments and people actually write.
#include <gtest/gtest.h>

#include "instruments/bench_setup.h"
#include "instruments/instrument_identity.h"

namespace qs::instruments {
namespace {

TEST(InstrumentIdentity, SplitIntoMakerModelSerialAndFirmware) {
    const struct {
        const char* answer;
        IdentityParts parts;
    } rows[] = {
        {"Bench Works,PM-1,0042,1.2", {"Bench Works", "PM-1", "0042", "1.2"}},
        {" Maker , SG-1 , 7 , 1.0\r\n", {"Maker", "SG-1", "7", "1.0"}},
        {"Maker,Model", {"Maker", "Model", "", ""}},
        {"Maker,Model,1,fw 2,opt B", {"Maker", "Model", "1", "fw 2,opt B"}},
        {"", {"", "", "", ""}},
        {"no commas at all", {"no commas at all", "", "", ""}},
    };
    for (const auto& row : rows) EXPECT_EQ(SplitIdentity(row.answer), row.parts) << row.answer;
}

TEST(InstrumentIdentity, CalibrationDaysAreCalendarDays) {
    const struct {
        const char* text;
        bool day;
    } rows[] = {
        {"2027-03-01", true},  {"2028-02-29", true},  {"2027-02-29", false},
        {"2100-02-29", false}, {"2000-02-29", true},  {"2027-04-31", false},
        {"2027-13-01", false}, {"2027-3-1", false},   {"01.03.2027", false},
        {"2027-03-01 ", false}, {"", false},           {"20270301xx", false},
    };
    for (const auto& row : rows) EXPECT_EQ(IsCalendarDay(row.text), row.day) << row.text;
}

}  // namespace
}  // namespace qs::instruments
