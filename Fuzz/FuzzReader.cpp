// One fuzz program per reader: the build names the reader in LUMVEK_FUZZ_READER.
#include "Fuzz/Readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const Lumvek::Fuzz::Reader* reader = Lumvek::Fuzz::FindReader(LUMVEK_FUZZ_READER);
    if (!reader)
        __builtin_trap();
    return reader->read(data, size);
}
