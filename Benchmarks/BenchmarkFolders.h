#pragma once

// Where the benchmark programs find the checkout's Assets, and the scratch copies they play in: a
// benchmark never writes into the checkout.

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>

namespace Benchmarks
{

// The checkout's root: the programs run from a build folder inside it.
inline std::string CheckoutFolder()
{
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const size_t build = program.find("/build/");
    return build == std::string::npos ? std::filesystem::path(program).parent_path().string()
                                      : program.substr(0, build);
}

// A copy of the checkout's Assets folder under a folder of its own, named after the benchmark and
// the process, so that journals and saves land outside the checkout. Removed with the object.
class ScratchAssets
{
public:
    explicit ScratchAssets(const std::string& name)
        : root(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(root);
        std::filesystem::create_directories(root);
        std::filesystem::copy(std::filesystem::path(CheckoutFolder()) / "Assets", root / "Assets",
                              std::filesystem::copy_options::recursive);
    }
    ~ScratchAssets()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
    ScratchAssets(const ScratchAssets&) = delete;
    ScratchAssets& operator=(const ScratchAssets&) = delete;

    // Replaces a file of the copy, the path taken from the scratch folder's root.
    void Write(const std::string& relative, const std::string& text) const
    {
        std::ofstream(root / relative, std::ios::binary | std::ios::trunc) << text;
    }

    const std::filesystem::path root;
};

} // namespace Benchmarks
