// libFuzzer target for the store file reader (about/store_text.cpp, about/machine_store.cpp)
// and the search for the system-information tool on top of it. It launches nothing.
//
// Build it in a build folder of its own, with clang (Debian packages clang and
// libclang-rt-14-dev, which hold libFuzzer):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
//       -DZARNIC_FUZZ=ON
//   cmake --build build-fuzz --target store_fuzzer -j2
// Run it on a scratch copy of the corpus (new inputs land in the first folder), one core:
//   mkdir -p /tmp/store-corpus && cp tests/about/fuzz/corpus/* /tmp/store-corpus/
//   build-fuzz/tests/about/store_fuzzer /tmp/store-corpus -max_len=4096 -max_total_time=600
// Fold what it found back into the small committed corpus:
//   mkdir /tmp/store-min && build-fuzz/tests/about/store_fuzzer -merge=1 /tmp/store-min \
//       /tmp/store-corpus
// The suite replays the committed corpus against the normally built reader (store_test).
#include "store_fuzz_body.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    std::string broken = zarnic::fuzz::exercise_store({reinterpret_cast<const char*>(data), size});
    if (!broken.empty()) {
        std::fprintf(stderr, "store rule broken: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
