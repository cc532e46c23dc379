#include "Source/Game/Loader.h"

#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Ui/UiResources.h"

#include "Engine/Foundation/Log.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Pattern.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Runtime/Core/Application.h"
#include "Engine/Runtime/Graphics/GraphicsDevice.h"
#include "Source/Data/CharacterData.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/GameTypeData.h"
#include "Source/Data/MapData.h"
#include "Source/Game/Rendering/GameRenderer.h"
#include "Source/Game/Vantorel.h"
#include "Source/Tools/Tools.h"
#include "Source/World/MapCheck.h"
#include "Source/World/MapFile.h"
#include "Source/World/MapNames.h"

using namespace Lumvek;

namespace Loader
{

LoaderThread::~LoaderThread()
{
    Wait();
}

void LoaderThread::Start(std::function<void()> work)
{
    Wait();
    thread = std::thread(std::move(work));
}

void LoaderThread::Wait()
{
    if (thread.joinable())
        thread.join();
}

void LoadStartup(Vantorel_& game)
{
    game.loaderThread.Start(
        [&game]
        {
            game.registryOwner->LoadAll();
            // The ticks pose the characters and read their poses, so every game loads their animations
            // here, before any world steps: a loader that filled them later would change the tables a
            // running match's ticks read (a client that joins a running match steps while its images load).
            for (const auto& character : game.registryOwner->characters.GetItems())
                character->LoadAnimations();
            game.load.SetProgress(33);
            // Profiles name the parts of their loadouts by the definitions just loaded. A headless client
            // plays with the first profile's loadout and bindings too.
            Lumvek::Application& application = *game.GetApplication();
            if (!game.IsHeadless() || game.options.client)
                Profile::LoadAll(game.profiles, application.GetFileManager().applicationRoot, *game.registryOwner);
            if (!game.IsHeadless())
                if (Lumvek::GraphicsDevice* device = application.GetGraphicsDevice(); device && game.ui.gui)
                    UiResources::Load(*device);
            game.load.SetProgress(66);
            if (game.tools)
                game.tools->Load(&game);
            game.load.SetState(LoadState::StartupLoaded);
        });
}

void LoadMatch(Vantorel_& game)
{
    game.loaderThread.Start(
        [&game]
        {
            game.load.SetProgress(25);
            // The entity names the map gives are kept by the tools, whose map editor writes them back.
            MapNames names;
            LoadMapData(*game.worldOwner, names);
            // What the map lacks for the configuration's mode and teams, kept for the match's start and the
            // tools' Map panel.
            {
                const GameContext& context = game.worldOwner->GetContext();
                const DataRegistry* registry = context.registry;
                const MapData* map = registry ? registry->maps.Get(context.configuration.map) : nullptr;
                const GameTypeData* mode = registry ? registry->gameTypes.Get(context.configuration.gameType) : nullptr;
                const std::string file =
                    map ? FormatText("Assets/Maps/{}/Data.json", map->name) : std::string("the map");
                game.mapCheck = CheckMap(*game.worldOwner, file, mode ? StringView(mode->name) : StringView());
                for (const std::string& line : game.mapCheck.lines)
                    Log::Write("{}", line);
            }
            if (game.tools)
            {
                game.tools->mapNames = std::move(names);
                NameUnsavedCopy(*game.worldOwner);
                game.tools->mapCheck = game.mapCheck;
            }
            game.load.SetProgress(50);
            if (GameRenderer* renderer = game.GetRenderer())
                if (Lumvek::GraphicsDevice* device = game.GetApplication()->GetGraphicsDevice())
                    renderer->Load(*device, &game.iconAtlas);
            game.load.SetProgress(75);
            game.load.SetProgress(100);
            game.load.SetState(LoadState::MatchLoaded);
        });
}

void LoadRenderResources(Vantorel_& game)
{
    game.loaderThread.Start(
        [&game]
        {
            if (GameRenderer* renderer = game.GetRenderer())
                if (Lumvek::GraphicsDevice* device = game.GetApplication()->GetGraphicsDevice())
                    renderer->LoadPlayerTextures(*device, &game.iconAtlas);
            game.load.SetProgress(50);
            game.load.SetProgress(80);
            game.load.SetState(LoadState::RenderResourcesLoaded);
        });
}

StreamingAtlasInfo::StreamingAtlasInfo(StringView textureName, StringView regionName)
    : texture(NameTableC().Add(textureName)), region(NameTableA().Add(regionName))
{
}

StreamingAtlasInfo::~StreamingAtlasInfo()
{
    if (worker.joinable())
        worker.join();
}

uint32_t StreamingAtlasInfo::GetPendingCount() const
{
    std::lock_guard lock(mutex);
    return static_cast<uint32_t>(pending.size());
}

TextureStreamRegion* StreamingAtlasInfo::FindStreamRegion(GraphicsDevice* device, Texture*& atlas) const
{
    atlas = device ? device->GetTexture(texture) : nullptr;
    return atlas ? atlas->FindRegion<TextureStreamRegion>(region) : nullptr;
}

void StreamingAtlasInfo::RequestTextureRegion(GraphicsDevice* device, uint32_t cell, StringView image)
{
    std::lock_guard lock(mutex);
    Texture* atlas = nullptr;
    TextureStreamRegion* stream = FindStreamRegion(device, atlas);
    if (!stream)
        return;
    if (stream->HoldsFrame(cell))
    {
        stream->MoveToHead(stream->FindFrame(cell)->cell);
        return;
    }
    if (GetState() != Idle)
    {
        pending.push_back({cell, image.ToString()});
        return;
    }
    if (std::this_thread::get_id() != owner.load(std::memory_order_relaxed))
    {
        // Busy from now on, like a load started at once: no loader starts and later requests queue.
        handedOver = {cell, image.ToString()};
        state.store(HandedOver, std::memory_order_release);
        return;
    }
    StartStreamingLoad(*device, *atlas, *stream, cell, image.ToString());
}

void StreamingAtlasInfo::StartStreamingLoad(GraphicsDevice& device, Texture& atlas, TextureStreamRegion& stream,
                                            uint32_t cell, const std::string& image)
{
    {
        // The device uploads an unlocked texture whose version moved, reading both under its mutex:
        // taking the cell must not raise the version of a texture the image thread is about to fill.
        auto deviceLock = device.Lock();
        const uint8_t wasLocked = atlas.locked;
        atlas.locked = 1;
        // A request that waited may find its image loaded by an earlier one of the same id.
        bool added = false;
        if (!stream.UseFrame(cell, added) || !added)
        {
            atlas.locked = wasLocked;
            return;
        }
    }
    TextureRegion* target = atlas.GetRegion(cell);
    if (target)
        target->filling.store(1, std::memory_order_release);
    state.store(Loading, std::memory_order_release);
    // The previous image's thread has set Loaded, its last act, before the atlas could become idle.
    if (worker.joinable())
        worker.join();
    worker = std::thread(
        [this, target, image]
        {
            if (target)
            {
                target->Load(image);
                target->filling.store(0, std::memory_order_release);
            }
            state.store(Loaded, std::memory_order_release);
        });
}

void StreamingAtlasInfo::ServeStreamingAtlas(GraphicsDevice* device, bool mayStartQueued)
{
    std::lock_guard lock(mutex);
    switch (GetState())
    {
    case Loaded:
    {
        Texture* atlas = nullptr;
        FindStreamRegion(device, atlas);
        if (atlas)
        {
            auto deviceLock = device->Lock();
            atlas->FinishChanges();
        }
        state.store(Idle, std::memory_order_release);
        break;
    }
    case HandedOver:
    {
        // Idle again when the image turns out to be loaded already; a started load sets Loading.
        state.store(Idle, std::memory_order_release);
        Texture* atlas = nullptr;
        if (TextureStreamRegion* stream = FindStreamRegion(device, atlas))
            StartStreamingLoad(*device, *atlas, *stream, handedOver.cell, handedOver.image);
        break;
    }
    case Idle:
    {
        if (pending.empty() || !mayStartQueued)
            break;
        Texture* atlas = nullptr;
        TextureStreamRegion* stream = FindStreamRegion(device, atlas);
        if (!stream)
            break;
        const Request request = std::move(pending.front());
        pending.pop_front();
        StartStreamingLoad(*device, *atlas, *stream, request.cell, request.image);
        break;
    }
    default:
        break;
    }
}

} // namespace Loader
