#include "processes.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace zarnic::test {

std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix) {
    // Each process's parent and name, from /proc/PID/stat: "pid (name) state ppid ...", where
    // the name may hold spaces and parentheses.
    std::multimap<pid_t, std::pair<pid_t, std::string>> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string line;
        if (!std::getline(std::ifstream(entry.path() / "stat"), line) ||
            line.rfind(')') == line.npos)
            continue;
        const size_t open = line.find('('), close = line.rfind(')');
        children.emplace(
            std::atoi(line.c_str() + close + 4),
            std::pair(std::atoi(line.c_str()), line.substr(open + 1, close - open - 1)));
    }
    std::vector<pid_t> found, frontier{root};
    while (!frontier.empty()) {
        const pid_t parent = frontier.back();
        frontier.pop_back();
        for (auto [it, end] = children.equal_range(parent); it != end; ++it) {
            frontier.push_back(it->second.first);
            if (it->second.second.rfind(prefix, 0) == 0)
                found.push_back(it->second.first);
        }
    }
    return found;
}

} // namespace zarnic::test
