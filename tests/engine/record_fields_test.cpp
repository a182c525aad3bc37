// The field codec of fixed-length records: text, number and scalar fields and the layouts.
#include "engine/record_fields.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

class SampleRec : public fields::Record<SampleRec, 40> {};
constexpr fields::Text<SampleRec> Label{4, 5};
constexpr fields::Number<SampleRec> Amount{10, 4};
constexpr fields::Bool<SampleRec> Flag{15};
constexpr fields::I32<SampleRec> Count{16};
constexpr fields::Byte<SampleRec> Style{20};
constexpr fields::Text<SampleRec> Tail{34, 5};  // ends on the last byte

TEST(RecordFieldsText, WritesLengthTextAndZeros) {
    SampleRec rec;
    rec.set(Label, "abcde");
    rec.set(Label, "xy");
    const auto b = rec.bytes();
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(b[5], 'x');
    EXPECT_EQ(b[6], 'y');
    // The longer text written before leaves nothing behind.
    EXPECT_EQ(b[7], 0);
    EXPECT_EQ(b[9], 0);
    EXPECT_EQ(rec.get(Label), "xy");
}

TEST(RecordFieldsText, LongTextIsCutAndNeighboursUntouched) {
    SampleRec rec;
    ASSERT_TRUE(rec.set(Amount, "9999"));
    rec.set(Label, "abcdefghij");
    EXPECT_EQ(rec.get(Label), "abcde");
    EXPECT_EQ(rec.get(Amount), "9999");
    EXPECT_EQ(rec.bytes()[3], 0);
}

TEST(RecordFieldsText, KeepsEveryByteValue) {
    SampleRec rec;
    const std::string text{'\xE9', '\x00', '\xFF', ' ', 'A'};
    rec.set(Label, text);
    EXPECT_EQ(rec.get(Label), text);
}

TEST(RecordFieldsText, CorruptLengthByteIsClampedToWidth) {
    SampleRec rec;
    rec.set(Label, "abcde");
    ASSERT_TRUE(rec.set(Amount, "12"));
    rec.bytes()[4] = 200;
    EXPECT_EQ(rec.get(Label), "abcde");
    rec.bytes()[34] = 255;
    EXPECT_EQ(rec.get(Tail).size(), 5u);
}

TEST(RecordFieldsText, ShortBufferIsNeverReadOrWrittenOutside) {
    std::vector<uint8_t> shortRec(38, 0);  // the Tail field would need 40 bytes
    shortRec[34] = 5;
    EXPECT_EQ(fields::Get(std::span<const uint8_t>(shortRec), Tail).size(), 3u);
    EXPECT_EQ(fields::ReadText(shortRec, 100, 5), "");
    EXPECT_EQ(fields::ReadI32(shortRec, 36), 0);
    fields::WriteText(shortRec, 34, 5, "abc");
    EXPECT_EQ(shortRec[34], 5);  // did not fit: nothing written
    EXPECT_FALSE(fields::WriteWholeText(shortRec, 34, 5, "a"));
    fields::WriteI32(shortRec, 36, -1);
    EXPECT_EQ(shortRec[36], 0);
}

TEST(RecordFieldsNumber, RefusesWhatDoesNotFit) {
    SampleRec rec;
    ASSERT_TRUE(rec.set(Amount, "1234"));
    EXPECT_FALSE(rec.set(Amount, "12345"));
    EXPECT_EQ(rec.get(Amount), "1234");
    ASSERT_TRUE(rec.set(Amount, ""));
    EXPECT_EQ(rec.get(Amount), "");
}

TEST(RecordFieldsScalars, LittleEndianIntegersAndFlags) {
    SampleRec rec;
    rec.set(Count, 0x01020304);
    const auto b = rec.bytes();
    EXPECT_EQ(b[16], 0x04);
    EXPECT_EQ(b[19], 0x01);
    for (int32_t v : {0, -1, -2, INT32_MIN, INT32_MAX}) {
        rec.set(Count, v);
        EXPECT_EQ(rec.get(Count), v);
    }
    rec.bytes()[15] = 7;  // any nonzero byte is on
    EXPECT_TRUE(rec.get(Flag));
    rec.set(Flag, false);
    EXPECT_EQ(rec.bytes()[15], 0);
    rec.set(Flag, true);
    EXPECT_EQ(rec.bytes()[15], 1);
    rec.set(Style, 0xA5);
    EXPECT_EQ(rec.get(Style), 0xA5);
    EXPECT_EQ(rec.get(Count), INT32_MAX);
}

TEST(RecordFieldsLayout, FieldsOutsideTheRecordAreRefused) {
    EXPECT_THROW((fields::Text<SampleRec>{35, 5}), std::logic_error);
    EXPECT_THROW((fields::I32<SampleRec>{37}), std::logic_error);
    EXPECT_THROW((fields::Text<SampleRec>{0, 0}), std::logic_error);
}

}  // namespace
