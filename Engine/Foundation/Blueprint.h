#pragma once

#include "Engine/Foundation/StringView.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace Lumvek
{

// The type tag of a Blueprint value; the numbers are part of the engine's file formats.
enum class BlueprintType : uint32_t
{
    Invalid = 0,
    Null = 1,
    Boolean = 2,
    Integer = 3,
    UnsignedInteger = 4,
    Number = 5,
    String = 6,
    Array = 7,
    Object = 8,
};

// FNV-1a 64 of a member name: the key of an object's member index.
uint64_t HashMemberName(StringView name);

class Blueprint;
struct BlueprintMember;
class ReadReport;

// Owned bytes of a string value or a member name. Short texts live inline so that the many small
// names and strings of a document cost no allocation. The bytes are always followed by a zero.
// Its owner (a Blueprint or a BlueprintMember) allocates and releases it.
class BlueprintText
{
public:
    StringView View() const { return StringView(Data(), length); }
    uint32_t Length() const { return length; }
    const char* Data() const;

private:
    friend class Blueprint;
    friend class ValueObject;
    friend struct BlueprintMember;

    static constexpr uint32_t LocalCapacity = 19;

    void SetEmpty()
    {
        length = 0;
        bytes[0] = 0;
    }
    // Copies text into a released or empty storage.
    void Assign(StringView text);
    void Release()
    {
        if (length > LocalCapacity)
            ReleaseHeap();
        SetEmpty();
    }
    void ReleaseHeap();

    char bytes[LocalCapacity + 1];
    uint32_t length;
};

// The member table of an Object value: names and values in insertion order, and for larger objects
// an index by the FNV-1a 64 hash of the name. Owned by its Blueprint and reached only by reference
// through it.
class ValueObject
{
public:
    // FindMember's answer for a missing name (-1 as a signed position).
    static constexpr uint32_t NotFound = 0xFFFFFFFFu;

    ValueObject(const ValueObject&) = delete;
    ValueObject& operator=(const ValueObject&) = delete;

    uint32_t GetCount() const { return count; }
    // The position of the member called name, or NotFound.
    uint32_t FindMember(StringView name) const;
    // The value of the member called name, or null.
    Blueprint* Find(StringView name);
    const Blueprint* Find(StringView name) const;

    // Returns the member called name. When the name is present that member is returned unchanged
    // and value is dropped; otherwise name and value are appended.
    Blueprint& AddMember(StringView name, Blueprint value);
    // The same with an Invalid value: the member called name, added when missing.
    Blueprint& AddMember(StringView name);
    // Stores a prepared member: a present name takes the new value in place, keeping its position.
    Blueprint& SetMember(BlueprintMember&& member);
    void Reserve(uint32_t capacity);

    // Members by position; an index at or past the count throws InvalidIndex.
    StringView GetName(uint32_t position) const;
    Blueprint& GetValue(uint32_t position);
    const Blueprint& GetValue(uint32_t position) const;
    const BlueprintMember* begin() const;
    const BlueprintMember* end() const;

private:
    friend class Blueprint;

    // Small objects are searched name by name, which is faster than hashing for the few members
    // most objects have. Past this many members an open addressing table of positions, keyed by
    // the names' hashes, follows the members in the same block.
    static constexpr uint32_t LinearCapacity = 16;
    static constexpr uint32_t EmptySlot = 0xFFFFFFFFu;

    ValueObject() = default;

    bool Indexed() const { return capacity > LinearCapacity; }
    uint32_t FindLinear(StringView name) const;
    uint32_t FindIndexed(StringView name, uint64_t hash) const;
    uint32_t* Table() const;
    uint32_t TableMask() const;
    // Enters a member into the table of an indexed object, hashing its name if not done yet.
    void IndexInsert(uint32_t position);
    void Grow(uint32_t minimum);
    void Allocate(uint32_t newCapacity);
    Blueprint& Append(BlueprintMember&& member);

    // Plain data, so that a Blueprint moves its payload as bytes; value-initialised when created.
    BlueprintMember* members;
    uint32_t count;
    uint32_t capacity;
};

// The engine's document value: a scalar, a string, an array of values or an object of named
// values. The tree owns all of its children; copies are deep. Copying, comparing and destroying
// walk the tree without recursion, so any depth a document reaches is safe.
class Blueprint
{
public:
    Blueprint() { payload.unsignedInteger = 0; }
    Blueprint(const Blueprint& other);
    Blueprint(Blueprint&& other) noexcept { TakeFrom(other); }
    Blueprint& operator=(const Blueprint& other);
    Blueprint& operator=(Blueprint&& other) noexcept;
    ~Blueprint() { Discard(); }

    BlueprintType GetType() const { return type; }
    bool IsContainer() const { return type == BlueprintType::Array || type == BlueprintType::Object; }

    // Releases the payload and stores the new tag with its empty payload.
    void SetType(BlueprintType newType);
    void Clear() { SetType(BlueprintType::Invalid); }
    void SetNull() { SetType(BlueprintType::Null); }
    void SetBoolean(bool value);
    void SetInteger(int64_t value);
    void SetUnsignedInteger(uint64_t value);
    void SetNumber(double value);
    // A Number that holds a float: writers give it the shortest text that reads back as that float,
    // where the double it widens to would need up to seventeen digits (0.1 and not 0.10000000149011612).
    void SetFloat(float value);
    void SetString(StringView text);
    // Makes the value an empty Object.
    ValueObject& SetObject();
    // The member table; a value of another type first becomes an empty Object.
    ValueObject& MakeObject();
    // Makes the value an empty Array.
    void SetArray();

    // The payload when the value has that type, otherwise the empty payload of the type.
    bool GetBoolean() const { return type == BlueprintType::Boolean && payload.boolean; }
    int64_t GetInteger() const { return type == BlueprintType::Integer ? payload.integer : 0; }
    uint64_t GetUnsignedInteger() const { return type == BlueprintType::UnsignedInteger ? payload.unsignedInteger : 0; }
    double GetNumber() const { return type == BlueprintType::Number ? payload.number.value : 0.0; }
    // Whether a Number was stored from a float (SetFloat); read numbers are doubles.
    bool IsFloat() const { return type == BlueprintType::Number && payload.number.single; }
    StringView GetString() const { return type == BlueprintType::String ? payload.text.View() : StringView(); }
    // The member table of an Object; an empty table for any other type.
    const ValueObject& GetObject() const;

    // Elements of an Array, members of an Object, zero otherwise.
    uint32_t GetCount() const;
    // Array elements; an index at or past the count (or a value that is no Array) throws InvalidIndex.
    Blueprint& GetElement(uint32_t index);
    const Blueprint& GetElement(uint32_t index) const;
    // The element or member value at a position of an Array or Object.
    Blueprint& GetChild(uint32_t position);
    const Blueprint& GetChild(uint32_t position) const;
    // The following make the value an Array unless it is one. Growing appends Invalid values,
    // shrinking destroys the trailing ones.
    void Resize(uint32_t newCount);
    void Reserve(uint32_t newCapacity);
    Blueprint& AppendElement(Blueprint value = Blueprint());

    // Same types and payloads; containers compare element by element and member by member in order.
    bool operator==(const Blueprint& other) const;

private:
    friend class ValueObject;
    friend struct BlueprintMember;

    struct NumberStorage
    {
        double value;
        bool single;
    };
    struct ArrayStorage
    {
        Blueprint* elements;
        uint32_t count;
        uint32_t capacity;
    };

    // Every payload is plain bytes, pointers and counts, so moving a value copies the payload
    // bytes and leaves the source Invalid.
    union Payload
    {
        Payload() {}
        ~Payload() {}

        bool boolean;
        int64_t integer;
        uint64_t unsignedInteger;
        NumberStorage number;
        BlueprintText text;
        ArrayStorage array;
        ValueObject object;
    };

    // Moves other's payload into this value, which owns none; other becomes Invalid. Inline: trees
    // are built and torn down by moves, and a call per move costs a document load dearly.
    void TakeFrom(Blueprint& other) noexcept
    {
        std::memcpy(static_cast<void*>(&payload), &other.payload, sizeof payload);
        type = other.type;
        other.type = BlueprintType::Invalid;
    }
    // Releases the payload of any tree, leaving Invalid; never recurses.
    void Release() noexcept;
    // Release for values that own memory; other payloads are simply overwritten.
    void Discard() noexcept
    {
        if (OwnsMemory())
            Release();
    }
    // Releases a scalar, a string or an empty container.
    void ReleaseShallow() noexcept;
    // Destroys the last children of a container as long as they hold no children themselves.
    void ReleaseTrailingLeaves() noexcept;
    bool HasChildren() const { return IsContainer() && GetCount() > 0; }
    bool OwnsMemory() const { return type >= BlueprintType::String; }
    Blueprint& LastChild();
    // Destroys the last child, which must hold no children of its own.
    void DestroyLastChild() noexcept;
    // Copies other's type and scalar or string payload into this Invalid value; a container
    // becomes empty with room for other's children.
    void CopyShallow(const Blueprint& other);
    bool EqualShallow(const Blueprint& other) const;
    void GrowArray(uint32_t minimum);
    void AllocateArray(uint32_t newCapacity);

    BlueprintType type = BlueprintType::Invalid;
    Payload payload;
};

// One member of an object: its name, its value, and the hash of its name once an index needed it.
struct BlueprintMember
{
    BlueprintMember() { name.SetEmpty(); }
    BlueprintMember(StringView memberName, Blueprint memberValue)
        : BlueprintMember(memberName, 0, std::move(memberValue))
    {
    }
    // memberHash is HashMemberName(memberName), or 0 for not computed yet.
    BlueprintMember(StringView memberName, uint64_t memberHash, Blueprint memberValue);
    BlueprintMember(const BlueprintMember& other);
    BlueprintMember(BlueprintMember&& other) noexcept
        : hash(other.hash), name(other.name), value(std::move(other.value))
    {
        other.name.SetEmpty();
    }
    BlueprintMember& operator=(const BlueprintMember&) = delete;
    BlueprintMember& operator=(BlueprintMember&&) = delete;
    ~BlueprintMember() { name.Release(); }

    // HashMemberName(name), or 0 while not computed (a name that hashes to 0 is merely hashed again).
    uint64_t hash = 0;
    BlueprintText name;
    Blueprint value;
};

inline const BlueprintMember* ValueObject::begin() const
{
    return members;
}

inline const BlueprintMember* ValueObject::end() const
{
    return members + count;
}

// A read cursor over a tree it does not own: the current value, a position, and a stack of the
// enclosing values with their positions. Reads never throw; a failed step leaves the cursor as it was.
// A reader may carry the report of the file the tree came from, where members that could not be
// taken are noted; a reader over part of a file carries the path of that part.
class BlueprintReader
{
public:
    explicit BlueprintReader(const Blueprint& root) : current(&root) {}
    BlueprintReader(const Blueprint& root, ReadReport* report, std::string rootPath = {})
        : current(&root), report(report), rootPath(std::move(rootPath))
    {
    }

    // Enters the member called name of a non-empty current Object; the position becomes 0.
    bool GetMember(StringView name);
    // Enters element index of a non-empty current Array; the position becomes 0.
    bool GetElement(uint32_t index);
    // Enters the first member or element of a non-empty current Object or Array.
    bool Enter();
    // Moves to the next member or element of the enclosing value; past the last one the cursor
    // returns to the enclosing value and the answer is false.
    bool Next();
    // Returns to the enclosing value; false when there is none.
    bool Pop();
    // Copies the text of a current String.
    bool ReadString(std::string& text) const;

    const Blueprint& GetCurrent() const { return *current; }
    uint32_t GetPosition() const { return position; }
    uint32_t GetDepth() const { return static_cast<uint32_t>(frames.size()); }

    // Null for a tree read without a report.
    ReadReport* GetReport() const { return report; }
    // The current value's path from the file's root ("Entities.Platforms[2]"), rootPath first.
    std::string GetPath() const;
    // Notes that member key of the current Object (the current value itself when key is empty) could
    // not be taken: added to the report (which logs it) or, without a report, logged.
    void Refuse(StringView key, StringView why);

private:
    struct Frame
    {
        const Blueprint* value;
        uint32_t position;
    };

    void Push(const Blueprint* child);

    std::vector<Frame> frames;
    const Blueprint* current;
    uint32_t position = 0;
    ReadReport* report = nullptr;
    std::string rootPath;
};

// A build cursor over a tree it owns, with the reader's frame stack. Pushing makes the current
// value the container it needs to be. The cursor holds pointers into its own tree, so it is
// neither copied nor moved.
class BlueprintWriter
{
public:
    BlueprintWriter() : current(&root) {}
    BlueprintWriter(const BlueprintWriter&) = delete;
    BlueprintWriter& operator=(const BlueprintWriter&) = delete;

    // Makes the current value an Object unless it is one, then enters the member called name,
    // adding it as Invalid when missing.
    void PushMember(StringView name);
    // Makes the current value an Array unless it is one, grows it to index + 1 elements when
    // shorter, then enters element index.
    void PushElement(uint32_t index);
    bool WriteString(StringView text);
    bool Pop();

    Blueprint& GetCurrent() { return *current; }
    Blueprint& GetRoot() { return root; }
    const Blueprint& GetRoot() const { return root; }
    uint32_t GetPosition() const { return position; }
    uint32_t GetDepth() const { return static_cast<uint32_t>(frames.size()); }

private:
    struct Frame
    {
        Blueprint* value;
        uint32_t position;
    };

    void Push(Blueprint* child);

    std::vector<Frame> frames;
    Blueprint root;
    Blueprint* current;
    uint32_t position = 0;
};

// A value as a message names it: a text in quotes, a number in the shortest form that reads back the
// same, a container by its kind alone.
std::string DescribeValue(const Blueprint& value);

} // namespace Lumvek
