#pragma once
// Finding the program's helper processes (WebKit's web and network processes) by name.

#include <string>
#include <vector>

#include <sys/types.h>

namespace zarnic::test {

// Every process below root (children, grandchildren, ...) whose command name starts with prefix.
std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix);

// Every process below root.
std::vector<pid_t> descendants(pid_t root);

} // namespace zarnic::test
