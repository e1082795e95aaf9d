#pragma once
// One run of the store reader over one input, shared by the fuzz target and the test that
// replays the fuzz corpus.

#include <string>
#include <string_view>

namespace zarnic::fuzz {

// Parses the input as a store file, copies every value into a buffer of exactly its size (so
// a write past it is caught by the address sanitizer), then reads the input through a store
// file and searches it for the tool (launching nothing). Returns the broken rule, or "".
std::string exercise_store(std::string_view input);

} // namespace zarnic::fuzz
