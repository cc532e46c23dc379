#include "Engine/Foundation/Buffer.h"
#include "Engine/Foundation/ToString.h"

#include <gtest/gtest.h>

#include <vector>

using namespace Lumvek;

namespace
{

std::vector<uint8_t> Bytes(const BufferWriter& writer)
{
    StringView view = writer.GetView();
    return std::vector<uint8_t>(view.begin(), view.end());
}

} // namespace

TEST(Buffer, GrowsByHalfOfItsSize)
{
    Buffer buffer;
    std::vector<uint32_t> capacities;
    for (int i = 0; i < 19; ++i)
    {
        uint8_t byte = static_cast<uint8_t>(i);
        buffer.Append(&byte, 1);
        if (capacities.empty() || capacities.back() != buffer.Capacity())
            capacities.push_back(buffer.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<uint32_t>{1, 2, 3, 4, 6, 9, 13, 19}));
    EXPECT_EQ(buffer.Data()[7], 7);
}

TEST(Buffer, ReserveToASmallerSizeKeepsCapacityAndBytes)
{
    Buffer buffer;
    buffer.Append("abcdef");
    uint32_t capacity = buffer.Capacity();
    buffer.Reserve(2);
    EXPECT_EQ(buffer.Capacity(), capacity);
    EXPECT_EQ(buffer.ToString(), "ab");
}

TEST(Buffer, BytesAReserveAddsAreZeroAlsoInReusedCapacity)
{
    // After a Clear or a smaller size, old bytes still lie in the capacity; growing again must not
    // hand them back as if they were new.
    const struct
    {
        const char* name;
        void (*shrink)(Buffer&);
    } cases[] = {
        {"clear", [](Buffer& buffer) { buffer.Clear(); }},
        {"smaller size", [](Buffer& buffer) { buffer.Reserve(2); }},
    };
    for (const auto& c : cases)
    {
        Buffer buffer;
        buffer.Append("abcdefgh");
        const uint32_t capacity = buffer.Capacity();
        c.shrink(buffer);
        const uint32_t kept = buffer.Size();
        buffer.Reserve(8);
        EXPECT_EQ(buffer.Capacity(), capacity) << c.name;
        EXPECT_EQ(buffer.ToString(), std::string("ab", kept) + std::string(8 - kept, '\0')) << c.name;
    }
}

TEST(Buffer, CopiesAreDeep)
{
    Buffer a;
    a.Append("xyz");
    Buffer b = a;
    b.Data()[0] = 'q';
    EXPECT_EQ(a.ToString(), "xyz");
    EXPECT_EQ(b.ToString(), "qyz");
    Buffer& same = a;
    a = same;
    EXPECT_EQ(a.ToString(), "xyz");
}

TEST(BufferWriter, ByteOrderDecidesTheWrittenBytes)
{
    BufferWriter memory(MemoryOrder);
    memory.Write<uint32_t>(0x01020304);
    EXPECT_EQ(Bytes(memory), (std::vector<uint8_t>{0x04, 0x03, 0x02, 0x01}));

    BufferWriter reversed(ReversedOrder);
    reversed.Write<uint32_t>(0x01020304);
    EXPECT_EQ(Bytes(reversed), (std::vector<uint8_t>{0x01, 0x02, 0x03, 0x04}));

    for (const BufferWriter* writer : {&memory, &reversed})
    {
        BufferReader reader(writer->buffer, writer->byteOrder);
        uint32_t value = 0;
        EXPECT_TRUE(reader.Read(value));
        EXPECT_EQ(value, 0x01020304u);
    }
}

TEST(BufferWriter, BitsFillBytesFromTheTop)
{
    BufferWriter writer;
    writer.WriteBit(true);
    writer.WriteBit(false);
    writer.WriteBit(true);
    writer.FinishByte();
    writer.WriteBit(true);
    EXPECT_EQ(Bytes(writer), (std::vector<uint8_t>{0xA0, 0x80}));

    BufferWriter nine;
    for (int i = 0; i < 9; ++i)
        nine.WriteBit(true);
    EXPECT_EQ(Bytes(nine), (std::vector<uint8_t>{0xFF, 0x80}));

    BufferWriter eight;
    for (int i = 0; i < 8; ++i)
        eight.WriteBit(i % 2 == 0);
    eight.FinishByte();
    eight.WriteBit(true);
    EXPECT_EQ(Bytes(eight), (std::vector<uint8_t>{0xAA, 0x80}));
}

TEST(BufferReader, ReadsAtAndPastTheEnd)
{
    const uint8_t bytes[] = {1, 0, 0, 0, 2, 0, 0};
    BufferReader reader(bytes, sizeof(bytes));
    uint32_t value = 99;
    EXPECT_TRUE(reader.Read(value));
    EXPECT_EQ(value, 1u);
    EXPECT_FALSE(reader.Read(value));
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(reader.position, 4u);
    float number = 5.0f;
    EXPECT_FALSE(reader.Read(number));
    EXPECT_EQ(number, 5.0f);
    uint8_t byte = 0;
    EXPECT_TRUE(reader.Read(byte));
    EXPECT_TRUE(reader.Read(byte));
    EXPECT_TRUE(reader.Read(byte));
    EXPECT_FALSE(reader.Read(byte));
    EXPECT_TRUE(reader.AtEnd());
}

TEST(BufferReader, StringLongerThanTheDataIsRefused)
{
    BufferWriter writer;
    writer.Write<uint32_t>(10);
    writer.WriteText("abcdef");
    BufferReader reader(writer.buffer);
    std::string text = "old";
    EXPECT_FALSE(reader.ReadString(text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(reader.position, 4u);

    // A length near 2^32 must not wrap the bound and read outside the bytes.
    BufferWriter huge;
    huge.Write<uint32_t>(0xFFFFFFFEu);
    huge.WriteText("abc");
    BufferReader hugeReader(huge.buffer);
    hugeReader.position = 0;
    EXPECT_FALSE(hugeReader.ReadString(text));
    EXPECT_EQ(hugeReader.position, 4u);

    BufferWriter good;
    good.WriteString("hello");
    BufferReader goodReader(good.buffer);
    EXPECT_TRUE(goodReader.ReadString(text));
    EXPECT_EQ(text, "hello");
    EXPECT_TRUE(goodReader.AtEnd());
}

TEST(ToString, NumbersInTheEngineForms)
{
    struct Case
    {
        std::string text;
        std::string expected;
    };
    auto print = [](auto value)
    {
        BufferWriter writer;
        ToString(writer, value);
        return writer.ToString();
    };
    std::vector<Case> cases = {
        {print(1.5f), "1.5"},
        {print(2.0f), "2.0"},
        {print(100.0), "100.0"},
        {print(0.25), "0.25"},
        {print(1.234567), "1.234567"},
        {print(-0.5f), "-0.5"},
        {print(true), "true"},
        {print(false), "false"},
        {print(-7), "-7"},
        {print(4294967295u), "4294967295"},
        {print(int64_t(-1) << 40), "-1099511627776"},
        {print(uint64_t(1) << 63), "9223372036854775808"},
        {print(uint8_t(0x0A)), "0A"},
        {print(std::string("text")), "text"},
        {print(StringView("view")), "view"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, c.expected);
}

TEST(ToString, IdentifierPrintsInGroups)
{
    Guid guid;
    for (int i = 0; i < 16; ++i)
        guid.bytes[i] = static_cast<uint8_t>(i);
    BufferWriter writer;
    ToString(writer, guid);
    EXPECT_EQ(writer.ToString(), "00010203-0405-0607-0809-0A0B0C0D0E0F");
}

TEST(StringView, IndexOutsideTheViewThrows)
{
    StringView view("abc");
    EXPECT_EQ(view[2], 'c');
    try
    {
        (void)view[3];
        FAIL() << "no exception";
    }
    catch (const InvalidIndex& error)
    {
        EXPECT_EQ(error.index, 3u);
        EXPECT_EQ(error.length, 3u);
    }
    EXPECT_TRUE(StringView("ab") == StringView(std::string("ab")));
    EXPECT_FALSE(StringView("ab") == StringView("abc"));
}
