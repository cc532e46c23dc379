#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <type_traits>
#include <utility>

// A 16-bit handle of an entity in an EntityStorage of capacity C: the slot is id mod C and the
// generation the rest. Messages carry ids in [0, 65534].
using EntityId = uint16_t;
constexpr EntityId NoEntity = 0xFFFF;

template <class Record> struct GridNode;

// The part every entity record begins with: its id and what its kind's grid links through it.
template <class Record> struct Entity
{
    EntityId id = 0;
    // The newest of the record's nodes in its grid, chained through nextOfEntity; null while the
    // record is not registered.
    GridNode<Record>* firstNode = nullptr;
    // The next record of the query result the record is in.
    Record* queryNext = nullptr;
    // The query that last put the record in a result, so that a record in several cells is listed once.
    uint32_t queryStamp = 0;
};

namespace EntityDetail
{

template <class T> struct IsOwningPointer : std::false_type
{
};
template <class T> struct IsOwningPointer<std::unique_ptr<T>> : std::true_type
{
};

} // namespace EntityDetail

// Fixed-capacity storage of one entity kind with generation-checked ids: C slots hand out ids, and
// the live records are kept packed in 0 .. Count() - 1 so that walks touch only live ones. Records
// are either whole records or owning pointers to polymorphic objects (projectiles), which then hold
// their own id. Embedded in the World; application thread only.
template <class Record, uint16_t C> class EntityStorage
{
    static_assert(C > 0 && C <= 32768, "a slot and a generation share 16 bits");
    static constexpr bool Owning = EntityDetail::IsOwningPointer<Record>::value;
    static constexpr uint16_t Free = 0xFFFF;

public:
    static constexpr uint16_t Capacity = C;

    EntityStorage() { Clear(); }
    EntityStorage(const EntityStorage&) = delete;
    EntityStorage& operator=(const EntityStorage&) = delete;

    // Every slot free, ids back to their slot numbers, every record made anew (what records held is
    // destroyed, objects of an owning storage deleted).
    void Clear()
    {
        head = 0;
        tail = C - 1;
        count = 0;
        for (uint16_t slot = 0; slot < C; ++slot)
        {
            slots[slot] = {slot, Free, static_cast<uint16_t>(slot + 1)};
            if constexpr (Owning)
                records[slot].reset();
            else
                records[slot] = Record();
        }
    }

    // A record with a fresh id (the slot's generation advanced), or null when every slot is live. The
    // record keeps whatever its last use left in it; the caller assigns every field.
    Record* Allocate()
    {
        const uint16_t slot = head;
        if (slot >= C)
            return nullptr;
        SlotEntry& entry = slots[slot];
        entry.id = static_cast<uint16_t>(entry.id + C);
        // The generation that would make the id read as "no entity" is skipped.
        if (entry.id == NoEntity)
            entry.id = static_cast<uint16_t>(entry.id + C);
        entry.index = static_cast<uint16_t>(count);
        slotOf[count] = slot;
        ++count;
        if (head == tail)
            tail = entry.next;
        head = entry.next;
        SetId(records[entry.index], entry.id);
        return &records[entry.index];
    }

    // Takes a live id out, moving the last record into its place. Ids that are not live are ignored.
    void Remove(EntityId id)
    {
        const uint16_t slot = id % C;
        SlotEntry& entry = slots[slot];
        if (entry.id != id || entry.index == Free)
            return;
        const uint16_t index = entry.index;
        const uint16_t last = static_cast<uint16_t>(count - 1);
        if (index != last)
        {
            std::swap(records[index], records[last]);
            slotOf[index] = slotOf[last];
            slots[slotOf[index]].index = index;
            Relink(records[index]);
        }
        if constexpr (Owning)
            records[last].reset();
        --count;
        entry.index = Free;
        entry.next = C;
        if (tail < C)
            slots[tail].next = slot;
        else
            head = slot;
        tail = slot;
    }

    // The live record of the id; null for an id that is not live (free, or of another generation).
    Record* Find(EntityId id)
    {
        const SlotEntry& entry = slots[id % C];
        return entry.id == id && entry.index != Free ? &records[entry.index] : nullptr;
    }

    // A client's placement of an id the server chose. A live occupant of the slot (its removal still
    // deferred, or its removal message late) is handed to finishOccupant, which must take it out of
    // its grid and physics, and is then removed, so that no record is orphaned and the count never
    // passes the capacity. Null for the id that means none.
    template <class Finish> Record* Place(EntityId id, Finish&& finishOccupant)
    {
        if (id == NoEntity)
            return nullptr;
        const uint16_t slot = id % C;
        if (slots[slot].index != Free)
        {
            finishOccupant(records[slots[slot].index]);
            Remove(slots[slot].id);
        }
        Unqueue(slot);
        SlotEntry& entry = slots[slot];
        entry.id = id;
        entry.index = static_cast<uint16_t>(count);
        slotOf[count] = slot;
        ++count;
        SetId(records[entry.index], id);
        return &records[entry.index];
    }

    // The id of a live record of this storage.
    EntityId IdOf(const Record& record) const
    {
        return slots[slotOf[static_cast<size_t>(&record - records.data())]].id;
    }

    uint32_t Count() const { return count; }
    bool Full() const { return head >= C; }
    // The live records; empty should the count ever exceed the capacity.
    std::span<Record> View() { return count <= C ? std::span<Record>(records.data(), count) : std::span<Record>(); }
    std::span<const Record> View() const
    {
        return count <= C ? std::span<const Record>(records.data(), count) : std::span<const Record>();
    }

private:
    struct SlotEntry
    {
        uint16_t id;
        // Position of the slot's record in the dense array; Free when the slot is free.
        uint16_t index;
        // The next slot of the free queue; C ends it.
        uint16_t next;
    };

    static void SetId(Record& record, EntityId id)
    {
        if constexpr (Owning)
        {
            if (record)
                record->id = id;
        }
        else
        {
            record.id = id;
        }
    }

    // A record moved to another place in the dense array takes its grid nodes with it.
    static void Relink(Record& record)
    {
        if constexpr (!Owning)
            for (auto* node = record.firstNode; node; node = node->nextOfEntity)
                node->record = &record;
    }

    // Takes a free slot out of the free queue, which the client's placements do not use, so that a
    // later removal does not queue it twice.
    void Unqueue(uint16_t slot)
    {
        uint16_t previous = C;
        for (uint16_t at = head; at < C; previous = at, at = slots[at].next)
        {
            if (at != slot)
                continue;
            if (previous < C)
                slots[previous].next = slots[at].next;
            else
                head = slots[at].next;
            if (tail == slot)
                tail = previous;
            return;
        }
    }

    uint16_t head = 0;
    uint16_t tail = C - 1;
    uint32_t count = 0;
    std::array<SlotEntry, C> slots;
    // The slot of each dense record.
    std::array<uint16_t, C> slotOf{};
    std::array<Record, C> records;
};

// An append-only array of one entity kind whose ids are the record indices. Emptied as a whole.
// Embedded in the World; application thread only.
template <class Record, uint32_t N> class EntityArray
{
public:
    static constexpr uint32_t Capacity = N;

    EntityArray() = default;
    EntityArray(const EntityArray&) = delete;
    EntityArray& operator=(const EntityArray&) = delete;

    // The next record, its id set to its index, or null when the array is full. A record is made
    // fresh before it is handed out, so nothing of an earlier use survives.
    Record* Append()
    {
        if (count >= N)
            return nullptr;
        Record& record = records[count];
        std::destroy_at(&record);
        std::construct_at(&record);
        record.id = static_cast<EntityId>(count);
        ++count;
        return &record;
    }

    // Takes back the record Append handed out last, destroying what it holds: for a maker that could
    // not finish it.
    void RemoveLast()
    {
        if (count == 0)
            return;
        --count;
        std::destroy_at(&records[count]);
        std::construct_at(&records[count]);
    }

    // Destroys what every record holds and empties the array.
    void Clear()
    {
        for (uint32_t i = 0; i < count; ++i)
        {
            std::destroy_at(&records[i]);
            std::construct_at(&records[i]);
        }
        count = 0;
    }

    uint32_t Count() const { return count; }
    Record& operator[](uint32_t index) { return records[index]; }
    const Record& operator[](uint32_t index) const { return records[index]; }
    // The records in use; empty should the count ever exceed the capacity.
    std::span<Record> View() { return count <= N ? std::span<Record>(records.data(), count) : std::span<Record>(); }
    std::span<const Record> View() const
    {
        return count <= N ? std::span<const Record>(records.data(), count) : std::span<const Record>();
    }

private:
    uint32_t count = 0;
    std::array<Record, N> records;
};
