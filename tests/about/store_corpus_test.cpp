// Replays the fuzz corpus (tests/about/fuzz/corpus) against the reader as normally built: every
// input must be answered within the store's contract.
#include "fuzz/store_fuzz_body.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zarnic {
namespace {

TEST(StoreCorpus, EveryInputIsAnsweredWithinTheContract) {
    std::size_t inputs = 0, parsed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARNIC_STORE_CORPUS)) {
        std::string data = test_files::read_file(entry.path());
        fuzz::Outcome outcome =
            fuzz::ExerciseStore(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
        EXPECT_EQ(outcome.broken, "") << entry.path();
        ++inputs;
        parsed += outcome.parsed;
    }
    // A corpus that exercises both sides of the reader.
    EXPECT_GE(inputs, 10u);
    EXPECT_GT(parsed, 0u);
    EXPECT_LT(parsed, inputs);
}

} // namespace
} // namespace zarnic
