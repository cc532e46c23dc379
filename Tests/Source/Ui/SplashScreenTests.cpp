#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Screens/SplashScreen.h"
#include "Source/Ui/Transitions.h"
#include "Source/Ui/UiResources.h"
#include "Tests/Engine/Runtime/Gui/GuiTesting.h"

#include <gtest/gtest.h>

namespace
{

using namespace Lumvek::GuiTesting;

// The title the splash hands over to, standing in for the demo's.
class Title final : public Screen
{
public:
    void Setup() override {}
};

class Splash : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateTransitionGeometries(*app.device));
        load.SetState(LoadState::StartupLoading);
        splash = &Screen::Open<SplashScreen>(*app.gui, MakeFadeTransition(0.25f, FadeTransition::Forward),
                                             Screen::EveryPlayer, load,
                                             [this](Lumvek::Gui& gui, std::unique_ptr<Lumvek::Transition> opening)
                                             {
                                                 ++titles;
                                                 Screen::Open<Title>(gui, std::move(opening), Screen::EveryPlayer);
                                             });
    }

    TestApplication app;
    LoadStatus load;
    SplashScreen* splash = nullptr;
    int titles = 0;
};

TEST_F(Splash, WaitsForTheStartUpLoadAndHalfASecondThenTurnsItsPageOnce)
{
    // The fade in, then a second of loading.
    app.Frame(0.25f);
    for (int frame = 0; frame < 10; ++frame)
        app.Frame(0.1f);
    EXPECT_EQ(titles, 0);
    EXPECT_NEAR(splash->timer, 1.0f, 1e-4f);
    load.SetState(LoadState::StartupLoaded);
    app.Frame(0.016f);
    EXPECT_EQ(titles, 1);
    // The page turns over the title for 0.3 s; the splash leaves no second title meanwhile.
    app.Frame(0.1f);
    EXPECT_EQ(titles, 1);
    ASSERT_EQ(app.gui->GetMenuCount(), 2u);
    EXPECT_TRUE(dynamic_cast<PageTransition*>(app.gui->GetRecord(0).transition.get()));
    app.Frame(0.25f);
    EXPECT_EQ(app.gui->GetMenuCount(), 1u);
}

TEST_F(Splash, AQuickLoadStillShowsTheLogoHalfASecondAfterTheFade)
{
    load.SetState(LoadState::StartupLoaded);
    app.Frame(0.25f);
    app.Frame(0.3f);
    EXPECT_EQ(titles, 0);
    // Back does nothing here.
    app.controllers->next[0].released[Lumvek::ControllerButton::Back] = 1;
    app.Frame(0.19f);
    EXPECT_EQ(titles, 0);
    app.Frame(0.02f);
    EXPECT_EQ(titles, 1);
    // The logo: the whole maker's logo, its pending image the pending icon.
    const auto* logo = dynamic_cast<const Lumvek::ImageContent*>(splash->GetRoot().GetChildren().at(0)->content.get());
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(logo->texture, GraphicsResources::MakerLogo);
    EXPECT_EQ(logo->region, Lumvek::InvalidId);
    EXPECT_EQ(logo->fallbackRegion, Images::PendingIcon);
}

TEST(Builders, TextKeepsItsSizeAsAShareOfTheElementAndColoursUnpackAsBytes)
{
    Calls calls;
    TestMenu menu(calls);
    Lumvek::Element& line = AddElement(menu.GetRoot(), 100.0f, 10.0f, 0xFF000080);
    Lumvek::TextContent& text =
        AddText(line, 100.0f, "PLAY", GraphicsResources::HeadingFont, InkColor, TextAlignment::Centre);
    EXPECT_EQ(line.background, (Lumvek::Color{0x80, 0, 0, 0xFF}));
    EXPECT_EQ(text.fillColor, (Lumvek::Color{0x41, 0x40, 0x42, 0xFF}));
    EXPECT_FLOAT_EQ(text.ResolveSize(50.0f), 50.0f);
    EXPECT_FLOAT_EQ(text.ResolveSize(200.0f), 200.0f);
    EXPECT_EQ(AddElement(menu.GetRoot(), 1.0f, 1.0f, 0).background, Lumvek::Color::Transparent);
}

} // namespace
