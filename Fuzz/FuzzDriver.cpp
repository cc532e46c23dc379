// The main of the fuzz programs in a build without clang's libFuzzer, such as the test build: it
// feeds each file named on the command line to the program's entry point, and an empty input when
// there is none, as libFuzzer does first. The test build links every fuzz program with it, so a
// harness that no longer builds against the libraries fails that build, without a second whole
// build of the project on clang.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    // libFuzzer hands an empty input over as a pointer to no bytes, never as a null one.
    static const uint8_t none = 0;
    if (argc < 2)
        return LLVMFuzzerTestOneInput(&none, 0);
    for (int i = 1; i < argc; ++i)
    {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file)
        {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
        const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        LLVMFuzzerTestOneInput(input.empty() ? &none : input.data(), input.size());
    }
    return 0;
}
