// An instrument's answer to *IDN? in its four fields, as a table of what instruments write.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace qs::instruments
