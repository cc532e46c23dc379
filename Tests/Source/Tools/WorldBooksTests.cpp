// A game editor's delete during play goes through the world's books, which hand what the mode holds
// back to it first.

#include "Source/GameTypes/CaptureTheFlag.h"
#include "Source/GameTypes/Keepaway.h"
#include "Source/Tools/Editors/GameEditor.h"
#include "Tests/Source/GameTypes/MatchTestSupport.h"
#include "Tests/Source/Tools/ToolsTesting.h"

#include <gtest/gtest.h>

namespace
{

// A flag's and a token's pickup deleted in the game editor: the item goes back to the mode, which
// places it at home again and keeps pointing at it.
TEST(BooksOfTheModes, ADeletedFlagOrTokenPickupGoesHome)
{
    for (const char* mode : {"CaptureTheFlag", "Keepaway"})
    {
        MatchTesting::Match match;
        match.UseMode(Lumvek::StringView::FromCString(mode));
        match.AddLocal(0, 0, 0);
        match.AddLocal(1, 1, 1);
        World& world = match.Load("Hilltop");
        match.CreateRules();
        match.Begin();
        match.Tick();
        ToolsTesting::ToolsApplication app;
        app.tools->editedWorld = &world;
        app.tools->rendererViews = {{{16.0f, 9.0f}, {32.0f, 18.0f}, {0.0f, 0.0f, 1920.0f, 1080.0f}, true}};
        auto* editor = static_cast<GameEditor*>(app.tools->FindEditor("Game"));
        editor->open = 1;
        std::vector<const Item*> items;
        for (Pickup& pickup : world.pickups.View())
            if (pickup.item && pickup.body->active)
                items.push_back(pickup.item.get());
        ASSERT_FALSE(items.empty()) << mode;
        for (Pickup& pickup : world.pickups.View())
            if (pickup.item.get() == items.front())
                editor->selected = {EntityKind::Pickup, pickup.id};
        app.MoveMouse(10.0f, 1070.0f);
        app.PressKey(Lumvek::Key::Delete);
        match.Tick(60);
        for (const Item* item : items)
            EXPECT_EQ(std::count_if(world.pickups.View().begin(), world.pickups.View().end(),
                                    [item](const Pickup& p) { return p.item.get() == item && p.body->active; }),
                      1)
                << mode;
        if (auto* flags = dynamic_cast<CaptureTheFlag*>(match.rules.get()))
        {
            EXPECT_TRUE(flags->GetFlags().front()->atHome);
        }
        app.tools->editedWorld = nullptr;
    }
}

} // namespace
