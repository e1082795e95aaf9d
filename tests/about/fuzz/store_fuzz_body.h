#pragma once
// One run of the store reader over one input, shared by the fuzz target and the test that
// replays the fuzz corpus.

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarnic::fuzz {

struct Outcome {
    bool parsed = false; // the input was accepted as a store file
    std::string broken;  // the contract that was broken, or "" when every check held
};

// Parses the input as a store file, reads every value it holds into buffers of several sizes,
// then reads it again through the store calls on a file holding the input, and searches it for
// the system-information tool (with a launcher that only records the path).
Outcome ExerciseStore(const std::uint8_t* data, std::size_t size);

} // namespace zarnic::fuzz
