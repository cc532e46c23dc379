#pragma once

#include "Source/Tools/Inspectors/Inspector.h"

#include <string>

class Data;
struct Attributes;
namespace Lumvek
{
class FileManager;
}

// The common top of every definition window: "Save", the display name, the icon and sketch previews
// and the description. The definition belongs to the game's data registry. Owned by the tools host;
// application thread.
class DataInspector : public Inspector
{
public:
    explicit DataInspector(Data* data) : data(data) {}

    // The header and nothing more; the definition families add their own panels after it.
    void Draw() override { DrawHeader(); }
    void DrawHeader();
    // Brings the definition up to date with what the window keeps outside it, just before "Save"
    // writes it.
    virtual void BeforeSave() {}

    // Writes the definition back to its file. A map rewrites only "DisplayName" and "Description" of
    // its "Assets/Maps/<name>/Data.json" and keeps every other member as read; a map file that is
    // missing, unreadable or not a JSON object is left untouched, with a message. Other definitions
    // are saved through the registry, which merges the edits over the file and refuses while a member
    // it could not read is unchanged; the refusal is handed back when asked for. False when nothing
    // was written.
    static bool Save(Data& data, const Lumvek::FileManager& files, std::string* refusal = nullptr);

    Data* data = nullptr;

private:
    // Below "Save": the last Save's refusal and what of the definition's file could not be read.
    void DrawReport();

    std::string saveRefusal;
};

// The full-width "Modifiers" button of a part or a weapon, in a fresh ID: it opens an attribute window
// on the definition's modifier set. The owner is the definition as its carriers hold it, by which the
// window finds the players to re-apply an edit to.
void ModifiersButton(const void* owner, Attributes& modifiers);
