// libFuzzer's entry: every input is one host session with the real module, loaded with dlopen.
#include <dlfcn.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "FuzzedHostSession.h"

// Each session's host loads and unloads the module. One extra reference keeps it mapped between
// sessions, since the fuzzer's coverage counters for the module live in its image.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (dlopen(SG_FUZZ_MODULE, RTLD_NOW) == nullptr) {
        std::fprintf(stderr, "cannot load %s: %s\n", SG_FUZZ_MODULE, dlerror());
        return 1;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    sgfuzz::PlayHostSession(SG_FUZZ_MODULE, data, size);
    return 0;
}
