#pragma once

#include "Source/Tools/Editors/Editor.h"

#include <memory>
#include <span>
#include <string>

class Data;
class DataCollectionBase;
class DataInspector;
class DataRegistry;
class GameContext;

// One family of definitions as the "Data" tab lists it: the header, the registry's list and the
// window a definition of the family opens in.
struct DataFamily
{
    const char* header;
    const DataCollectionBase& (*list)(const DataRegistry& registry);
    // The definition at an index of the list; null beyond its end.
    Data* (*at)(const DataCollectionBase& list, uint32_t index);
    // The window of the definition's own class; null for a definition of another family.
    std::unique_ptr<DataInspector> (*open)(Data& definition);
};

// The "Data" tab: a collapsing header per definition family, listing a button per definition that
// opens its window once. The lists are read from the registry every frame, so definitions added or
// renamed while the tools run show at once. Application thread.
class DataEditor final : public Editor
{
public:
    explicit DataEditor(std::string name) : Editor(std::move(name)) {}

    void Draw() override;

    // The families in the tab's order.
    static std::span<const DataFamily> Families();
    // What a definition is listed and its window titled as: its display name, else its name.
    static const std::string& Label(const Data& definition);
    // Opens the definition's window titled with its label unless a window of that title, or one on
    // the definition, is open; false when nothing was opened.
    static bool Open(const DataFamily& family, Data& definition);

    // The game whose registry is listed; the game system's when none is given.
    GameContext* context = nullptr;
};
