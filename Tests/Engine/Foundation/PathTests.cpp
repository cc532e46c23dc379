#include "Engine/Foundation/Path.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Lumvek;

namespace
{

struct Case
{
    std::string path, part, expected;
};

} // namespace

TEST(Path, AppendCleansAndResolvesPieceByPiece)
{
    for (const Case& c :
         std::vector<Case>{{"", "x", "x"}, {"a", "b\\c\\", "a/b/c"}, {"a", "", "a/"}, {"a", "/b", "a//b"}})
        EXPECT_EQ(Path::AppendCopy(c.path, c.part), c.expected) << c.path << " + " << c.part;

    for (const Case& c : std::vector<Case>{
             {"Assets", "Maps/../Themes/./Sky", "Assets/Themes/Sky"},
             {"Assets", "..", ""},
             {"a", "/b", "a//b"},
             // A climb past the start of a relative path is kept; an absolute path stops at its root.
             {"", "../x", "../x"},
             {"a/b", "../../../x", "../x"},
             {".", "..", ".."},
             {"/a", "..", "/"},
             {"/a", "../../b", "/b"},
         })
        EXPECT_EQ(Path::Append(c.path, c.part), c.expected) << c.path << " + " << c.part;
}

TEST(Path, ComponentsAreFoundFromTheEnd)
{
    auto removed = [](std::string path)
    {
        Path::RemoveFileName(path);
        return path;
    };
    // Each case: the path, then what Clean, RemoveFileName, GetDirectory, GetLastComponent, GetFileName
    // and GetExtension give.
    std::vector<std::vector<std::string>> cases{
        {"a\\b\\", "a/b", "", "", "a\\b\\", "a\\b\\", ""},
        {"///", "", "//", "", "", "///", ""},
        {"a/b/c.png", "a/b/c.png", "a/b", "a/b", "c.png", "c", "png"},
        {"file.png", "file.png", "", "", "file.png", "file.png", "png"},
        {"a/b", "a/b", "a", "a", "b", "a/b", ""},
        {"a/b.tar.gz", "a/b.tar.gz", "a", "a", "b.tar.gz", "b.tar", "gz"},
        // A dot in a folder name: the file's name is its whole last component.
        {"x/a.b/c", "x/a.b/c", "x/a.b", "x/a.b", "c", "c", "b/c"},
        {"a/b//c", "a/b//c", "a/b/", "a/b", "c", "a/b//c", ""},
    };
    for (const std::vector<std::string>& c : cases)
    {
        const std::string& path = c[0];
        EXPECT_EQ(
            (std::vector<std::string>{Path::Clean(path), removed(path), Path::GetDirectory(path),
                                      Path::GetLastComponent(path), Path::GetFileName(path), Path::GetExtension(path)}),
            std::vector<std::string>(c.begin() + 1, c.end()))
            << path;
    }
}

TEST(Path, MakeRelativeLeadsFromTheFolderToThePath)
{
    for (const Case& c : std::vector<Case>{
             {"Assets/Characters/Bob", "Assets/Characters/Ann/Walk.lon", "../Ann/Walk.lon"},
             {"a\\b/", "a/c", "../c"},
             {"", "x/y", "x/y"},
             {"x/y", "", "../.."},
             {"a/b/c", "a/b", ".."},
             {"a/b", "a/b", "."},
         })
    {
        std::string relative = Path::MakeRelative(c.path, c.part);
        EXPECT_EQ(relative, c.expected) << c.path << " -> " << c.part;
        EXPECT_EQ(Path::Append(Path::Clean(c.path), relative), Path::Clean(c.part)) << c.path << " -> " << c.part;
    }
}
