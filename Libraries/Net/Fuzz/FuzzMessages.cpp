#include "Net/Fuzz/Harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return Net::Fuzz::ReadMessages(data, size);
}
