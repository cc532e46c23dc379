#include "Net/Stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace Net;

namespace
{

// One field of every kind, with values at the edges of their ranges.
struct AllFields
{
    int32_t ranged = -127;
    int32_t wideRange = std::numeric_limits<int32_t>::min();
    uint16_t fixed = 0;
    uint32_t full = 0;
    int8_t negative = -1;
    uint64_t sixtyFour = 0;
    uint64_t fortyOne = 0;
    bool yes = false;
    bool no = true;
    float number = 0.0f;
    uint32_t word = 0;
    uint64_t big = 0;
    uint8_t bytes[11] = {};
    char text[16] = {};
    uint32_t last = 0;

    template <class Stream> bool Serialize(Stream& stream)
    {
        serialize_int(stream, ranged, -127, 127);
        serialize_int(stream, wideRange, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
        serialize_bits(stream, fixed, 13);
        serialize_bits(stream, full, 32);
        serialize_bits(stream, negative, 8);
        serialize_bits(stream, sixtyFour, 64);
        serialize_bits(stream, fortyOne, 41);
        serialize_bool(stream, yes);
        serialize_bool(stream, no);
        serialize_float(stream, number);
        serialize_uint32(stream, word);
        serialize_uint64(stream, big);
        serialize_bytes(stream, bytes, int(sizeof(bytes)));
        serialize_string(stream, text, int(sizeof(text)));
        serialize_align(stream);
        serialize_uint32(stream, last);
        return true;
    }

    bool operator==(const AllFields& other) const
    {
        return ranged == other.ranged && wideRange == other.wideRange && fixed == other.fixed && full == other.full &&
               negative == other.negative && sixtyFour == other.sixtyFour && fortyOne == other.fortyOne &&
               yes == other.yes && no == other.no && std::memcmp(&number, &other.number, 4) == 0 &&
               word == other.word && big == other.big && std::memcmp(bytes, other.bytes, sizeof(bytes)) == 0 &&
               std::strcmp(text, other.text) == 0 && last == other.last;
    }
};

AllFields Sample()
{
    AllFields fields;
    fields.ranged = 127;
    fields.fixed = 0x1ABC;
    fields.full = 0xFFFFFFFFu;
    fields.negative = -128;
    fields.sixtyFour = 0xFEDCBA9876543210ull;
    fields.fortyOne = (uint64_t(1) << 41) - 1;
    fields.yes = true;
    fields.no = false;
    fields.number = -std::numeric_limits<float>::infinity();
    fields.word = 0x80000001u;
    fields.big = std::numeric_limits<uint64_t>::max();
    for (int i = 0; i < 11; ++i)
        fields.bytes[i] = uint8_t(0xF0 + i);
    std::strcpy(fields.text, "fifteen chars!!");
    fields.last = 0xCAFEBABEu;
    return fields;
}

std::vector<uint8_t> Write(AllFields fields, int* bits = nullptr)
{
    std::vector<uint8_t> buffer(256);
    WriteStream stream(buffer.data(), int(buffer.size()));
    EXPECT_TRUE(fields.Serialize(stream));
    stream.Flush();
    if (bits)
        *bits = stream.GetBitsProcessed();
    buffer.resize(size_t(stream.GetBytesProcessed()));
    return buffer;
}

// Writes one ranged integer raw, in the width its range takes, to test what a reader accepts.
std::vector<uint8_t> RawBits(uint32_t value, int bits)
{
    std::vector<uint8_t> buffer(8);
    WriteStream stream(buffer.data(), 8);
    EXPECT_TRUE(stream.SerializeBits(value, bits));
    stream.Flush();
    buffer.resize(size_t(stream.GetBytesProcessed()));
    return buffer;
}

} // namespace

TEST(Stream, RangedIntegersTakeTheBitsTheirRangeNeeds)
{
    struct Case
    {
        int64_t min, max;
        int bits;
    };
    const Case cases[] = {
        {0, 2, 2},     {0, 3, 2},      {0, 4, 3},  {0, 6, 3},   {0, 8, 4},           {0, 15, 4},
        {0, 16, 5},    {0, 50, 6},     {0, 64, 7}, {0, 127, 7}, {-127, 127, 8},      {0, 511, 9},
        {0, 1023, 10}, {0, 65534, 16}, {5, 5, 0},  {0, 1, 1},   {0, 0xFFFFFFFF, 32}, {INT32_MIN, INT32_MAX, 32}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "[" << c.min << ", " << c.max << "]");
        EXPECT_EQ(bits_required(c.min, c.max), c.bits);
        uint8_t buffer[8] = {};
        WriteStream stream(buffer, 8);
        int64_t value = c.max;
        EXPECT_TRUE(SerializeIntValue(stream, value, c.min, c.max));
        EXPECT_EQ(stream.GetBitsProcessed(), c.bits);
        MeasureStream measure;
        EXPECT_TRUE(SerializeIntValue(measure, value, c.min, c.max));
        EXPECT_EQ(measure.GetBitsProcessed(), c.bits);
    }
}

TEST(Stream, BitsFillWordsFromTheLowBitAndStoreThemLittleEndian)
{
    struct Write
    {
        uint32_t value;
        int bits;
    };
    struct Case
    {
        std::vector<Write> writes;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {{{0x12345678, 32}}, {0x78, 0x56, 0x34, 0x12}},
        {{{0xA, 4}, {0x5, 4}}, {0x5A}},
        {{{1, 1}, {0xFFFFFFFF, 32}}, {0xFF, 0xFF, 0xFF, 0xFF, 0x01}},
        {{{0x3, 2}, {0x0, 3}, {0x7, 3}, {0x1FF, 9}}, {0xE3, 0xFF, 0x01}},
        {{{0x1234, 16}, {0xABCDEF, 24}}, {0x34, 0x12, 0xEF, 0xCD, 0xAB}},
    };
    for (const Case& c : cases)
    {
        uint8_t buffer[8] = {};
        WriteStream stream(buffer, 8);
        for (Write write : c.writes)
            ASSERT_TRUE(stream.SerializeBits(write.value, write.bits));
        stream.Flush();
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + stream.GetBytesProcessed()), c.bytes);

        ReadStream reader(buffer, stream.GetBytesProcessed());
        for (Write write : c.writes)
        {
            uint32_t value = 0;
            ASSERT_TRUE(reader.SerializeBits(value, write.bits));
            EXPECT_EQ(value, write.value);
        }
    }
}

TEST(Stream, EveryFieldKindRoundTrips)
{
    std::vector<AllFields> samples = {AllFields(), Sample()};
    AllFields odd = Sample();
    odd.number = std::numeric_limits<float>::quiet_NaN();
    odd.text[0] = 0;
    odd.ranged = -127;
    odd.wideRange = std::numeric_limits<int32_t>::max();
    samples.push_back(odd);
    AllFields negativeZero = Sample();
    negativeZero.number = -0.0f;
    samples.push_back(negativeZero);

    for (const AllFields& sample : samples)
    {
        int bits = 0;
        std::vector<uint8_t> bytes = Write(sample, &bits);
        AllFields read;
        ReadStream stream(bytes.data(), int(bytes.size()));
        ASSERT_TRUE(read.Serialize(stream));
        EXPECT_TRUE(read == sample);
        EXPECT_EQ(stream.GetBitsProcessed(), bits);
    }
}

TEST(Stream, MeasuringCountsWhatWritingWrites)
{
    // Without alignment the count is exact; each alignment may add up to 7 bits more.
    AllFields fields = Sample();
    uint8_t buffer[256];
    WriteStream stream(buffer, sizeof(buffer));
    MeasureStream measure;
    int64_t ranged = 3;
    uint64_t wide = 0x1FFFFFFFFFull;
    bool flag = true;
    float number = 1.5f;
    auto run = [&](auto& s)
    {
        return SerializeIntValue(s, ranged, -4, 300) && SerializeBitsValue(s, wide, 37) &&
               SerializeBoolValue(s, flag) && SerializeFloatValue(s, number) && SerializeUint64Value(s, fields.big) &&
               SerializeUint32Value(s, fields.word);
    };
    ASSERT_TRUE(run(stream));
    ASSERT_TRUE(run(measure));
    EXPECT_EQ(measure.GetBitsProcessed(), stream.GetBitsProcessed());

    int written = 0;
    Write(fields, &written);
    MeasureStream aligned;
    ASSERT_TRUE(fields.Serialize(aligned));
    EXPECT_GE(aligned.GetBitsProcessed(), written);
    EXPECT_LE(aligned.GetBitsProcessed(), written + 3 * 7);
}

TEST(Stream, ReadingPastTheEndFails)
{
    std::vector<uint8_t> bytes = Write(Sample());
    for (size_t length = 0; length < bytes.size(); ++length)
    {
        AllFields read;
        ReadStream stream(bytes.data(), int(length));
        EXPECT_FALSE(read.Serialize(stream)) << length << " bytes";
    }
}

TEST(Stream, ReadsOutsideTheRangeFail)
{
    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        int64_t min, max;
        bool accepted;
    };
    const Case cases[] = {
        {"5 in [0, 5]", RawBits(5, 3), 0, 5, true},
        {"6 in [0, 5]", RawBits(6, 3), 0, 5, false},
        {"7 in [0, 5]", RawBits(7, 3), 0, 5, false},
        {"all ones in [-127, 127]", RawBits(255, 8), -127, 127, false},
        {"254 in [-127, 127]", RawBits(254, 8), -127, 127, true},
        {"N in [0, N]", RawBits(40, 6), 0, 40, true},
        {"N in [0, N - 1]", RawBits(40, 6), 0, 39, false},
    };
    for (const Case& c : cases)
    {
        ReadStream stream(c.bytes.data(), int(c.bytes.size()));
        int64_t value = 0;
        EXPECT_EQ(SerializeIntValue(stream, value, c.min, c.max), c.accepted) << c.name;
    }
}

TEST(Stream, WritingAValueThatDoesNotFitFails)
{
    uint8_t buffer[16] = {};
    WriteStream stream(buffer, sizeof(buffer));
    MeasureStream measure;
    int value = 6;
    EXPECT_FALSE(SerializeIntValue(stream, value, 0, 5));
    EXPECT_FALSE(SerializeIntValue(measure, value, 0, 5));
    value = -1;
    EXPECT_FALSE(SerializeIntValue(stream, value, 0, 5));
    uint32_t bits = 8;
    EXPECT_FALSE(SerializeBitsValue(stream, bits, 3));
    EXPECT_FALSE(SerializeBitsValue(measure, bits, 3));
    EXPECT_FALSE(SerializeBitsValue(stream, bits, 33)) << "wider than the value's type";
    char unterminated[4] = {'a', 'b', 'c', 'd'};
    EXPECT_FALSE(SerializeStringValue(stream, unterminated, 4));
    EXPECT_EQ(stream.GetBitsProcessed(), 0);
}

TEST(Stream, TheWriterStopsAtTheEndOfItsBuffer)
{
    // Five bytes inside a larger array: the bytes around them must stay as they were.
    uint8_t memory[9];
    std::memset(memory, 0xEE, sizeof(memory));
    WriteStream stream(memory + 2, 5);
    uint32_t ones = 0xFFFFFFFF;
    EXPECT_TRUE(stream.SerializeBits(ones, 32));
    EXPECT_FALSE(stream.SerializeBits(ones, 9));
    uint32_t byte = 0xFF;
    EXPECT_TRUE(stream.SerializeBits(byte, 8));
    uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_FALSE(stream.SerializeBytes(bytes, 1));
    stream.Flush();
    EXPECT_EQ(memory[0], 0xEE);
    EXPECT_EQ(memory[1], 0xEE);
    EXPECT_EQ(memory[7], 0xEE);
    EXPECT_EQ(memory[8], 0xEE);

    // Bytes written after odd bit counts and across word boundaries read back the same.
    uint8_t buffer[64] = {};
    WriteStream writer(buffer, sizeof(buffer));
    uint8_t text[23];
    for (int i = 0; i < 23; ++i)
        text[i] = uint8_t(i * 7 + 1);
    uint32_t three = 5;
    ASSERT_TRUE(writer.SerializeBits(three, 3));
    ASSERT_TRUE(writer.SerializeBytes(text, 23));
    ASSERT_TRUE(writer.SerializeBits(three, 3));
    ASSERT_TRUE(writer.SerializeBytes(text, 5));
    writer.Flush();
    ReadStream reader(buffer, writer.GetBytesProcessed());
    uint8_t back[23] = {};
    uint32_t value = 0;
    ASSERT_TRUE(reader.SerializeBits(value, 3));
    ASSERT_TRUE(reader.SerializeBytes(back, 23));
    EXPECT_EQ(std::memcmp(back, text, 23), 0);
    ASSERT_TRUE(reader.SerializeBits(value, 3));
    ASSERT_TRUE(reader.SerializeBytes(back, 5));
    EXPECT_EQ(std::memcmp(back, text, 5), 0);
    EXPECT_EQ(reader.GetBitsRemaining(), 0);
}

TEST(Stream, PaddingAndTextMustBeClean)
{
    // A set bit in alignment padding, before bytes or at an explicit alignment, fails the read.
    std::vector<uint8_t> padded = RawBits(0x2, 2);
    padded.push_back(0x41);
    ReadStream beforeBytes(padded.data(), int(padded.size()));
    uint32_t bit = 0;
    ASSERT_TRUE(beforeBytes.SerializeBits(bit, 1));
    uint8_t byte = 0;
    EXPECT_FALSE(beforeBytes.SerializeBytes(&byte, 1));
    ReadStream atAlign(padded.data(), int(padded.size()));
    ASSERT_TRUE(atAlign.SerializeBits(bit, 1));
    EXPECT_FALSE(atAlign.SerializeAlign());

    // Text arrives terminated, and text holding a zero byte is refused.
    struct Case
    {
        std::vector<uint8_t> characters;
        bool accepted;
    };
    const Case cases[] = {
        {{'a', 'b', 'c'}, true},
        {{'a', 0, 'c'}, false},
        {{}, true},
        {{'a', 'b', 'c', 'd', 'e', 'f', 'g'}, true},
    };
    for (const Case& c : cases)
    {
        uint8_t buffer[16] = {};
        WriteStream writer(buffer, sizeof(buffer));
        int64_t length = int64_t(c.characters.size());
        ASSERT_TRUE(writer.SerializeInteger(length, 0, 7));
        ASSERT_TRUE(writer.SerializeBytes(const_cast<uint8_t*>(c.characters.data()), int(length)));
        writer.Flush();
        char text[8];
        std::memset(text, 'x', sizeof(text));
        ReadStream reader(buffer, writer.GetBytesProcessed());
        ASSERT_EQ(SerializeStringValue(reader, text, 8), c.accepted);
        if (c.accepted)
        {
            EXPECT_EQ(std::string(text), std::string(c.characters.begin(), c.characters.end()));
        }
    }
}
