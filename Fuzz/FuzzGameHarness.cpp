// The fuzz program of a harness kept among the game's tests: the build names its header and its
// function in LUMVEK_FUZZ_HEADER and LUMVEK_FUZZ_FUNCTION.
#include LUMVEK_FUZZ_HEADER

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return LUMVEK_FUZZ_FUNCTION(data, size);
}
