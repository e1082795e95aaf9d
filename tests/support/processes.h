#pragma once
// Finding the engine's helper processes (its web and network processes) below a process.

#include <string>
#include <vector>

#include <sys/types.h>

namespace zarnic::test {

// Every process below root (children, grandchildren, ...) whose command name starts with prefix.
std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix);

} // namespace zarnic::test
