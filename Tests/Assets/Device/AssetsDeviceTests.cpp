// The committed Assets folder loaded onto the real devices: every definition's images, sounds and
// effects through the OpenGL device on llvmpipe and the OpenAL device, every texture description,
// every effect file and every shader, each without a logged message or a missing file.

#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Resource.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Material.h"
#include "Engine/Runtime/OpenAL/OpenALAudioDevice.h"
#include "Engine/Runtime/OpenGL/HlslFormat.h"
#include "Engine/Runtime/OpenGL/OpenGLGraphicsDevice.h"
#include "Engine/Runtime/OpenGL/ShaderCompiler.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/AbilityPartData.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/HazardData.h"
#include "Source/Data/NamedAssets.h"
#include "Source/Data/ProjectileData.h"
#include "Source/Data/ThemeData.h"
#include "Source/Data/WeaponData.h"
#include "Source/Data/ZoneData.h"
#include "Source/Game/Rendering/RenderMaterials.h"
#include "Tests/LogCapture.h"
#include "Tests/TestPaths.h"

#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Lumvek;

namespace
{

namespace fs = std::filesystem;

const std::string SourceRoot = Lumvek::Testing::SourceFolder();
constexpr const char* EffectAtlasPath = "Assets/Particles/Particles.ltd";

// Every file under Assets/ with the extension, as paths relative to the root, sorted.
std::vector<std::string> AssetFiles(const std::string& extension)
{
    std::vector<std::string> paths;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(SourceRoot + "/Assets"))
        if (entry.is_regular_file() && entry.path().extension() == extension)
            paths.push_back(fs::relative(entry.path(), SourceRoot).generic_string());
    std::sort(paths.begin(), paths.end());
    return paths;
}

// Each logged message after the sections it was written in, so that a failure names the file.
std::vector<std::string> Described(const Testing::LogCapture& log)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < log.messages.size(); ++i)
    {
        std::string line;
        for (const std::string& section : log.enclosing[i])
            line += section + ": ";
        lines.push_back(line + log.messages[i]);
    }
    return lines;
}

// The semantic a material's element feeds, spelt as the shader compiler reports its inputs.
std::string SemanticOf(const VertexElement& element)
{
    switch (element.semantic)
    {
    case VertexSemantic::Position:
        return "POSITION" + std::to_string(element.semanticIndex);
    case VertexSemantic::Color:
        return "COLOR" + std::to_string(element.semanticIndex);
    case VertexSemantic::TextureCoordinate:
        return "TEXCOORD" + std::to_string(element.semanticIndex);
    case VertexSemantic::Normal:
        return "NORMAL" + std::to_string(element.semanticIndex);
    case VertexSemantic::Named:
        break;
    }
    std::string name = element.name;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name + std::to_string(element.semanticIndex);
}

// What a material feeds its shader: one element list per vertex, one per instance.
struct DeclaredElements
{
    DeclaredElements(std::vector<VertexElement> vertexElements = {}, std::vector<VertexElement> instanceElements = {})
        : vertex(std::move(vertexElements)), instance(std::move(instanceElements))
    {
    }

    std::vector<VertexElement> vertex;
    std::vector<VertexElement> instance;
};

// The vertex and instance elements the game gives each of its materials, by shader file. Materials
// that share a shader give it the same inputs.
std::map<std::string, DeclaredElements> DeclaredInputs()
{
    using Format = VertexElementFormat;
    using Semantic = VertexSemantic;
    const VertexElement position{"Position", Format::Float2, Semantic::Position, 0};
    const VertexElement coordinate{"TextureCoordinate", Format::Float2, Semantic::TextureCoordinate, 0};
    const VertexElement color{"Color", Format::Color, Semantic::Color, 0};
    std::map<std::string, DeclaredElements> declared = {
        {"Assets/Ui/Materials/Color.hlsl", {{position, color}}},
        {"Assets/Ui/Materials/ColoredImage.hlsl", {{position, coordinate, color}}},
        {"Assets/Ui/Materials/TextElement.hlsl",
         {{position,
           coordinate,
           {"FillColor", Format::Color, Semantic::Color, 0},
           {"StrokeColor", Format::Color, Semantic::Color, 1},
           {"InnerStrokeRadius", Format::Float, Semantic::TextureCoordinate, 1},
           {"OuterStrokeRadius", Format::Float, Semantic::TextureCoordinate, 2}}}},
        {"Assets/Ui/Materials/Image.hlsl", {{position, coordinate}}},
        {"Assets/Ui/Materials/DrawInImage.hlsl",
         {{position,
           {"Texture", Format::Float2, Semantic::TextureCoordinate, 0},
           color,
           {"Time", Format::Float, Semantic::TextureCoordinate, 1}}}},
        {"Assets/Ui/Materials/DrawInText.hlsl",
         {{position,
           {"Texture", Format::Float2, Semantic::TextureCoordinate, 0},
           {"FillColor", Format::Color, Semantic::Color, 0},
           {"StrokeColor", Format::Color, Semantic::Color, 1},
           {"InnerStrokeRadius", Format::Float, Semantic::TextureCoordinate, 1},
           {"OuterStrokeRadius", Format::Float, Semantic::TextureCoordinate, 2},
           {"Time", Format::Float, Semantic::TextureCoordinate, 3}}}},
        {"Assets/Ui/Materials/Page.hlsl",
         {{{"Position", Format::Float3, Semantic::Position, 0},
           {"Normal", Format::Float3, Semantic::Normal, 0},
           coordinate}}},
    };
    for (uint32_t i = 0; i < static_cast<uint32_t>(GameMaterial::Count); ++i)
    {
        const GameMaterialDescription& material = GameMaterials::Describe(static_cast<GameMaterial>(i));
        declared[std::string(material.shader)] = {{material.vertexInputs.begin(), material.vertexInputs.end()},
                                                  {material.instanceInputs.begin(), material.instanceInputs.end()}};
    }
    return declared;
}

// The application's devices over the checkout: the OpenGL device on a hidden window of SDL's
// offscreen driver and the OpenAL device on its null output, sharing the resource table whose file
// manager reads the committed folder. Everything logged meanwhile is captured.
class AssetsOnDevices : public ::testing::Test
{
protected:
    void SetUp() override
    {
        files.RegisterFormats();
        Lumvek::RegisterRuntimeFormats(files);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        OpenGL::OpenGLGraphicsDevice::PrepareWindowAttributes();
        window = SDL_CreateWindow("AssetsDeviceTests", 0, 0, 64, 64, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        graphics = std::make_unique<OpenGL::OpenGLGraphicsDevice>(&table, 1.0f, 1);
        std::thread([&] { graphics->SetWindow(window, 64, 64, 1.0f); }).join();
        ASSERT_TRUE(graphics->MakeReady());
        audio = std::make_unique<OpenAL::OpenALAudioDevice>(&table, false, 1.0f, 1.0f, 1.0f);
    }

    void TearDown() override
    {
        registry.reset();
        audio.reset();
        graphics.reset();
        if (window)
            SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // A device texture as the game's renderer makes its atlases: format 0, the whole texture one
    // atlas region that the loaders pack images into.
    Texture* NewAtlas(const std::string& name, uint32_t size)
    {
        Texture* texture = graphics->CreateTexture(NameTableC().Add("AssetsDeviceTests." + name), 0);
        EXPECT_NE(texture, nullptr) << name;
        if (!texture)
            return nullptr;
        EXPECT_TRUE(texture->SetSize(size, size, TextureFormat::ColorBuffer4x8));
        auto* root = texture->AddRegionOf<TextureAtlasRegion>(InvalidId, 0, 0);
        EXPECT_TRUE(root && root->SetSize(size, size)) << name;
        return texture;
    }

    // A device texture loaded from a texture description.
    Texture* LoadDescription(const std::string& path)
    {
        Texture* texture = graphics->CreateTexture(NameTableC().Add("AssetsDeviceTests." + path), 0);
        EXPECT_NE(texture, nullptr) << path;
        if (!texture)
            return nullptr;
        EXPECT_TRUE(files.Load(files.ResolvePath(path), *texture, StringView(path), false).IsLoaded()) << path;
        texture->FinishChanges();
        return texture;
    }

    void LoadRegistry()
    {
        registry = std::make_unique<DataRegistry>(files, audio.get());
        registry->LoadAll();
    }

    Testing::LogCapture log;
    FileManager files{SourceRoot, SourceRoot, SourceRoot, SourceRoot};
    ResourceTable table{&files};
    SDL_Window* window = nullptr;
    std::unique_ptr<OpenGL::OpenGLGraphicsDevice> graphics;
    std::unique_ptr<OpenAL::OpenALAudioDevice> audio;
    std::unique_ptr<DataRegistry> registry;
};

TEST_F(AssetsOnDevices, EveryDefinitionLoadsItsImagesSoundsAndEffects)
{
    ASSERT_TRUE(audio->IsOpen());
    LoadRegistry();
    Texture* world = NewAtlas("WorldAtlas", 2048);
    Texture* draw = NewAtlas("DrawAtlas", 2048);
    ASSERT_TRUE(world && draw);
    for (const DataCollectionBase* collection : registry->GetCollections())
        for (const std::string& name : collection->GetNames())
            if (Data* data = collection->FindData(name))
                data->Load(*world, *draw);
    for (const auto& theme : registry->themes.GetItems())
    {
        Texture* objects = NewAtlas(theme->name + "ThemeAtlas", 4096);
        Texture* tiles = graphics->CreateTexture(NameTableC().Add("AssetsDeviceTests.PlatformAtlas" + theme->name), 0);
        ASSERT_TRUE(objects && tiles);
        ASSERT_TRUE(tiles->SetSize(1024, 1024, TextureFormat::ColorBuffer4x8));
        theme->LoadAtlas(*graphics, *objects, *tiles);
        objects->FinishChanges();
        tiles->FinishChanges();
    }
    world->FinishChanges();
    draw->FinishChanges();
    Texture* effectAtlas = LoadDescription(EffectAtlasPath);
    ASSERT_NE(effectAtlas, nullptr);
    graphics->Render();
    EXPECT_THAT(Described(log), testing::IsEmpty());

    // Every effect slot holds a loaded effect whose emitters draw regions of the effect atlas.
    auto expectEffect = [&](const Data& owner, uint32_t id, const char* slot)
    {
        SCOPED_TRACE(owner.name + " " + slot);
        ASSERT_NE(id, InvalidId);
        const auto* effect = table.Find<Effects::EffectData>(id);
        ASSERT_NE(effect, nullptr);
        EXPECT_FALSE(effect->emitters.empty());
        for (const auto& emitter : effect->emitters)
        {
            EXPECT_FALSE(emitter->generators.empty());
            EXPECT_TRUE(emitter->imageIndex >= 0 && effectAtlas->GetRegion(static_cast<uint32_t>(emitter->imageIndex)))
                << "image " << NameTableA().GetName(static_cast<uint32_t>(emitter->imageIndex)).ToStdView();
        }
    };
    for (const auto& hazard : registry->hazards.GetItems())
        expectEffect(*hazard, hazard->effect, "Effect");
    for (const auto& zone : registry->zones.GetItems())
        expectEffect(*zone, zone->effect, "Effect");
    for (const auto& projectile : registry->projectiles.GetItems())
    {
        expectEffect(*projectile, projectile->trailEffect, "Trail");
        expectEffect(*projectile, projectile->explosionEffect, "Explosion");
    }
    const auto* jetpack = dynamic_cast<const JetpackData*>(registry->cores.Find("Jetpack"));
    ASSERT_NE(jetpack, nullptr);
    expectEffect(*jetpack, jetpack->trail, "Trail");

    for (const DataCollectionBase* collection : registry->GetCollections())
        for (const std::string& name : collection->GetNames())
            if (Data* data = collection->FindData(name))
                data->Unload();
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

// Effect files load on their own too, and each one belongs to a definition's effect slot: a file
// under another name would never be shown.
TEST_F(AssetsOnDevices, EveryEffectFileLoadsAndBelongsToADefinition)
{
    LoadRegistry();
    std::set<std::string> slots;
    for (const auto& hazard : registry->hazards.GetItems())
        slots.insert(hazard->GetAssetPath("Effect", ".lte"));
    for (const auto& zone : registry->zones.GetItems())
        slots.insert(zone->GetAssetPath("Effect", ".lte"));
    for (const auto& projectile : registry->projectiles.GetItems())
        for (StringView file : {StringView("Trail"), StringView("Explosion")})
            slots.insert(projectile->GetAssetPath(file, ".lte"));
    for (const auto& core : registry->cores.GetItems())
        if (dynamic_cast<const JetpackData*>(core.get()))
            slots.insert(core->GetAssetPath("Trail", ".lte"));

    const std::vector<std::string> paths = AssetFiles(".lte");
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.end()), slots);
    for (const std::string& path : paths)
    {
        SCOPED_TRACE(path);
        Effects::EffectData effect;
        EXPECT_TRUE(files.Load(files.ResolvePath(path), effect, StringView(path), false).IsLoaded());
        EXPECT_FALSE(effect.emitters.empty());
    }
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

// What players hear and see of fighting and picking up: the character's sounds, each theme's bounce
// and hit sounds, each weapon's fire, reload and scope sounds and its flash, and the sniper rifle's
// laser, each under the id the world plays or draws it by.
TEST_F(AssetsOnDevices, EverySoundAndImageOfFightingResolves)
{
    LoadRegistry();
    Texture* world = NewAtlas("FightingWorldAtlas", 2048);
    Texture* draw = NewAtlas("FightingDrawAtlas", 2048);
    ASSERT_TRUE(world && draw);
    auto expectSound = [&](uint32_t id, const std::string& owner)
    {
        ASSERT_NE(id, InvalidId) << owner;
        const StringView name = NameSet::Global().GetName(id);
        const auto* sound = table.Find<Sound>(NameTableB().Add(name));
        EXPECT_TRUE(sound && sound->samples.Size() > 0) << owner << " " << name.ToStdView();
    };
    ASSERT_FALSE(registry->characters.GetItems().empty());
    registry->characters.GetItems().front()->Load(*world, *draw);
    for (uint32_t id : {Sounds::HitPlayer, Sounds::PlayerDeath, Sounds::ClipEmpty, Sounds::PickUpWeapon,
                        Sounds::PickUpAmmo, Sounds::PutAwaySound, Sounds::TakeOutSound})
        expectSound(id, "character");
    registry->characters.GetItems().front()->Unload();

    // Each theme plays its own: the one loaded last is released before the next.
    for (const auto& theme : registry->themes.GetItems())
    {
        Texture* objects = NewAtlas(theme->name + "FightingThemeAtlas", 4096);
        Texture* tiles = graphics->CreateTexture(NameTableC().Add("AssetsDeviceTests.FightingTiles" + theme->name), 0);
        ASSERT_TRUE(objects && tiles);
        ASSERT_TRUE(tiles->SetSize(1024, 1024, TextureFormat::ColorBuffer4x8));
        theme->LoadAtlas(*graphics, *objects, *tiles);
        for (uint32_t id : {Sounds::Bounce, Sounds::HitPlatform})
        {
            expectSound(id, theme->name);
            theme->ReleaseSound(id);
        }
    }

    for (const auto& weapon : registry->weapons.GetItems())
    {
        weapon->Load(*world, *draw);
        expectSound(weapon->fireSound, weapon->name);
        expectSound(weapon->reloadSound, weapon->name);
        if (weapon->zoomLevels.size() > 1)
            expectSound(weapon->scopeSound, weapon->name);
        EXPECT_NE(world->GetRegion(weapon->image), nullptr) << weapon->name;
        EXPECT_NE(world->GetRegion(weapon->flash), nullptr) << weapon->name;
        if (const auto* rifle = dynamic_cast<const SniperRifleData*>(weapon.get()))
        {
            EXPECT_NE(world->GetRegion(rifle->laser), nullptr) << weapon->name;
        }
        weapon->Unload();
    }
    EXPECT_TRUE(std::any_of(registry->weapons.GetItems().begin(), registry->weapons.GetItems().end(),
                            [](const auto& weapon) { return dynamic_cast<const SniperRifleData*>(weapon.get()); }));
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

TEST_F(AssetsOnDevices, EveryTextureDescriptionLoads)
{
    const std::vector<std::string> paths = AssetFiles(".ltd");
    EXPECT_THAT(paths, testing::Contains(EffectAtlasPath));
    for (const std::string& path : paths)
    {
        const Texture* texture = LoadDescription(path);
        ASSERT_NE(texture, nullptr);
        EXPECT_GT(texture->width, 0u) << path;
        EXPECT_FALSE(texture->regions.empty()) << path;
    }
    graphics->Render();
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

// The front end finds these regions by name in the UI atlas: its builders, its screens' circle buttons
// and button hints, and the icons the game screen and the tools' menus show.
TEST_F(AssetsOnDevices, TheUiAtlasHoldsEveryRegionTheFrontEndNames)
{
    const Texture* atlas = LoadDescription("Assets/Ui/Textures/Ui.ltd");
    ASSERT_NE(atlas, nullptr);
    std::vector<std::string> names = {"SmallLogo",
                                      "CircleSketch",
                                      "CircleSelection",
                                      "CircleDraw",
                                      "PendingIcon",
                                      "PendingSketch",
                                      "SelectLeft",
                                      "SelectRight",
                                      "Outline",
                                      "SketchOutline",
                                      "VerticalDivider",
                                      "StartButton",
                                      "BackButton",
                                      "AButton",
                                      "BButton",
                                      "XButton",
                                      "YButton",
                                      "LeftTrigger",
                                      "LeftBumper",
                                      "RightTrigger",
                                      "RightBumper",
                                      "LeftStick",
                                      "RightStick",
                                      "Left",
                                      "Right",
                                      "Up",
                                      "Down",
                                      "Star",
                                      "Ink",
                                      "CircleBackground",
                                      "PartLeft",
                                      "PartRight",
                                      "PartUp",
                                      "PartDown"};
    for (const char* icon : {"Notebook", "Play",     "Store",   "Matchmaking",  "Challenges",  "CustomGame", "Loadout",
                             "Quit",     "Controls", "Leader",  "SinglePlayer", "Multiplayer", "GameType",   "Map",
                             "Theme",    "Teams",    "Weapons", "Attributes",   "Custom",      "None",       "Random"})
    {
        names.push_back(std::string(icon) + "Icon");
        names.push_back(std::string(icon) + "IconSketch");
    }
    for (const std::string& name : names)
        EXPECT_NE(atlas->GetRegion(NameTableA().Add(name)), nullptr) << name;
    graphics->Render();
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

// Each shader compiles for the OpenGL device, its program links with the inputs its material gives,
// and it reads exactly those inputs: an input the material lacks fails the layout, one the shader
// never reads is a sign the two have drifted apart.
TEST_F(AssetsOnDevices, EveryShaderCompilesAndReadsTheInputsItsMaterialDeclares)
{
    const std::map<std::string, DeclaredElements> declared = DeclaredInputs();
    for (const std::string& path : AssetFiles(".hlsl"))
    {
        SCOPED_TRACE(path);
        const auto entry = declared.find(path);
        ASSERT_NE(entry, declared.end()) << "no material declares the inputs of " << path;
        Material* material = graphics->CreateMaterial(NameTableC().Add("AssetsDeviceTests." + path));
        ASSERT_NE(material, nullptr);
        EXPECT_TRUE(files.Load(files.ResolvePath(path), *material, StringView(path), false).IsLoaded());
        material->vertexElements = entry->second.vertex;
        material->instanceElements = entry->second.instance;
        material->FinishChanges();

        auto [read, text] = File::ReadAllText(SourceRoot + "/" + path);
        ASSERT_TRUE(read);
        std::vector<uint32_t> spirv;
        std::string messages;
        ASSERT_TRUE(OpenGL::CompileHlsl(text, path, "vertex_main", OpenGL::ShaderStage::Vertex, false, spirv, messages))
            << messages;
        OpenGL::GlslShader shader;
        ASSERT_TRUE(
            OpenGL::TranslateToGlsl(spirv.data(), spirv.size(), OpenGL::ShaderStage::Vertex, false, shader, messages))
            << messages;
        std::set<std::string> inputs;
        for (const OpenGL::ShaderAttribute& attribute : shader.attributes)
            inputs.insert(attribute.semanticName + std::to_string(attribute.semanticIndex));
        std::set<std::string> elements;
        for (const auto* list : {&entry->second.vertex, &entry->second.instance})
            for (const VertexElement& element : *list)
                elements.insert(SemanticOf(element));
        EXPECT_EQ(inputs, elements);
    }
    graphics->Render();
    EXPECT_THAT(Described(log), testing::IsEmpty());
}

} // namespace
