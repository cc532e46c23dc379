#include "Source/Ui/Screens/SplashScreen.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"

SplashScreen::SplashScreen(const LoadStatus& load, NextScreen next) : load(load), next(std::move(next)) {}

void SplashScreen::Setup()
{
    GetRoot().background = UnpackColor(0xFF000000);
    Lumvek::Element& logo = AddElement(GetRoot(), 30.0f, 30.0f, 0);
    SetImage(logo, GraphicsResources::MakerLogo, Lumvek::InvalidId, Images::PendingIcon);
    AlignCentre(logo);
    SetOffset(logo, YGEdgeTop, 35.0f);
}

void SplashScreen::Update(float seconds)
{
    timer += seconds;
    if (left || timer < MinimumSeconds || load.GetState() < LoadState::StartupLoaded)
        return;
    if (!next)
    {
        // The title this run asks for is not part of the game yet: the logo stays rather than leaving
        // the window empty.
        left = true;
        Lumvek::Log::Write("the splash has no title screen to open: it stays");
        return;
    }
    // Closing only deactivates: without this a second update before the page has turned would open
    // the title twice.
    left = true;
    Lumvek::Gui& gui = GetScreenGui();
    std::unique_ptr<Lumvek::Transition> opening = CloseForward();
    next(gui, std::move(opening));
}
