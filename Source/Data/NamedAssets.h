#pragma once

#include <cstdint>

// The fixed names of shared images, graphics resources and sounds, each kept as the id its name set
// gave it when the program started. Definitions add their own names to the same sets, so a
// definition whose image name equals a fixed name shares that image.
//
// The ids are assigned before main runs, in the order listed, and never change: read them only
// from code that runs after static initialisation.

// Ids in NameTableC: slots of the graphics device.
namespace GraphicsResources
{
extern const uint32_t TransitionTarget;
extern const uint32_t CanvasBackground;
extern const uint32_t TallLogo;
extern const uint32_t WideLogo;
extern const uint32_t UiAtlas;
extern const uint32_t PreviewAtlas;
extern const uint32_t WorldAtlas;
extern const uint32_t DrawAtlas;
extern const uint32_t EffectAtlas;
extern const uint32_t PlatformAtlas;
extern const uint32_t ThemeAtlas;
extern const uint32_t HeadingFont;
extern const uint32_t ScriptFont;
extern const uint32_t QuadVertices;
extern const uint32_t QuadIndices;
extern const uint32_t QuadMaterial;
extern const uint32_t TextMaterial;
extern const uint32_t ImageMaterial;
extern const uint32_t ColoredImageMaterial;
extern const uint32_t DrawInTextMaterial;
extern const uint32_t DrawInImageMaterial;
extern const uint32_t TiledImageMaterial;
extern const uint32_t TransitionVertices;
extern const uint32_t ColorTransitionVertices;
extern const uint32_t PageConstants;
extern const uint32_t PageMaterial;
extern const uint32_t PageVertices;
extern const uint32_t PageIndices;
extern const uint32_t MakerLogo;
} // namespace GraphicsResources

// Ids in NameTableA: texture regions.
namespace Images
{
extern const uint32_t PlatformDraw;
extern const uint32_t SmallLogo;
extern const uint32_t CircleSketch;
extern const uint32_t CircleSelection;
extern const uint32_t CircleDraw;
extern const uint32_t CircleBackground;
extern const uint32_t PendingIcon;
extern const uint32_t PendingSketch;
extern const uint32_t SelectLeft;
extern const uint32_t SelectRight;
extern const uint32_t Outline;
extern const uint32_t SketchOutline;
extern const uint32_t HorizontalDivider;
extern const uint32_t VerticalDivider;
extern const uint32_t StartButton;
extern const uint32_t BackButton;
extern const uint32_t AButton;
extern const uint32_t BButton;
extern const uint32_t XButton;
extern const uint32_t YButton;
extern const uint32_t LeftTrigger;
extern const uint32_t LeftBumper;
extern const uint32_t RightTrigger;
extern const uint32_t RightBumper;
extern const uint32_t LeftStick;
extern const uint32_t RightStick;
extern const uint32_t Left;
extern const uint32_t Right;
extern const uint32_t Up;
extern const uint32_t Down;
extern const uint32_t Ink;
extern const uint32_t Star;
extern const uint32_t Indicator;
extern const uint32_t Death;
extern const uint32_t PartLeft;
extern const uint32_t PartRight;
extern const uint32_t PartUp;
extern const uint32_t PartDown;
extern const uint32_t NotebookIcon;
extern const uint32_t NotebookIconSketch;
extern const uint32_t PlayIcon;
extern const uint32_t PlayIconSketch;
extern const uint32_t StoreIcon;
extern const uint32_t StoreIconSketch;
extern const uint32_t QuitIcon;
extern const uint32_t QuitIconSketch;
extern const uint32_t ControlsIcon;
extern const uint32_t ControlsIconSketch;
extern const uint32_t LeaderIcon;
extern const uint32_t LeaderIconSketch;
extern const uint32_t SinglePlayerIcon;
extern const uint32_t SinglePlayerIconSketch;
extern const uint32_t MultiplayerIcon;
extern const uint32_t MultiplayerIconSketch;
extern const uint32_t MatchmakingIcon;
extern const uint32_t MatchmakingIconSketch;
extern const uint32_t ChallengesIcon;
extern const uint32_t ChallengesIconSketch;
extern const uint32_t CustomGameIcon;
extern const uint32_t CustomGameIconSketch;
extern const uint32_t GameTypeIcon;
extern const uint32_t GameTypeIconSketch;
extern const uint32_t MapIcon;
extern const uint32_t MapIconSketch;
extern const uint32_t ThemeIcon;
extern const uint32_t ThemeIconSketch;
extern const uint32_t TeamsIcon;
extern const uint32_t TeamsIconSketch;
extern const uint32_t WeaponsIcon;
extern const uint32_t WeaponsIconSketch;
extern const uint32_t LoadoutIcon;
extern const uint32_t LoadoutIconSketch;
extern const uint32_t AttributesIcon;
extern const uint32_t AttributesIconSketch;
extern const uint32_t RandomIcon;
extern const uint32_t RandomIconSketch;
extern const uint32_t CustomIcon;
extern const uint32_t CustomIconSketch;
extern const uint32_t NoneIcon;
extern const uint32_t NoneIconSketch;
extern const uint32_t BasicSpine;
extern const uint32_t BasicSkull;
extern const uint32_t BasicHumerus;
extern const uint32_t BasicRadius;
extern const uint32_t BasicHand;
extern const uint32_t BasicFemur;
extern const uint32_t BasicTibia;
extern const uint32_t BasicFoot;
extern const uint32_t TopLeft;
extern const uint32_t TopRight;
extern const uint32_t TopMiddle;
extern const uint32_t SolidBackground;
extern const uint32_t SolidLeft;
extern const uint32_t SolidRight;
extern const uint32_t SolidLeftCorner;
extern const uint32_t SolidRightCorner;
extern const uint32_t SolidBottom;
extern const uint32_t SolidJoinLeft;
extern const uint32_t SolidJoinRight;
extern const uint32_t SolidJoinTopLeft;
extern const uint32_t SolidJoinTopRight;
extern const uint32_t OneWayBackground;
extern const uint32_t OneWayLeft;
extern const uint32_t OneWayRight;
extern const uint32_t OneWayLeftCorner;
extern const uint32_t OneWayRightCorner;
extern const uint32_t OneWayBottom;
extern const uint32_t ConveyerLeft;
extern const uint32_t ConveyerMiddle;
extern const uint32_t ConveyerRight;
// The erase atlas's pattern an ending visual is scribbled out with.
extern const uint32_t Erase1;
} // namespace Images

// Ids in NameSet::Global: what the audio code plays. Which file plays under an id is chosen by the
// current theme or game mode, which loads it.
namespace Sounds
{
extern const uint32_t CheckpointReached;
extern const uint32_t Ambience;
extern const uint32_t Step1;
extern const uint32_t Step2;
extern const uint32_t Jump;
extern const uint32_t Land;
extern const uint32_t Bounce;
extern const uint32_t HitPlatform;
extern const uint32_t HitPlayer;
extern const uint32_t PlayerDeath;
extern const uint32_t ClipEmpty;
extern const uint32_t PickUpWeapon;
extern const uint32_t PickUpAmmo;
extern const uint32_t PutAwaySound;
extern const uint32_t TakeOutSound;
} // namespace Sounds
