#include "Fuzz/Readers.h"

#include "Engine/Foundation/Blueprint.h"
#include "Engine/Foundation/File.h"
#include "Engine/Foundation/FileManager.h"
#include "Engine/Foundation/Json.h"
#include "Engine/Foundation/Lon.h"
#include "Engine/Foundation/NameSet.h"
#include "Engine/Foundation/Texture.h"
#include "Engine/Foundation/TextureRegion.h"
#include "Engine/Foundation/Xml.h"
#include "Engine/Foundation/Zip.h"
#include "Engine/Runtime/Audio/Sound.h"
#include "Engine/Runtime/Core/RuntimeFormats.h"
#include "Engine/Runtime/Graphics/Geometry.h"
#include "Engine/Runtime/Particles/ParticleSystem.h"
#include "Source/Data/DataRegistry.h"
#include "Source/Data/Profile.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <zlib.h>

namespace Lumvek::Fuzz
{

namespace
{

// Larger inputs teach nothing more and only slow the run down.
constexpr size_t MaximumInput = 4 << 20;

void Require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

StringView View(const uint8_t* data, size_t size)
{
    return StringView(reinterpret_cast<const char*>(data), static_cast<uint32_t>(size));
}

// A folder of this process for the files the readers load from, removed at exit. The file manager
// over it owns every format; formats keep no state between calls. Used by the fuzzing thread only.
class Scratch
{
public:
    Scratch()
    {
        std::error_code error;
        root = (std::filesystem::temp_directory_path(error) / ("LumvekFuzz-" + std::to_string(::getpid()))).string();
        std::filesystem::create_directories(root + "/Assets", error);
        files = std::make_unique<FileManager>(root, root, root, root);
        files->RegisterFormats();
        RegisterRuntimeFormats(*files);
    }
    ~Scratch()
    {
        files.reset();
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }

    std::string root;
    std::unique_ptr<FileManager> files;
};

Scratch& TheScratch()
{
    static Scratch scratch;
    return scratch;
}

FileManager& Files()
{
    return *TheScratch().files;
}

// Loads the bytes as a file of that extension into content, through the format the engine uses.
template <class T> void LoadAs(StringView extension, StringView bytes, T& content)
{
    ContentFormat<T>* format = Files().FindFormat<T>(extension);
    Require(format != nullptr);
    format->Load("Fuzz." + extension.ToString(), bytes, content);
}

template <class T> HeaderFormat<T, TextureHeader>* TextureHeaderFormat(StringView extension)
{
    return dynamic_cast<HeaderFormat<T, TextureHeader>*>(Files().FindFormat<T>(extension));
}

// What a LON text saves to reads back and saves to the same text.
int ReadLon(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Blueprint tree;
    if (!LonFormat::LoadBlueprint(View(data, size), tree))
        return 0;
    const std::string saved = LonFormat::SaveBlueprint(tree);
    Blueprint again;
    Require(LonFormat::LoadBlueprint(saved, again));
    Require(LonFormat::SaveBlueprint(again) == saved);
    return 0;
}

// A document saved and loaded twice is the same tree both times: numbers keep their exact doubles.
// (The first save may drop what JSON cannot hold, such as integers beyond 32 bits.)
int ReadJson(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Blueprint tree;
    if (!JsonFormat::LoadBlueprint(View(data, size), tree))
        return 0;
    Blueprint second;
    Require(JsonFormat::LoadBlueprint(JsonFormat::SaveBlueprint(tree), second));
    const std::string saved = JsonFormat::SaveBlueprint(second);
    Blueprint third;
    Require(JsonFormat::LoadBlueprint(saved, third));
    Require(third == second);
    Require(JsonFormat::SaveBlueprint(third) == saved);
    return 0;
}

int ReadXml(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Blueprint tree;
    if (XmlFormat::LoadBlueprint(View(data, size), tree))
        XmlFormat::SaveBlueprint(tree);
    return 0;
}

// The same bytes as a whole image, with its header read first, and as a region of a texture.
int ReadPng(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    const StringView bytes = View(data, size);
    TextureHeaderFormat<Texture>("png")->ReadHeaderFromBytes("Fuzz.png", bytes);
    Texture image;
    LoadAs("png", bytes, image);
    Texture host;
    if (host.SetSize(64, 64, TextureFormat::ColorBuffer4x8))
        if (TextureRegion* region = host.AddRegion(0, 8, 8))
            LoadAs<TextureRegion>("png", bytes, *region);
    return 0;
}

template <const char* Extension> int ReadTexture(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Texture texture;
    LoadAs(std::string_view(Extension), View(data, size), texture);
    return 0;
}

constexpr char Lta[] = "lta";
constexpr char Ltd[] = "ltd";
constexpr char Sdf[] = "sdf";

int ReadWav(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Sound sound;
    LoadAs("wav", View(data, size), sound);
    return 0;
}

int ReadZip(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Archive archive;
    LoadAs("zip", View(data, size), archive);
    return 0;
}

// The first byte picks the geometry format, the rest is the file.
int ReadGeometry(const uint8_t* data, size_t size)
{
    if (size == 0 || size > MaximumInput)
        return 0;
    static const char* const extensions[] = {"lvb", "lix", "lcb"};
    Geometry geometry;
    LoadAs(std::string_view(extensions[data[0] % 3]), View(data + 1, size - 1), geometry);
    return 0;
}

int ReadEffect(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    Effects::EffectData effect;
    LoadAs("lte", View(data, size), effect);
    return 0;
}

// The game's content folder in the scratch folder: every collection's list file, naming nothing
// until an input is written as the one item of one collection.
class DefinitionsFolder
{
public:
    DefinitionsFolder()
    {
        DataRegistry registry(Files());
        for (const DataCollectionBase* collection : registry.GetCollections())
            folders.push_back(collection->GetFolder());
        for (size_t i = 0; i < folders.size(); ++i)
            WriteList(i, "[]");
    }

    size_t Count() const { return folders.size(); }

    // Writes the input as the item "Fuzz" of collection i, in both forms an item can take (a folder
    // with a Data.json, or a .data file), and names it in the list.
    void WriteItem(size_t i, StringView bytes)
    {
        const std::string folder = Folder(i);
        File::WriteAllText(folder + "/Fuzz/Data.json", bytes);
        File::WriteAllText(folder + "/Fuzz.data", bytes);
        WriteList(i, "[\"Fuzz\"]");
    }
    void ClearItem(size_t i) { WriteList(i, "[]"); }

private:
    std::string Folder(size_t i) const { return TheScratch().root + "/Assets/" + folders[i]; }
    void WriteList(size_t i, StringView text)
    {
        const std::string& folder = folders[i];
        File::WriteAllText(Folder(i) + "/" + folder.substr(folder.rfind('/') + 1) + ".json", text);
    }

    std::vector<std::string> folders;
};

// The first byte picks the collection, the rest is the item's file, loaded as the game loads its
// content: the whole registry, every collection in order.
int ReadDefinitions(const uint8_t* data, size_t size)
{
    if (size == 0 || size > MaximumInput)
        return 0;
    static DefinitionsFolder folder;
    const size_t collection = data[0] % folder.Count();
    folder.WriteItem(collection, View(data + 1, size - 1));
    {
        DataRegistry registry(Files());
        registry.LoadAll();
    }
    folder.ClearItem(collection);
    return 0;
}

int ReadProfile(const uint8_t* data, size_t size)
{
    if (size > MaximumInput)
        return 0;
    static DataRegistry registry(Files());
    const std::string path = TheScratch().root + "/Assets/Fuzz.profile";
    File::WriteAllText(path, View(data, size));
    Profile profile;
    profile.Load(path, registry);
    return 0;
}

// Seeds

std::string ReadFile(const std::filesystem::path& path)
{
    auto [read, text] = File::ReadAllText(path.string());
    return read ? text : std::string();
}

// The files below Assets whose names end with one of the suffixes, in path order.
std::vector<std::filesystem::path> AssetFiles(const std::string& sourceRoot,
                                              std::initializer_list<const char*> suffixes)
{
    std::vector<std::filesystem::path> found;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(sourceRoot + "/Assets", error), end; !error && it != end;
         it.increment(error))
    {
        const std::string name = it->path().filename().string();
        for (const char* suffix : suffixes)
            if (it->is_regular_file(error) && name.ends_with(suffix))
                found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<std::string> AssetSeeds(const std::string& sourceRoot, std::initializer_list<const char*> suffixes)
{
    std::vector<std::string> seeds;
    for (const std::filesystem::path& path : AssetFiles(sourceRoot, suffixes))
        seeds.push_back(ReadFile(path));
    return seeds;
}

// The JSON documents of the Assets folder as trees, for the text formats to write out.
std::vector<Blueprint> AssetTrees(const std::string& sourceRoot)
{
    std::vector<Blueprint> trees;
    for (const std::string& text : AssetSeeds(sourceRoot, {".json", ".profile"}))
    {
        Blueprint tree;
        if (JsonFormat::LoadBlueprint(text, tree))
            trees.push_back(std::move(tree));
    }
    return trees;
}

std::vector<std::string> LonSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds = AssetSeeds(sourceRoot, {".ltd", ".lte"});
    for (const Blueprint& tree : AssetTrees(sourceRoot))
        seeds.push_back(LonFormat::SaveBlueprint(tree));
    return seeds;
}

std::vector<std::string> JsonSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".json", ".profile"});
}

std::vector<std::string> XmlSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds;
    for (const Blueprint& tree : AssetTrees(sourceRoot))
    {
        std::string text = XmlFormat::SaveBlueprint(tree);
        if (!text.empty())
            seeds.push_back(std::move(text));
    }
    return seeds;
}

std::vector<std::string> PngSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".png"});
}

// The smaller images of the Assets folder with a region table of two regions.
std::vector<std::string> LtaSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds;
    ContentFormat<Texture>* lta = Files().FindFormat<Texture>("lta");
    for (const std::string& png : PngSeeds(sourceRoot))
    {
        if (png.size() > 16 * 1024 || seeds.size() >= 8)
            continue;
        Texture texture;
        LoadAs("png", png, texture);
        if (texture.width < 2 || texture.height < 2)
            continue;
        if (TextureRegion* region = texture.AddRegion(NameTableA().Add("FuzzSeedLeft"), 0, 0))
            region->SetSize(texture.width / 2, texture.height);
        if (TextureRegion* region = texture.AddRegion(NameTableA().Add("FuzzSeedCorner"), 1, 1))
            region->SetSize(1, 1);
        const Buffer saved = lta->Save("Seed.lta", texture);
        seeds.emplace_back(saved.View().data, saved.View().length);
    }
    return seeds;
}

std::vector<std::string> LtdSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds = AssetSeeds(sourceRoot, {".ltd"});
    seeds.push_back("{ Type = \"Atlas\" Width = 32 Height = 32 Border = 1 Regions {\n"
                    "\tA { Width = 8 Height = 8 }\n"
                    "\tB { Type = \"CellCount\" Width = 8 Height = 4 FrameCount = 2 HorizontalCount = 2 "
                    "VerticalCount = 1 }\n"
                    "\tC { Type = \"NineSlice\" Width = 6 Height = 6 Inset = 2 }\n"
                    "\tD { Type = \"Atlas\" Width = 10 Height = 10 Regions { E { Width = 5 Height = 5 } } }\n"
                    "} }\n");
    seeds.push_back("{ Type = \"CellSize\" Width = 16 Height = 8 FrameCount = 3 CellWidth = 4 CellHeight = 4 }\n");
    seeds.push_back("{ Type = \"Streaming\" Width = 16 Height = 16 CellWidth = 4 CellHeight = 4 }\n");
    return seeds;
}

std::vector<std::string> SdfSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".sdf"});
}

std::vector<std::string> WavSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".wav"});
}

// Raw deflate, as zip entries of method 8 hold it.
std::string Deflate(const std::string& data)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void Put(std::string& out, uint32_t value, int width)
{
    for (int i = 0; i < width; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Archives of a few Assets files, as archivers write them (the engine saves no archives): local
// headers with the data, stored or deflated in turn, the central directory and the end record.
std::vector<std::string> ZipSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds;
    const std::vector<std::filesystem::path> files = AssetFiles(sourceRoot, {".json", ".ltd", ".lte"});
    for (size_t first = 0; first < files.size() && seeds.size() < 4; first += 7)
    {
        std::string archive;
        std::string directory;
        uint32_t count = 0;
        for (size_t i = first; i < std::min(files.size(), first + 3); ++i, ++count)
        {
            const std::string name = files[i].filename().string();
            const std::string data = ReadFile(files[i]);
            const bool deflated = count % 2 == 1;
            const std::string stored = deflated ? Deflate(data) : data;
            const uint32_t method = deflated ? 8 : 0;
            const uint32_t offset = static_cast<uint32_t>(archive.size());
            for (auto [value, width] : {std::pair<uint32_t, int>{0x04034b50, 4},
                                        {20, 2},
                                        {0, 2},
                                        {method, 2},
                                        {0, 4},
                                        {0, 4},
                                        {uint32_t(stored.size()), 4},
                                        {uint32_t(data.size()), 4},
                                        {uint32_t(name.size()), 2},
                                        {0, 2}})
                Put(archive, value, width);
            archive += name + stored;
            for (auto [value, width] : {std::pair<uint32_t, int>{0x02014b50, 4},
                                        {20, 2},
                                        {20, 2},
                                        {0, 2},
                                        {method, 2},
                                        {0, 4},
                                        {0, 4},
                                        {uint32_t(stored.size()), 4},
                                        {uint32_t(data.size()), 4},
                                        {uint32_t(name.size()), 2},
                                        {0, 2},
                                        {0, 2},
                                        {0, 2},
                                        {0, 2},
                                        {0, 4},
                                        {offset, 4}})
                Put(directory, value, width);
            directory += name;
        }
        const uint32_t directoryOffset = static_cast<uint32_t>(archive.size());
        archive += directory;
        for (auto [value, width] : {std::pair<uint32_t, int>{0x06054b50, 4},
                                    {0, 2},
                                    {0, 2},
                                    {count, 2},
                                    {count, 2},
                                    {uint32_t(directory.size()), 4},
                                    {directoryOffset, 4},
                                    {0, 2}})
            Put(archive, value, width);
        seeds.push_back(std::move(archive));
    }
    return seeds;
}

std::vector<std::string> GeometrySeeds(const std::string&)
{
    return {
        std::string(1, '\0') + "{ Type = \"Position2dTextureColor\" Topology = \"TriangleStrip\" Vertices [\n"
                               "\t{ X = 1.5 Y = -2.0 U = 0.25 V = 1.0 Color = \"#10203040\" }\n"
                               "\t{ X = 3.0 Y = 4.0 V = 0.5 Color = \"Red\" }\n"
                               "\t{ X = 5.0 Y = 6.0 U = 0.0 V = 0.0 }\n] }\n",
        std::string(1, '\1') + "{ Type = \"Small\" Indices [ 0 1 2 2 1 3 ] }\n",
        std::string(1, '\1') + "{ Type = \"Big\" Indices [ 70000 4294967295 0 ] }\n",
        std::string(1, '\2') + "{}\n",
    };
}

std::vector<std::string> EffectSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".lte"});
}

// Each definition and configuration of the Assets folder behind the number of its collection.
std::vector<std::string> DefinitionSeeds(const std::string& sourceRoot)
{
    std::vector<std::string> seeds;
    FileManager files(sourceRoot, sourceRoot, sourceRoot, sourceRoot);
    DataRegistry registry(files);
    const std::vector<DataCollectionBase*>& collections = registry.GetCollections();
    for (size_t i = 0; i < collections.size(); ++i)
    {
        for (bool itemFolders : {true, false})
        {
            for (const std::string& path : DataRegistry::ListFiles(files, collections[i]->GetFolder(), itemFolders))
            {
                std::error_code error;
                if (!std::filesystem::is_regular_file(path, error))
                    continue;
                // Appended rather than added with +, which g++ 12's release build misreads as an
                // overlapping copy.
                std::string seed(1, char(i));
                seed += ReadFile(path);
                seeds.push_back(std::move(seed));
            }
        }
    }
    return seeds;
}

std::vector<std::string> ProfileSeeds(const std::string& sourceRoot)
{
    return AssetSeeds(sourceRoot, {".profile"});
}

} // namespace

const std::vector<Reader>& Readers()
{
    static const std::vector<Reader> readers = {
        {"lon", ReadLon, LonSeeds},
        {"json", ReadJson, JsonSeeds},
        {"xml", ReadXml, XmlSeeds},
        {"png", ReadPng, PngSeeds},
        {"lta", ReadTexture<Lta>, LtaSeeds},
        {"ltd", ReadTexture<Ltd>, LtdSeeds},
        {"sdf", ReadTexture<Sdf>, SdfSeeds},
        {"wav", ReadWav, WavSeeds},
        {"zip", ReadZip, ZipSeeds},
        {"geometry", ReadGeometry, GeometrySeeds},
        {"lte", ReadEffect, EffectSeeds},
        {"definitions", ReadDefinitions, DefinitionSeeds},
        {"profile", ReadProfile, ProfileSeeds},
    };
    return readers;
}

const Reader* FindReader(std::string_view name)
{
    for (const Reader& reader : Readers())
        if (name == reader.name)
            return &reader;
    return nullptr;
}

} // namespace Lumvek::Fuzz
