#include "processes.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace zarnic::test {

std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix) {
    // Each process's parent and name, from /proc/PID/stat: "pid (name) state ppid ...", where
    // the name may hold spaces and parentheses.
    std::map<pid_t, std::pair<pid_t, std::string>> processes;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::string line;
        std::getline(std::ifstream(entry.path() / "stat"), line);
        const size_t open = line.find('('), close = line.rfind(')');
        if (close != line.npos)
            processes[std::atoi(line.c_str())] = {std::atoi(line.c_str() + close + 4),
                                                  line.substr(open + 1, close - open - 1)};
    }
    // Those named so whose line of parents reaches root.
    std::vector<pid_t> found;
    for (auto& [pid, process] : processes) {
        pid_t up = process.first;
        while (up > 0 && up != root)
            up = processes.count(up) ? processes[up].first : 0;
        if (up == root && process.second.rfind(prefix, 0) == 0)
            found.push_back(pid);
    }
    return found;
}

} // namespace zarnic::test
