#include "Engine/Foundation/Blueprint.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/ReadReport.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <new>

namespace Lumvek
{

namespace
{

// Containers grow by doubling; counts are 32-bit, so the last doubling stops at the limit.
uint32_t GrownCapacity(uint32_t capacity, uint32_t minimum)
{
    uint64_t doubled = capacity ? uint64_t(capacity) * 2 : 4;
    return static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(doubled, minimum), UINT32_MAX));
}

} // namespace

uint64_t HashMemberName(StringView name)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : name)
    {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// BlueprintText

const char* BlueprintText::Data() const
{
    if (length <= LocalCapacity)
        return bytes;
    const char* heap;
    std::memcpy(&heap, bytes, sizeof heap);
    return heap;
}

void BlueprintText::Assign(StringView text)
{
    if (text.length <= LocalCapacity)
    {
        if (text.length)
            std::memcpy(bytes, text.data, text.length);
        bytes[text.length] = 0;
        length = text.length;
        return;
    }
    char* heap = new char[size_t(text.length) + 1];
    std::memcpy(heap, text.data, text.length);
    heap[text.length] = 0;
    std::memcpy(bytes, &heap, sizeof heap);
    length = text.length;
}

void BlueprintText::ReleaseHeap()
{
    delete[] Data();
}

// BlueprintMember

BlueprintMember::BlueprintMember(StringView memberName, uint64_t memberHash, Blueprint memberValue)
    : hash(memberHash), value(std::move(memberValue))
{
    name.Assign(memberName);
}

BlueprintMember::BlueprintMember(const BlueprintMember& other) : hash(other.hash), value(other.value)
{
    name.Assign(other.name.View());
}

// ValueObject

uint32_t* ValueObject::Table() const
{
    return reinterpret_cast<uint32_t*>(members + capacity);
}

uint32_t ValueObject::TableMask() const
{
    return static_cast<uint32_t>(std::bit_ceil(uint64_t(capacity) * 2) - 1);
}

uint32_t ValueObject::FindLinear(StringView name) const
{
    // Names of one object mostly differ in length or first byte; the full comparison is rare.
    for (uint32_t i = 0; i < count; ++i)
    {
        const BlueprintText& text = members[i].name;
        if (text.length == name.length && (name.length == 0 || (text.Data()[0] == name.data[0] && text.View() == name)))
            return i;
    }
    return NotFound;
}

uint32_t ValueObject::FindIndexed(StringView name, uint64_t hash) const
{
    const uint32_t* table = Table();
    uint32_t mask = TableMask();
    for (uint32_t slot = static_cast<uint32_t>(hash) & mask;; slot = (slot + 1) & mask)
    {
        uint32_t position = table[slot];
        if (position == EmptySlot)
            return NotFound;
        if (members[position].hash == hash && members[position].name.View() == name)
            return position;
    }
}

void ValueObject::IndexInsert(uint32_t position)
{
    BlueprintMember& member = members[position];
    if (member.hash == 0)
        member.hash = HashMemberName(member.name.View());
    uint32_t* table = Table();
    uint32_t mask = TableMask();
    uint32_t slot = static_cast<uint32_t>(member.hash) & mask;
    while (table[slot] != EmptySlot)
        slot = (slot + 1) & mask;
    table[slot] = position;
}

void ValueObject::Allocate(uint32_t newCapacity)
{
    // The table has at least twice as many slots as members, so probing always meets an empty slot.
    size_t tableSize = newCapacity > LinearCapacity ? std::bit_ceil(uint64_t(newCapacity) * 2) : 0;
    void* block = ::operator new(sizeof(BlueprintMember) * size_t(newCapacity) + sizeof(uint32_t) * tableSize);
    auto* moved = static_cast<BlueprintMember*>(block);
    for (uint32_t i = 0; i < count; ++i)
    {
        new (&moved[i]) BlueprintMember(std::move(members[i]));
        members[i].~BlueprintMember();
    }
    ::operator delete(members);
    members = moved;
    capacity = newCapacity;
    if (tableSize)
    {
        std::fill_n(Table(), tableSize, EmptySlot);
        for (uint32_t i = 0; i < count; ++i)
            IndexInsert(i);
    }
}

void ValueObject::Grow(uint32_t minimum)
{
    if (count == UINT32_MAX)
        throw OutOfMemory(uint64_t(count) + 1);
    Allocate(GrownCapacity(capacity, minimum));
}

void ValueObject::Reserve(uint32_t newCapacity)
{
    if (newCapacity > capacity)
        Allocate(newCapacity);
}

Blueprint& ValueObject::Append(BlueprintMember&& member)
{
    if (count == capacity)
        Grow(count + 1);
    new (&members[count]) BlueprintMember(std::move(member));
    if (Indexed())
        IndexInsert(count);
    return members[count++].value;
}

uint32_t ValueObject::FindMember(StringView name) const
{
    return Indexed() ? FindIndexed(name, HashMemberName(name)) : FindLinear(name);
}

Blueprint* ValueObject::Find(StringView name)
{
    uint32_t position = FindMember(name);
    return position == NotFound ? nullptr : &members[position].value;
}

const Blueprint* ValueObject::Find(StringView name) const
{
    uint32_t position = FindMember(name);
    return position == NotFound ? nullptr : &members[position].value;
}

Blueprint& ValueObject::AddMember(StringView name, Blueprint value)
{
    uint64_t hash = 0;
    uint32_t position;
    if (Indexed())
    {
        hash = HashMemberName(name);
        position = FindIndexed(name, hash);
    }
    else
        position = FindLinear(name);
    if (position != NotFound)
        return members[position].value;
    // The name is copied before the block may move: it can be a view of one of our own names.
    BlueprintMember member(name, hash, std::move(value));
    return Append(std::move(member));
}

Blueprint& ValueObject::AddMember(StringView name)
{
    return AddMember(name, Blueprint());
}

Blueprint& ValueObject::SetMember(BlueprintMember&& member)
{
    uint32_t position;
    if (Indexed())
    {
        if (member.hash == 0)
            member.hash = HashMemberName(member.name.View());
        position = FindIndexed(member.name.View(), member.hash);
    }
    else
        position = FindLinear(member.name.View());
    if (position == NotFound)
        return Append(std::move(member));
    members[position].value = std::move(member.value);
    return members[position].value;
}

StringView ValueObject::GetName(uint32_t position) const
{
    if (position >= count)
        throw InvalidIndex(position, count);
    return members[position].name.View();
}

Blueprint& ValueObject::GetValue(uint32_t position)
{
    if (position >= count)
        throw InvalidIndex(position, count);
    return members[position].value;
}

const Blueprint& ValueObject::GetValue(uint32_t position) const
{
    if (position >= count)
        throw InvalidIndex(position, count);
    return members[position].value;
}

// Blueprint: payload management

void Blueprint::ReleaseShallow() noexcept
{
    switch (type)
    {
    case BlueprintType::String:
        payload.text.Release();
        break;
    case BlueprintType::Array:
        ::operator delete(payload.array.elements);
        break;
    case BlueprintType::Object:
        ::operator delete(payload.object.members);
        payload.object.~ValueObject();
        break;
    default:
        break;
    }
    type = BlueprintType::Invalid;
}

Blueprint& Blueprint::LastChild()
{
    if (type == BlueprintType::Array)
        return payload.array.elements[payload.array.count - 1];
    return payload.object.members[payload.object.count - 1].value;
}

void Blueprint::DestroyLastChild() noexcept
{
    if (type == BlueprintType::Array)
        payload.array.elements[--payload.array.count].~Blueprint();
    else
        payload.object.members[--payload.object.count].~BlueprintMember();
}

void Blueprint::ReleaseTrailingLeaves() noexcept
{
    if (type == BlueprintType::Array)
    {
        ArrayStorage& array = payload.array;
        while (array.count > 0 && !array.elements[array.count - 1].HasChildren())
        {
            Blueprint& last = array.elements[--array.count];
            if (last.OwnsMemory())
                last.ReleaseShallow();
        }
    }
    else if (type == BlueprintType::Object)
    {
        ValueObject& object = payload.object;
        while (object.count > 0 && !object.members[object.count - 1].value.HasChildren())
        {
            BlueprintMember& last = object.members[--object.count];
            if (last.value.OwnsMemory())
                last.value.ReleaseShallow();
            last.name.Release();
        }
    }
}

// Destroys the tree without recursion by pointer reversal: on the way down, the slot a child
// container is taken from holds the chain of its ancestors, and on the way back up that slot is
// the one destroyed next. Nothing is allocated, so destruction cannot fail.
void Blueprint::Release() noexcept
{
    if (!HasChildren())
    {
        ReleaseShallow();
        return;
    }
    Blueprint current(std::move(*this));
    Blueprint parents;
    for (;;)
    {
        current.ReleaseTrailingLeaves();
        if (current.HasChildren())
        {
            Blueprint& last = current.LastChild();
            if (last.HasChildren())
            {
                Blueprint child(std::move(last));
                last.TakeFrom(parents);
                parents.TakeFrom(current);
                current.TakeFrom(child);
            }
            else
                current.DestroyLastChild();
            continue;
        }
        current.ReleaseShallow();
        if (parents.type == BlueprintType::Invalid)
            return;
        current.TakeFrom(parents);
        parents.TakeFrom(current.LastChild());
        current.DestroyLastChild();
    }
}

void Blueprint::CopyShallow(const Blueprint& other)
{
    switch (other.type)
    {
    case BlueprintType::Boolean:
        SetBoolean(other.payload.boolean);
        break;
    case BlueprintType::Integer:
        SetInteger(other.payload.integer);
        break;
    case BlueprintType::UnsignedInteger:
        SetUnsignedInteger(other.payload.unsignedInteger);
        break;
    case BlueprintType::Number:
        payload.number = other.payload.number;
        type = BlueprintType::Number;
        break;
    case BlueprintType::String:
        SetString(other.payload.text.View());
        break;
    case BlueprintType::Array:
        SetArray();
        if (other.payload.array.count)
            AllocateArray(other.payload.array.count);
        break;
    case BlueprintType::Object:
        SetObject();
        if (other.payload.object.count)
            payload.object.Allocate(other.payload.object.count);
        break;
    default:
        SetType(other.type);
        break;
    }
}

Blueprint::Blueprint(const Blueprint& other)
{
    payload.unsignedInteger = 0;
    // Built aside so that a failed allocation part-way leaves nothing behind.
    Blueprint copy;
    copy.CopyShallow(other);
    if (other.HasChildren())
    {
        // Each target container was given room for all of its children, so the slots stay put.
        struct Frame
        {
            const Blueprint* source;
            Blueprint* target;
        };
        std::vector<Frame> stack{{&other, &copy}};
        while (!stack.empty())
        {
            Frame frame = stack.back();
            uint32_t next = frame.target->GetCount();
            if (next == frame.source->GetCount())
            {
                stack.pop_back();
                continue;
            }
            Blueprint* slot;
            if (frame.target->type == BlueprintType::Array)
            {
                ArrayStorage& array = frame.target->payload.array;
                slot = new (&array.elements[next]) Blueprint();
                ++array.count;
            }
            else
            {
                const BlueprintMember& source = frame.source->payload.object.members[next];
                ValueObject& object = frame.target->payload.object;
                new (&object.members[next]) BlueprintMember(source.name.View(), source.hash, Blueprint());
                ++object.count;
                if (object.Indexed())
                    object.IndexInsert(next);
                slot = &object.members[next].value;
            }
            const Blueprint& child = frame.source->GetChild(next);
            slot->CopyShallow(child);
            if (child.HasChildren())
                stack.push_back({&child, slot});
        }
    }
    TakeFrom(copy);
}

Blueprint& Blueprint::operator=(const Blueprint& other)
{
    if (this != &other)
    {
        // Copy first: other may live inside this tree.
        Blueprint copy(other);
        Discard();
        TakeFrom(copy);
    }
    return *this;
}

Blueprint& Blueprint::operator=(Blueprint&& other) noexcept
{
    if (this != &other)
    {
        Blueprint taken(std::move(other));
        Discard();
        TakeFrom(taken);
    }
    return *this;
}

// Blueprint: setters and getters

void Blueprint::SetType(BlueprintType newType)
{
    Discard();
    if (static_cast<uint32_t>(newType) > static_cast<uint32_t>(BlueprintType::Object))
        newType = BlueprintType::Invalid;
    switch (newType)
    {
    case BlueprintType::Boolean:
        payload.boolean = false;
        break;
    case BlueprintType::Integer:
        payload.integer = 0;
        break;
    case BlueprintType::UnsignedInteger:
        payload.unsignedInteger = 0;
        break;
    case BlueprintType::Number:
        payload.number = NumberStorage{0.0, false};
        break;
    case BlueprintType::String:
        payload.text.SetEmpty();
        break;
    case BlueprintType::Array:
        payload.array = ArrayStorage{nullptr, 0, 0};
        break;
    case BlueprintType::Object:
        new (&payload.object) ValueObject();
        break;
    default:
        break;
    }
    type = newType;
}

void Blueprint::SetBoolean(bool value)
{
    Discard();
    payload.boolean = value;
    type = BlueprintType::Boolean;
}

void Blueprint::SetInteger(int64_t value)
{
    Discard();
    payload.integer = value;
    type = BlueprintType::Integer;
}

void Blueprint::SetUnsignedInteger(uint64_t value)
{
    Discard();
    payload.unsignedInteger = value;
    type = BlueprintType::UnsignedInteger;
}

void Blueprint::SetNumber(double value)
{
    Discard();
    payload.number = NumberStorage{value, false};
    type = BlueprintType::Number;
}

void Blueprint::SetFloat(float value)
{
    Discard();
    payload.number = NumberStorage{value, true};
    type = BlueprintType::Number;
}

void Blueprint::SetString(StringView text)
{
    // Copied before the old payload goes: text may be a view of it.
    BlueprintText copy;
    copy.Assign(text);
    Discard();
    payload.text = copy;
    type = BlueprintType::String;
}

ValueObject& Blueprint::SetObject()
{
    SetType(BlueprintType::Object);
    return payload.object;
}

ValueObject& Blueprint::MakeObject()
{
    if (type != BlueprintType::Object)
        SetType(BlueprintType::Object);
    return payload.object;
}

void Blueprint::SetArray()
{
    SetType(BlueprintType::Array);
}

const ValueObject& Blueprint::GetObject() const
{
    static const ValueObject empty{};
    return type == BlueprintType::Object ? payload.object : empty;
}

uint32_t Blueprint::GetCount() const
{
    if (type == BlueprintType::Array)
        return payload.array.count;
    if (type == BlueprintType::Object)
        return payload.object.count;
    return 0;
}

Blueprint& Blueprint::GetElement(uint32_t index)
{
    if (type != BlueprintType::Array || index >= payload.array.count)
        throw InvalidIndex(index, GetCount());
    return payload.array.elements[index];
}

const Blueprint& Blueprint::GetElement(uint32_t index) const
{
    if (type != BlueprintType::Array || index >= payload.array.count)
        throw InvalidIndex(index, GetCount());
    return payload.array.elements[index];
}

Blueprint& Blueprint::GetChild(uint32_t position)
{
    if (type == BlueprintType::Object)
        return payload.object.GetValue(position);
    return GetElement(position);
}

const Blueprint& Blueprint::GetChild(uint32_t position) const
{
    if (type == BlueprintType::Object)
        return payload.object.GetValue(position);
    return GetElement(position);
}

// Blueprint: arrays

void Blueprint::AllocateArray(uint32_t newCapacity)
{
    ArrayStorage& array = payload.array;
    auto* moved = static_cast<Blueprint*>(::operator new(sizeof(Blueprint) * size_t(newCapacity)));
    for (uint32_t i = 0; i < array.count; ++i)
    {
        new (&moved[i]) Blueprint(std::move(array.elements[i]));
        array.elements[i].~Blueprint();
    }
    ::operator delete(array.elements);
    array.elements = moved;
    array.capacity = newCapacity;
}

void Blueprint::GrowArray(uint32_t minimum)
{
    AllocateArray(GrownCapacity(payload.array.capacity, minimum));
}

void Blueprint::Resize(uint32_t newCount)
{
    if (type != BlueprintType::Array)
        SetArray();
    ArrayStorage& array = payload.array;
    if (newCount > array.capacity)
        GrowArray(newCount);
    while (array.count < newCount)
        new (&array.elements[array.count++]) Blueprint();
    while (array.count > newCount)
        array.elements[--array.count].~Blueprint();
}

void Blueprint::Reserve(uint32_t newCapacity)
{
    if (type != BlueprintType::Array)
        SetArray();
    if (newCapacity > payload.array.capacity)
        AllocateArray(newCapacity);
}

Blueprint& Blueprint::AppendElement(Blueprint value)
{
    if (type != BlueprintType::Array)
        SetArray();
    ArrayStorage& array = payload.array;
    if (array.count == UINT32_MAX)
        throw OutOfMemory(uint64_t(array.count) + 1);
    if (array.count == array.capacity)
        GrowArray(array.count + 1);
    new (&array.elements[array.count]) Blueprint(std::move(value));
    return array.elements[array.count++];
}

// Blueprint: comparison

bool Blueprint::EqualShallow(const Blueprint& other) const
{
    if (type != other.type)
        return false;
    switch (type)
    {
    case BlueprintType::Boolean:
        return payload.boolean == other.payload.boolean;
    case BlueprintType::Integer:
        return payload.integer == other.payload.integer;
    case BlueprintType::UnsignedInteger:
        return payload.unsignedInteger == other.payload.unsignedInteger;
    case BlueprintType::Number:
        // The same value is the same number, however it was stored.
        return payload.number.value == other.payload.number.value;
    case BlueprintType::String:
        return payload.text.View() == other.payload.text.View();
    case BlueprintType::Array:
    case BlueprintType::Object:
        return GetCount() == other.GetCount();
    default:
        return true;
    }
}

bool Blueprint::operator==(const Blueprint& other) const
{
    if (!EqualShallow(other))
        return false;
    if (!HasChildren())
        return true;
    struct Frame
    {
        const Blueprint* left;
        const Blueprint* right;
        uint32_t next;
    };
    std::vector<Frame> stack{{this, &other, 0}};
    while (!stack.empty())
    {
        Frame& frame = stack.back();
        if (frame.next == frame.left->GetCount())
        {
            stack.pop_back();
            continue;
        }
        uint32_t position = frame.next++;
        if (frame.left->type == BlueprintType::Object && frame.left->payload.object.members[position].name.View() !=
                                                             frame.right->payload.object.members[position].name.View())
            return false;
        const Blueprint& left = frame.left->GetChild(position);
        const Blueprint& right = frame.right->GetChild(position);
        if (!left.EqualShallow(right))
            return false;
        if (left.HasChildren())
            stack.push_back({&left, &right, 0});
    }
    return true;
}

// BlueprintReader

void BlueprintReader::Push(const Blueprint* child)
{
    frames.push_back({current, position});
    current = child;
    position = 0;
}

bool BlueprintReader::GetMember(StringView name)
{
    if (current->GetType() != BlueprintType::Object)
        return false;
    const Blueprint* member = current->GetObject().Find(name);
    if (!member)
        return false;
    Push(member);
    return true;
}

bool BlueprintReader::GetElement(uint32_t index)
{
    if (current->GetType() != BlueprintType::Array || index >= current->GetCount())
        return false;
    Push(&current->GetElement(index));
    return true;
}

bool BlueprintReader::Enter()
{
    if (!current->IsContainer() || current->GetCount() == 0)
        return false;
    Push(&current->GetChild(0));
    return true;
}

bool BlueprintReader::Next()
{
    if (frames.empty())
        return false;
    const Blueprint* enclosing = frames.back().value;
    uint32_t count = enclosing->GetCount();
    if (count > 0 && position < count - 1)
    {
        ++position;
        current = &enclosing->GetChild(position);
        return true;
    }
    Pop();
    return false;
}

bool BlueprintReader::Pop()
{
    if (frames.empty())
        return false;
    current = frames.back().value;
    position = frames.back().position;
    frames.pop_back();
    return true;
}

bool BlueprintReader::ReadString(std::string& text) const
{
    if (current->GetType() != BlueprintType::String)
        return false;
    text = current->GetString().ToString();
    return true;
}

namespace
{

// Appends the step from a container to one of its children: ".Name" or "[3]".
void AppendStep(std::string& path, const Blueprint& parent, const Blueprint* child)
{
    if (parent.GetType() == BlueprintType::Array && parent.GetCount() > 0)
    {
        path += "[" + std::to_string(child - &parent.GetElement(0)) + "]";
        return;
    }
    for (const BlueprintMember& member : parent.GetObject())
        if (&member.value == child)
        {
            if (!path.empty())
                path += '.';
            path.append(member.name.Data(), member.name.Length());
            return;
        }
}

} // namespace

std::string BlueprintReader::GetPath() const
{
    // Frames keep no member names, and a child's address names its place in its parent.
    std::string path = rootPath;
    for (size_t i = 0; i < frames.size(); ++i)
        AppendStep(path, *frames[i].value, i + 1 < frames.size() ? frames[i + 1].value : current);
    return path;
}

void BlueprintReader::Refuse(StringView key, StringView why)
{
    std::string path = GetPath();
    const Blueprint* value = current;
    if (!key.IsEmpty())
    {
        value = current->GetObject().Find(key);
        if (!path.empty())
            path += '.';
        path += key.ToStdView();
    }
    std::string described = value ? DescribeValue(*value) : std::string("missing");
    if (report)
        report->Add(std::move(path), std::move(described), why.ToString());
    else
        Log::Write("{} holds {}, which was not taken: {}", path, described, why);
}

// BlueprintWriter

void BlueprintWriter::Push(Blueprint* child)
{
    frames.push_back({current, position});
    current = child;
    position = 0;
}

void BlueprintWriter::PushMember(StringView name)
{
    Blueprint& member = current->MakeObject().AddMember(name);
    Push(&member);
}

void BlueprintWriter::PushElement(uint32_t index)
{
    if (index == UINT32_MAX)
        throw InvalidIndex(index, current->GetCount());
    if (current->GetType() != BlueprintType::Array)
        current->SetArray();
    if (current->GetCount() <= index)
        current->Resize(index + 1);
    Push(&current->GetElement(index));
}

bool BlueprintWriter::WriteString(StringView text)
{
    current->SetString(text);
    return true;
}

bool BlueprintWriter::Pop()
{
    if (frames.empty())
        return false;
    current = frames.back().value;
    position = frames.back().position;
    frames.pop_back();
    return true;
}

std::string DescribeValue(const Blueprint& value)
{
    switch (value.GetType())
    {
    case BlueprintType::String:
        return "\"" + value.GetString().ToString() + "\"";
    case BlueprintType::Number:
    {
        // With a point, as the writers write a Number: "30" would read as a whole number was written.
        char text[32];
        std::string shown(text, std::to_chars(text, text + sizeof text, value.GetNumber()).ptr);
        if (shown.find_first_of(".en") == std::string::npos)
            shown += ".0";
        return shown;
    }
    case BlueprintType::Integer:
        return std::to_string(value.GetInteger());
    case BlueprintType::UnsignedInteger:
        return std::to_string(value.GetUnsignedInteger());
    case BlueprintType::Boolean:
        return value.GetBoolean() ? "true" : "false";
    case BlueprintType::Array:
        return "an array";
    case BlueprintType::Object:
        return "an object";
    default:
        return "null";
    }
}

} // namespace Lumvek
