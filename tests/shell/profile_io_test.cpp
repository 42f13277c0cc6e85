#include "shell/profile_io.h"

#include <gtest/gtest.h>

#include "fakes/memory_profile_store.h"

namespace qs {
namespace {

class ProfileIoTest : public ::testing::Test {
protected:
    ProfileIoTest() : prof(store) {
        store.executableDirectory = "/opt/qs71dr";
        prof.SetCurrentPath();
        prof.setName("RW5120A.rs");
        prof.setSection("OPTION");
    }

    std::string file() const { return prof.GetMyProfile(); }

    MemoryProfileStore store;
    clsCmcProfileIO prof;
};

TEST_F(ProfileIoTest, NameAndPathDefaultsAndTheProgramFolder) {
    clsCmcProfileIO fresh(store);
    EXPECT_EQ(fresh.Name(), "Profile.INI");
    EXPECT_EQ(fresh.Path(), "");
    EXPECT_EQ(file(), "/opt/qs71dr/RW5120A.rs");
    store.executableDirectory = "/opt/qs71dr/";
    prof.SetCurrentPath();
    EXPECT_EQ(prof.Path(), "/opt/qs71dr/");  // no doubled separator
}

TEST_F(ProfileIoTest, MissingFileLoadsTheDefault) {
    TaggedValue port = TaggedValue::Long(0);
    EXPECT_TRUE(prof.loadData("ComPort", port, TaggedValue::Long(1)));
    EXPECT_EQ(port, TaggedValue::Long(1));
    EXPECT_FALSE(store.fileExists(file()));
}

TEST_F(ProfileIoTest, KeyWithNothingAfterTheEqualsSignLeavesTheValue) {
    store.setRaw(file(), "OPTION", "ComPort", "");
    TaggedValue port = TaggedValue::Long(7);
    EXPECT_FALSE(prof.loadData("ComPort", port, TaggedValue::Long(1)));
    EXPECT_EQ(port, TaggedValue::Long(7));
}

TEST_F(ProfileIoTest, TextThatIsNotANumberFailsAndLeavesTheValue) {
    for (const char* stored : {"abc", "2x", "1.2.3", "inf", "nan", "-", "99999999999", "0x10"}) {
        store.setRaw(file(), "OPTION", "ComPort", stored);
        TaggedValue port = TaggedValue::Integer(3);
        EXPECT_FALSE(prof.loadData("ComPort", port, TaggedValue::Integer(1))) << stored;
        EXPECT_EQ(port, TaggedValue::Integer(3)) << stored;
    }
}

TEST_F(ProfileIoTest, NumbersReadWithSpacesSignAndRounding) {
    struct Case {
        const char* stored;
        std::int16_t expected;
    } cases[] = {{"2", 2}, {"  4  ", 4}, {"+3", 3}, {"-12", -12}, {"2.5", 2}, {"3.5", 4}};
    for (const Case& c : cases) {
        store.setRaw(file(), "OPTION", "ComPort", c.stored);
        TaggedValue port = TaggedValue::Integer(0);
        EXPECT_TRUE(prof.loadData("ComPort", port)) << c.stored;
        EXPECT_EQ(port, TaggedValue::Integer(c.expected)) << c.stored;
    }
}

TEST_F(ProfileIoTest, SavedNumbersAreDecimalText) {
    EXPECT_TRUE(prof.saveData("ComPort", TaggedValue::Integer(2)));
    EXPECT_TRUE(prof.saveData("L", TaggedValue::Long(-70000)));
    EXPECT_TRUE(prof.saveData("B", TaggedValue::Byte(255)));
    EXPECT_TRUE(prof.saveData("D", TaggedValue::Double(1.5)));
    EXPECT_TRUE(prof.saveData("C", TaggedValue::FromCurrency(Currency{-123450})));
    EXPECT_EQ(store.value(file(), "OPTION", "ComPort"), "2");
    EXPECT_EQ(store.value(file(), "OPTION", "L"), "-70000");
    EXPECT_EQ(store.value(file(), "OPTION", "B"), "255");
    EXPECT_EQ(store.value(file(), "OPTION", "D"), "1.5");
    EXPECT_EQ(store.value(file(), "OPTION", "C"), "-12.345");
    TaggedValue c = TaggedValue::FromCurrency(Currency{});
    EXPECT_TRUE(prof.loadData("C", c));
    EXPECT_EQ(c.asCurrency().tenThousandths, -123450);
}

TEST_F(ProfileIoTest, BooleansAreOneAndZeroAndAnyOtherTextIsTrue) {
    EXPECT_TRUE(prof.saveData("T", TaggedValue::Boolean(true)));
    EXPECT_TRUE(prof.saveData("F", TaggedValue::Boolean(false)));
    EXPECT_EQ(store.value(file(), "OPTION", "T"), "1");
    EXPECT_EQ(store.value(file(), "OPTION", "F"), "0");
    for (const char* stored : {"1", "yes", "-1", "00"}) {
        store.setRaw(file(), "OPTION", "X", stored);
        TaggedValue b = TaggedValue::Boolean(false);
        EXPECT_TRUE(prof.loadData("X", b));
        EXPECT_TRUE(b.asBoolean()) << stored;
    }
    store.setRaw(file(), "OPTION", "X", "0");
    TaggedValue b = TaggedValue::Boolean(true);
    EXPECT_TRUE(prof.loadData("X", b));
    EXPECT_FALSE(b.asBoolean());
}

TEST_F(ProfileIoTest, DateTimeRoundTripsThroughItsNineteenCharacterStamp) {
    const DateTime may{2007, 5, 1, 13, 45, 0};
    EXPECT_TRUE(prof.saveData("When", TaggedValue::Date(may)));
    EXPECT_EQ(store.value(file(), "OPTION", "When"), "2007.05.01-13:45:00");
    TaggedValue when = TaggedValue::Date(DateTime{});
    EXPECT_TRUE(prof.loadData("When", when));
    EXPECT_EQ(when.asDate(), may);
}

TEST_F(ProfileIoTest, DateTimeOfAnotherLengthOrImpossibleFieldsLeavesTheValue) {
    const DateTime before{2001, 2, 3, 4, 5, 6};
    for (const char* stored :
         {"2007.05.01-13:45:0", "2007.05.01-13:45:000", "2007.13.01-13:45:00",
          "2007.02.30-13:45:00", "2007.05.01-24:00:00", "20a7.05.01-13:45:00"}) {
        store.setRaw(file(), "OPTION", "When", stored);
        TaggedValue when = TaggedValue::Date(before);
        EXPECT_FALSE(prof.loadData("When", when)) << stored;
        EXPECT_EQ(when.asDate(), before) << stored;
    }
}

TEST_F(ProfileIoTest, MissingDateKeyLoadsTheGivenDefault) {
    const DateTime def{2020, 2, 29, 23, 59, 59};
    TaggedValue when = TaggedValue::Date(DateTime{});
    EXPECT_TRUE(prof.loadData("When", when, TaggedValue::Date(def)));
    EXPECT_EQ(when.asDate(), def);
}

TEST_F(ProfileIoTest, StringsAreCutToTheBufferAndTrailingSpacesDropped) {
    store.setRaw(file(), "OPTION", "S", std::string(300, 'a'));
    TaggedValue s = TaggedValue::String("");
    EXPECT_TRUE(prof.loadData("S", s));
    EXPECT_EQ(s.asString(), std::string(254, 'a'));
    store.setRaw(file(), "OPTION", "S", std::string("ab  \0zz", 7));
    EXPECT_TRUE(prof.loadData("S", s));
    EXPECT_EQ(s.asString(), "ab");
}

TEST_F(ProfileIoTest, MismatchedKindsAndEmptyValuesTouchNothing) {
    TaggedValue port = TaggedValue::Integer(3);
    EXPECT_FALSE(prof.loadData("ComPort", port, TaggedValue::Long(1)));
    EXPECT_EQ(port, TaggedValue::Integer(3));
    TaggedValue empty;
    EXPECT_FALSE(prof.loadData("ComPort", empty));
    EXPECT_FALSE(prof.saveData("ComPort", TaggedValue()));
    EXPECT_EQ(store.reads, 0);
    EXPECT_EQ(store.writes, 0);
}

TEST_F(ProfileIoTest, FailedWriteReportsFalse) {
    store.failWrites = true;
    EXPECT_FALSE(prof.saveData("ComPort", TaggedValue::Integer(2)));
}

TEST(ProfileIoPaths, FileAndFolderNamesOfFullPaths) {
    MemoryProfileStore store;
    store.executableDirectory = "/opt/qs";
    clsCmcProfileIO prof(store);
    EXPECT_EQ(clsCmcProfileIO::GetFileName("C:\\dir\\sub\\x.ini"), "x.ini");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("C:x.ini"), "x.ini");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("/home/tech/x.ini"), "x.ini");
    EXPECT_EQ(clsCmcProfileIO::GetFileName("x.ini"), "x.ini");
    EXPECT_EQ(prof.GetPathName("C:\\dir\\sub\\x.ini"), "C:\\dir\\sub");
    EXPECT_EQ(prof.GetPathName("C:\\x.ini"), "C:");
    EXPECT_EQ(prof.GetPathName("x.ini"), "/opt/qs");
    EXPECT_EQ(prof.GetPathName("/home/tech/x.ini"), "/home/tech");
    EXPECT_EQ(prof.GetPathName("/x.ini"), "/");
    prof.setFullPath("/home/tech/RW5120A.rs");
    EXPECT_EQ(prof.Path(), "/home/tech/");
    EXPECT_EQ(prof.Name(), "RW5120A.rs");
    EXPECT_EQ(prof.FullPath(), "/home/tech/RW5120A.rs");
    EXPECT_EQ(clsCmcProfileIO::StripTerminator(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(clsCmcProfileIO::UCase16("abc"), TaggedValue::String("abc"));
}

}  // namespace
}  // namespace qs
