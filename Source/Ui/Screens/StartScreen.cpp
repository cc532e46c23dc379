#include "Source/Ui/Screens/StartScreen.h"

#include "Engine/Foundation/Log.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Ui/Builders.h"
#include "Source/Ui/Screens/DemoScreens.h"
#include "Source/Ui/UiResources.h"

void StartScreen::Setup()
{
    Lumvek::Element& background = AddElement(GetRoot(), 100.0f, 100.0f, 0);
    AddImageContent(background).texture = GraphicsResources::CanvasBackground;

    Lumvek::Element& logo = AddElement(GetRoot(), 0.0f, 40.0f, 0);
    SetImage(logo, GraphicsResources::TallLogo, Lumvek::InvalidId, Images::PendingIcon);
    // No width of its own: the image keeps the logo's aspect and spreads evenly from the centre line.
    AlignCentre(logo);
    SetOffset(logo, YGEdgeTop, 25.0f);

    Lumvek::Element& prompt = AddElement(GetRoot(), 0.0f, 2.5f, 0);
    AddDrawInText(prompt, 100.0f, 1.0f, "PRESS START", GraphicsResources::ScriptFont, InkColor, TextAlignment::Centre);
    SetElementName(prompt, "Start");
    AlignCentre(prompt);
    SetOffset(prompt, YGEdgeBottom, 25.0f);
}

void StartScreen::Activate()
{
    StartPressStartText(*this);
}

void StartScreen::OnStart(uint32_t player)
{
    Lumvek::Log::Write("Start on controller {}: the main menu is not part of the game yet", player);
}
