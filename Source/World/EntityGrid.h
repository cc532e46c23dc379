#pragma once

#include "Engine/Foundation/Math.h"
#include "Source/World/EntityStorage.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

// One registration of a record in one cell of a grid, or in the player list.
template <class Record> struct GridNode
{
    Record* record = nullptr;
    // Neighbours in the same cell; the free list chains free nodes through next.
    GridNode* previous = nullptr;
    GridNode* next = nullptr;
    // The record's previous node, in another cell.
    GridNode* nextOfEntity = nullptr;
    // The cell whose list holds the node, so that unlinking needs no search.
    uint32_t cell = 0;
};

// The records a query found, linked through their queryNext fields; valid until the next query of the
// same grid.
template <class Record> struct QueryResult
{
    Record* head = nullptr;
    uint32_t count = 0;

    struct Iterator
    {
        Record* record;
        Record& operator*() const { return *record; }
        Iterator& operator++()
        {
            record = record->queryNext;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return record != other.record; }
    };
    Iterator begin() const { return {head}; }
    Iterator end() const { return {nullptr}; }
};

namespace EntityDetail
{

// The grids of one map together may hold at most this many cells each: a map's bounds come from a
// file, and a huge area must not ask for an unbounded table.
constexpr uint64_t MaximumGridCells = 1u << 18;

// The cells a grid of that cell size needs over the area; 0 when the area is not positive and finite
// or needs more than MaximumGridCells.
inline uint64_t CountGridCells(const Lumvek::Rectangle& area, float cellWidth, float cellHeight)
{
    if (!std::isfinite(area.x) || !std::isfinite(area.y) || !std::isfinite(area.width) || !std::isfinite(area.height) ||
        !(area.width > 0.0f) || !(area.height > 0.0f) || !std::isfinite(area.x + area.width) ||
        !std::isfinite(area.y + area.height))
        return 0;
    const double columns = std::ceil(static_cast<double>(area.width) / cellWidth);
    const double rows = std::ceil(static_cast<double>(area.height) / cellHeight);
    if (columns * rows > static_cast<double>(MaximumGridCells))
        return 0;
    return static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows);
}

inline uint32_t CellIndex(float position, float origin, float cellSize, uint32_t cells)
{
    const float cell = std::trunc(std::max((position - origin) / cellSize, 0.0f));
    return cell < static_cast<float>(cells - 1) ? static_cast<uint32_t>(cell) : cells - 1;
}

inline bool Overlaps(const Lumvek::Rectangle& a, const Lumvek::Rectangle& b)
{
    return a.x + a.width > b.x && b.x + b.width > a.x && b.y + b.height > a.y && a.y + a.height > b.y;
}

} // namespace EntityDetail

// The spatial index of one entity kind (its "database"): a uniform grid of cells over the world's
// area, each cell listing the records whose bounds cover it, with a fixed pool of N nodes. Records
// give their body through GetBody(). Embedded in the World; application thread only.
template <class Record, uint32_t N> class EntityGrid
{
public:
    using Node = GridNode<Record>;

    EntityGrid() { ResetPool(); }
    EntityGrid(const EntityGrid&) = delete;
    EntityGrid& operator=(const EntityGrid&) = delete;

    // Covers the area with cells of the given size, in a new empty table, and frees every node. False,
    // with no cells at all (every insert refused), for an area CountGridCells refuses.
    bool Layout(const Lumvek::Rectangle& area, float newCellWidth, float newCellHeight)
    {
        ResetPool();
        const uint64_t cellCount = EntityDetail::CountGridCells(area, newCellWidth, newCellHeight);
        cells.reset();
        columns = rows = 0;
        if (cellCount == 0)
            return false;
        bounds = area;
        cellWidth = newCellWidth;
        cellHeight = newCellHeight;
        columns = static_cast<uint32_t>(std::ceil(static_cast<double>(area.width) / cellWidth));
        rows = static_cast<uint32_t>(std::ceil(static_cast<double>(area.height) / cellHeight));
        cells = std::make_unique<Node*[]>(cellCount);
        return true;
    }

    // Registers the record in every cell its body's bounds cover. False, leaving it unregistered, when
    // the bounds are not strictly inside the grid's area (edges touching the right or top count as
    // outside) or the pool has too few free nodes for the cells covered.
    bool Insert(Record& record)
    {
        const Lumvek::Rectangle b = record.GetBody().GetBounds();
        if (!Holds(b))
            return false;
        const uint32_t i0 = Column(b.x), i1 = Column(b.x + b.width);
        const uint32_t j0 = Row(b.y), j1 = Row(b.y + b.height);
        if (static_cast<uint64_t>(i1 - i0 + 1) * (j1 - j0 + 1) > freeCount)
            return false;
        Node* previousOfEntity = nullptr;
        for (uint32_t i = i0; i <= i1; ++i)
            for (uint32_t j = j0; j <= j1; ++j)
            {
                Node* node = freeNodes;
                freeNodes = node->next;
                --freeCount;
                const uint32_t cell = columns * j + i;
                *node = Node{&record, nullptr, cells[cell], previousOfEntity, cell};
                if (cells[cell])
                    cells[cell]->previous = node;
                cells[cell] = node;
                previousOfEntity = node;
            }
        record.firstNode = previousOfEntity;
        return true;
    }

    // Whether the grid's area takes a body of these bounds: strictly inside, edges touching the right or
    // the top counting as outside. False while the grid has no cells.
    bool Holds(const Lumvek::Rectangle& b) const
    {
        return cells && b.x >= bounds.x && b.y >= bounds.y && b.x + b.width < bounds.x + bounds.width &&
               b.y + b.height < bounds.y + bounds.height;
    }

    // Unlinks every node of the record and returns them to the pool.
    void Remove(Record& record)
    {
        Node* node = record.firstNode;
        record.firstNode = nullptr;
        while (node)
        {
            Node* nextOfEntity = node->nextOfEntity;
            if (cells && cells[node->cell] == node)
                cells[node->cell] = node->next;
            if (node->previous)
                node->previous->next = node->next;
            if (node->next)
                node->next->previous = node->previous;
            *node = Node{};
            node->next = freeNodes;
            freeNodes = node;
            ++freeCount;
            node = nextOfEntity;
        }
    }

    // Registers the record again from its body's current bounds.
    bool Reinsert(Record& record)
    {
        Remove(record);
        return Insert(record);
    }

    // The records whose body is active and whose bounds overlap the rectangle, each once.
    QueryResult<Record> Query(const Lumvek::Rectangle& rect) const
    {
        QueryResult<Record> result;
        if (!cells)
            return result;
        NextStamp();
        const uint32_t i0 = Column(rect.x), i1 = Column(rect.x + rect.width);
        const uint32_t j0 = Row(rect.y), j1 = Row(rect.y + rect.height);
        for (uint32_t i = i0; i <= i1; ++i)
            for (uint32_t j = j0; j <= j1; ++j)
                for (Node* node = cells[columns * j + i]; node; node = node->next)
                {
                    Record& record = *node->record;
                    if (record.queryStamp == stamp || !record.GetBody().active ||
                        !EntityDetail::Overlaps(record.GetBody().GetBounds(), rect))
                        continue;
                    record.queryStamp = stamp;
                    record.queryNext = result.head;
                    result.head = &record;
                    ++result.count;
                }
        return result;
    }

    // The records whose body is active and whose bounds hold the point strictly: a query of the one
    // cell the point lies in.
    QueryResult<Record> QueryPoint(Lumvek::Vector2 point) const { return Query({point.x, point.y, 0.0f, 0.0f}); }

    const Lumvek::Rectangle& GetBounds() const { return bounds; }
    uint32_t GetColumns() const { return columns; }
    uint32_t GetRows() const { return rows; }
    float GetCellWidth() const { return cellWidth; }
    float GetCellHeight() const { return cellHeight; }
    uint32_t FreeNodeCount() const { return freeCount; }

private:
    uint32_t Column(float position) const { return EntityDetail::CellIndex(position, bounds.x, cellWidth, columns); }
    uint32_t Row(float position) const { return EntityDetail::CellIndex(position, bounds.y, cellHeight, rows); }

    void ResetPool()
    {
        for (uint32_t i = 0; i < N; ++i)
        {
            nodes[i] = Node{};
            nodes[i].next = i + 1 < N ? &nodes[i + 1] : nullptr;
        }
        freeNodes = &nodes[0];
        freeCount = N;
    }

    // Stamps run on; when they wrap, the records in the grid forget theirs so an old stamp is never
    // taken for the current query.
    void NextStamp() const
    {
        if (++stamp != 0)
            return;
        for (const Node& node : nodes)
            if (node.record)
                node.record->queryStamp = 0;
        stamp = 1;
    }

    Node* freeNodes = nullptr;
    uint32_t freeCount = 0;
    std::array<Node, N> nodes;
    std::unique_ptr<Node*[]> cells;
    Lumvek::Rectangle bounds{0.0f, 0.0f, 1.0f, 1.0f};
    float cellWidth = 1.0f;
    float cellHeight = 1.0f;
    uint32_t columns = 0;
    uint32_t rows = 0;
    mutable uint32_t stamp = 0;
};

// The players as a list instead of a grid: a pool of N nodes, newest first, and the area a player must
// lie strictly inside to join. Embedded in the World; application thread only.
template <class Record, uint32_t N> class PlayerList
{
public:
    using Node = GridNode<Record>;

    PlayerList() { Clear(Lumvek::Rectangle{0.0f, 0.0f, 1.0f, 1.0f}); }
    PlayerList(const PlayerList&) = delete;
    PlayerList& operator=(const PlayerList&) = delete;

    void Clear(const Lumvek::Rectangle& newArea)
    {
        area = newArea;
        first = nullptr;
        for (uint32_t i = 0; i < N; ++i)
        {
            nodes[i] = Node{};
            nodes[i].next = i + 1 < N ? &nodes[i + 1] : nullptr;
        }
        freeNodes = &nodes[0];
    }

    // Links the record at the front when its body's bounds lie strictly inside the area and a node is
    // free; false otherwise.
    bool Insert(Record& record)
    {
        const Lumvek::Rectangle b = record.GetBody().GetBounds();
        if (!freeNodes || !(b.x > area.x && b.y > area.y && area.x + area.width > b.x + b.width &&
                            area.y + area.height > b.y + b.height))
            return false;
        Node* node = freeNodes;
        freeNodes = node->next;
        *node = Node{&record, nullptr, first, nullptr, 0};
        if (first)
            first->previous = node;
        first = node;
        record.firstNode = node;
        return true;
    }

    void Remove(Record& record)
    {
        Node* node = record.firstNode;
        record.firstNode = nullptr;
        if (!node)
            return;
        if (first == node)
            first = node->next;
        if (node->previous)
            node->previous->next = node->next;
        if (node->next)
            node->next->previous = node->previous;
        *node = Node{};
        node->next = freeNodes;
        freeNodes = node;
    }

    QueryResult<Record> Query(const Lumvek::Rectangle& rect) const
    {
        QueryResult<Record> result;
        for (Node* node = first; node; node = node->next)
        {
            Record& record = *node->record;
            if (!record.GetBody().active || !EntityDetail::Overlaps(record.GetBody().GetBounds(), rect))
                continue;
            record.queryNext = result.head;
            result.head = &record;
            ++result.count;
        }
        return result;
    }

private:
    Node* freeNodes = nullptr;
    std::array<Node, N> nodes;
    Node* first = nullptr;
    Lumvek::Rectangle area;
};
