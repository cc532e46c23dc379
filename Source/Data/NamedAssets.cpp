#include "Source/Data/NamedAssets.h"

#include "Engine/Foundation/NameSet.h"

// One translation unit defines every id, so they are assigned in the order written here.

namespace Sounds
{
// Before the other sounds: the race mode's, registered with the game's name tables.
const uint32_t CheckpointReached = Lumvek::NameSet::Global().Add("CheckpointReached");
} // namespace Sounds

namespace GraphicsResources
{
const uint32_t TransitionTarget = Lumvek::NameTableC().Add("TransitionTarget");
const uint32_t CanvasBackground = Lumvek::NameTableC().Add("CanvasBackground");
const uint32_t TallLogo = Lumvek::NameTableC().Add("TallLogo");
const uint32_t WideLogo = Lumvek::NameTableC().Add("WideLogo");
const uint32_t UiAtlas = Lumvek::NameTableC().Add("UiAtlas");
const uint32_t PreviewAtlas = Lumvek::NameTableC().Add("PreviewAtlas");
const uint32_t WorldAtlas = Lumvek::NameTableC().Add("WorldAtlas");
const uint32_t DrawAtlas = Lumvek::NameTableC().Add("DrawAtlas");
const uint32_t EffectAtlas = Lumvek::NameTableC().Add("EffectAtlas");
const uint32_t PlatformAtlas = Lumvek::NameTableC().Add("PlatformAtlas");
const uint32_t ThemeAtlas = Lumvek::NameTableC().Add("ThemeAtlas");
const uint32_t HeadingFont = Lumvek::NameTableC().Add("HeadingFont");
const uint32_t ScriptFont = Lumvek::NameTableC().Add("ScriptFont");
const uint32_t QuadVertices = Lumvek::NameTableC().Add("QuadVertices");
const uint32_t QuadIndices = Lumvek::NameTableC().Add("QuadIndices");
const uint32_t QuadMaterial = Lumvek::NameTableC().Add("QuadMaterial");
const uint32_t TextMaterial = Lumvek::NameTableC().Add("TextMaterial");
const uint32_t ImageMaterial = Lumvek::NameTableC().Add("ImageMaterial");
const uint32_t ColoredImageMaterial = Lumvek::NameTableC().Add("ColoredImageMaterial");
const uint32_t DrawInTextMaterial = Lumvek::NameTableC().Add("DrawInTextMaterial");
const uint32_t DrawInImageMaterial = Lumvek::NameTableC().Add("DrawInImageMaterial");
const uint32_t TiledImageMaterial = Lumvek::NameTableC().Add("TiledImageMaterial");
const uint32_t TransitionVertices = Lumvek::NameTableC().Add("TransitionVertices");
const uint32_t ColorTransitionVertices = Lumvek::NameTableC().Add("ColorTransitionVertices");
const uint32_t PageConstants = Lumvek::NameTableC().Add("PageConstants");
const uint32_t PageMaterial = Lumvek::NameTableC().Add("PageMaterial");
const uint32_t PageVertices = Lumvek::NameTableC().Add("PageVertices");
const uint32_t PageIndices = Lumvek::NameTableC().Add("PageIndices");
const uint32_t MakerLogo = Lumvek::NameTableC().Add("MakerLogo");
} // namespace GraphicsResources

namespace Images
{
const uint32_t PlatformDraw = Lumvek::NameTableA().Add("PlatformDraw");
const uint32_t SmallLogo = Lumvek::NameTableA().Add("SmallLogo");
const uint32_t CircleSketch = Lumvek::NameTableA().Add("CircleSketch");
const uint32_t CircleSelection = Lumvek::NameTableA().Add("CircleSelection");
const uint32_t CircleDraw = Lumvek::NameTableA().Add("CircleDraw");
const uint32_t CircleBackground = Lumvek::NameTableA().Add("CircleBackground");
const uint32_t PendingIcon = Lumvek::NameTableA().Add("PendingIcon");
const uint32_t PendingSketch = Lumvek::NameTableA().Add("PendingSketch");
const uint32_t SelectLeft = Lumvek::NameTableA().Add("SelectLeft");
const uint32_t SelectRight = Lumvek::NameTableA().Add("SelectRight");
const uint32_t Outline = Lumvek::NameTableA().Add("Outline");
const uint32_t SketchOutline = Lumvek::NameTableA().Add("SketchOutline");
const uint32_t HorizontalDivider = Lumvek::NameTableA().Add("HorizontalDivider");
const uint32_t VerticalDivider = Lumvek::NameTableA().Add("VerticalDivider");
const uint32_t StartButton = Lumvek::NameTableA().Add("StartButton");
const uint32_t BackButton = Lumvek::NameTableA().Add("BackButton");
const uint32_t AButton = Lumvek::NameTableA().Add("AButton");
const uint32_t BButton = Lumvek::NameTableA().Add("BButton");
const uint32_t XButton = Lumvek::NameTableA().Add("XButton");
const uint32_t YButton = Lumvek::NameTableA().Add("YButton");
const uint32_t LeftTrigger = Lumvek::NameTableA().Add("LeftTrigger");
const uint32_t LeftBumper = Lumvek::NameTableA().Add("LeftBumper");
const uint32_t RightTrigger = Lumvek::NameTableA().Add("RightTrigger");
const uint32_t RightBumper = Lumvek::NameTableA().Add("RightBumper");
const uint32_t LeftStick = Lumvek::NameTableA().Add("LeftStick");
const uint32_t RightStick = Lumvek::NameTableA().Add("RightStick");
const uint32_t Left = Lumvek::NameTableA().Add("Left");
const uint32_t Right = Lumvek::NameTableA().Add("Right");
const uint32_t Up = Lumvek::NameTableA().Add("Up");
const uint32_t Down = Lumvek::NameTableA().Add("Down");
const uint32_t Ink = Lumvek::NameTableA().Add("Ink");
const uint32_t Star = Lumvek::NameTableA().Add("Star");
const uint32_t Indicator = Lumvek::NameTableA().Add("Indicator");
const uint32_t Death = Lumvek::NameTableA().Add("Death");
const uint32_t PartLeft = Lumvek::NameTableA().Add("PartLeft");
const uint32_t PartRight = Lumvek::NameTableA().Add("PartRight");
const uint32_t PartUp = Lumvek::NameTableA().Add("PartUp");
const uint32_t PartDown = Lumvek::NameTableA().Add("PartDown");
const uint32_t NotebookIcon = Lumvek::NameTableA().Add("NotebookIcon");
const uint32_t NotebookIconSketch = Lumvek::NameTableA().Add("NotebookIconSketch");
const uint32_t PlayIcon = Lumvek::NameTableA().Add("PlayIcon");
const uint32_t PlayIconSketch = Lumvek::NameTableA().Add("PlayIconSketch");
const uint32_t StoreIcon = Lumvek::NameTableA().Add("StoreIcon");
const uint32_t StoreIconSketch = Lumvek::NameTableA().Add("StoreIconSketch");
const uint32_t QuitIcon = Lumvek::NameTableA().Add("QuitIcon");
const uint32_t QuitIconSketch = Lumvek::NameTableA().Add("QuitIconSketch");
const uint32_t ControlsIcon = Lumvek::NameTableA().Add("ControlsIcon");
const uint32_t ControlsIconSketch = Lumvek::NameTableA().Add("ControlsIconSketch");
const uint32_t LeaderIcon = Lumvek::NameTableA().Add("LeaderIcon");
const uint32_t LeaderIconSketch = Lumvek::NameTableA().Add("LeaderIconSketch");
const uint32_t SinglePlayerIcon = Lumvek::NameTableA().Add("SinglePlayerIcon");
const uint32_t SinglePlayerIconSketch = Lumvek::NameTableA().Add("SinglePlayerIconSketch");
const uint32_t MultiplayerIcon = Lumvek::NameTableA().Add("MultiplayerIcon");
const uint32_t MultiplayerIconSketch = Lumvek::NameTableA().Add("MultiplayerIconSketch");
const uint32_t MatchmakingIcon = Lumvek::NameTableA().Add("MatchmakingIcon");
const uint32_t MatchmakingIconSketch = Lumvek::NameTableA().Add("MatchmakingIconSketch");
const uint32_t ChallengesIcon = Lumvek::NameTableA().Add("ChallengesIcon");
const uint32_t ChallengesIconSketch = Lumvek::NameTableA().Add("ChallengesIconSketch");
const uint32_t CustomGameIcon = Lumvek::NameTableA().Add("CustomGameIcon");
const uint32_t CustomGameIconSketch = Lumvek::NameTableA().Add("CustomGameIconSketch");
const uint32_t GameTypeIcon = Lumvek::NameTableA().Add("GameTypeIcon");
const uint32_t GameTypeIconSketch = Lumvek::NameTableA().Add("GameTypeIconSketch");
const uint32_t MapIcon = Lumvek::NameTableA().Add("MapIcon");
const uint32_t MapIconSketch = Lumvek::NameTableA().Add("MapIconSketch");
const uint32_t ThemeIcon = Lumvek::NameTableA().Add("ThemeIcon");
const uint32_t ThemeIconSketch = Lumvek::NameTableA().Add("ThemeIconSketch");
const uint32_t TeamsIcon = Lumvek::NameTableA().Add("TeamsIcon");
const uint32_t TeamsIconSketch = Lumvek::NameTableA().Add("TeamsIconSketch");
const uint32_t WeaponsIcon = Lumvek::NameTableA().Add("WeaponsIcon");
const uint32_t WeaponsIconSketch = Lumvek::NameTableA().Add("WeaponsIconSketch");
const uint32_t LoadoutIcon = Lumvek::NameTableA().Add("LoadoutIcon");
const uint32_t LoadoutIconSketch = Lumvek::NameTableA().Add("LoadoutIconSketch");
const uint32_t AttributesIcon = Lumvek::NameTableA().Add("AttributesIcon");
const uint32_t AttributesIconSketch = Lumvek::NameTableA().Add("AttributesIconSketch");
const uint32_t RandomIcon = Lumvek::NameTableA().Add("RandomIcon");
const uint32_t RandomIconSketch = Lumvek::NameTableA().Add("RandomIconSketch");
const uint32_t CustomIcon = Lumvek::NameTableA().Add("CustomIcon");
const uint32_t CustomIconSketch = Lumvek::NameTableA().Add("CustomIconSketch");
const uint32_t NoneIcon = Lumvek::NameTableA().Add("NoneIcon");
const uint32_t NoneIconSketch = Lumvek::NameTableA().Add("NoneIconSketch");
const uint32_t BasicSpine = Lumvek::NameTableA().Add("BasicSpine");
const uint32_t BasicSkull = Lumvek::NameTableA().Add("BasicSkull");
const uint32_t BasicHumerus = Lumvek::NameTableA().Add("BasicHumerus");
const uint32_t BasicRadius = Lumvek::NameTableA().Add("BasicRadius");
const uint32_t BasicHand = Lumvek::NameTableA().Add("BasicHand");
const uint32_t BasicFemur = Lumvek::NameTableA().Add("BasicFemur");
const uint32_t BasicTibia = Lumvek::NameTableA().Add("BasicTibia");
const uint32_t BasicFoot = Lumvek::NameTableA().Add("BasicFoot");
const uint32_t TopLeft = Lumvek::NameTableA().Add("TopLeft");
const uint32_t TopRight = Lumvek::NameTableA().Add("TopRight");
const uint32_t TopMiddle = Lumvek::NameTableA().Add("TopMiddle");
const uint32_t SolidBackground = Lumvek::NameTableA().Add("SolidBackground");
const uint32_t SolidLeft = Lumvek::NameTableA().Add("SolidLeft");
const uint32_t SolidRight = Lumvek::NameTableA().Add("SolidRight");
const uint32_t SolidLeftCorner = Lumvek::NameTableA().Add("SolidLeftCorner");
const uint32_t SolidRightCorner = Lumvek::NameTableA().Add("SolidRightCorner");
const uint32_t SolidBottom = Lumvek::NameTableA().Add("SolidBottom");
const uint32_t SolidJoinLeft = Lumvek::NameTableA().Add("SolidJoinLeft");
const uint32_t SolidJoinRight = Lumvek::NameTableA().Add("SolidJoinRight");
const uint32_t SolidJoinTopLeft = Lumvek::NameTableA().Add("SolidJoinTopLeft");
const uint32_t SolidJoinTopRight = Lumvek::NameTableA().Add("SolidJoinTopRight");
const uint32_t OneWayBackground = Lumvek::NameTableA().Add("OneWayBackground");
const uint32_t OneWayLeft = Lumvek::NameTableA().Add("OneWayLeft");
const uint32_t OneWayRight = Lumvek::NameTableA().Add("OneWayRight");
const uint32_t OneWayLeftCorner = Lumvek::NameTableA().Add("OneWayLeftCorner");
const uint32_t OneWayRightCorner = Lumvek::NameTableA().Add("OneWayRightCorner");
const uint32_t OneWayBottom = Lumvek::NameTableA().Add("OneWayBottom");
const uint32_t ConveyerLeft = Lumvek::NameTableA().Add("ConveyerLeft");
const uint32_t ConveyerMiddle = Lumvek::NameTableA().Add("ConveyerMiddle");
const uint32_t ConveyerRight = Lumvek::NameTableA().Add("ConveyerRight");
const uint32_t Erase1 = Lumvek::NameTableA().Add("Erase1");
} // namespace Images

namespace Sounds
{
const uint32_t Ambience = Lumvek::NameSet::Global().Add("Ambience");
const uint32_t Step1 = Lumvek::NameSet::Global().Add("Step1");
const uint32_t Step2 = Lumvek::NameSet::Global().Add("Step2");
const uint32_t Jump = Lumvek::NameSet::Global().Add("Jump");
const uint32_t Land = Lumvek::NameSet::Global().Add("Land");
const uint32_t Bounce = Lumvek::NameSet::Global().Add("Bounce");
const uint32_t HitPlatform = Lumvek::NameSet::Global().Add("HitPlatform");
const uint32_t HitPlayer = Lumvek::NameSet::Global().Add("HitPlayer");
const uint32_t PlayerDeath = Lumvek::NameSet::Global().Add("PlayerDeath");
const uint32_t ClipEmpty = Lumvek::NameSet::Global().Add("ClipEmpty");
const uint32_t PickUpWeapon = Lumvek::NameSet::Global().Add("PickUpWeapon");
const uint32_t PickUpAmmo = Lumvek::NameSet::Global().Add("PickUpAmmo");
const uint32_t PutAwaySound = Lumvek::NameSet::Global().Add("PutAwaySound");
const uint32_t TakeOutSound = Lumvek::NameSet::Global().Add("TakeOutSound");
} // namespace Sounds
