#include "processes.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace zarnic::test {
namespace {

struct Proc {
    pid_t parent;
    std::string name;
};

std::map<pid_t, Proc> all_processes() {
    std::map<pid_t, Proc> procs;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        // pid (comm) state ppid ...: comm may hold spaces and parentheses, so read around it.
        size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        Proc p;
        p.name = line.substr(open + 1, close - open - 1);
        char state = 0;
        int ppid = 0;
        if (sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) != 2)
            continue;
        p.parent = ppid;
        procs[std::stoi(pid)] = p;
    }
    return procs;
}

} // namespace

std::vector<pid_t> descendants(pid_t root) {
    auto procs = all_processes();
    std::vector<pid_t> found;
    std::vector<pid_t> frontier{root};
    while (!frontier.empty()) {
        pid_t parent = frontier.back();
        frontier.pop_back();
        for (const auto& [pid, proc] : procs) {
            if (proc.parent == parent) {
                found.push_back(pid);
                frontier.push_back(pid);
            }
        }
    }
    return found;
}

std::vector<pid_t> descendants_named(pid_t root, const std::string& prefix) {
    auto procs = all_processes();
    std::vector<pid_t> named;
    for (pid_t pid : descendants(root))
        if (procs.count(pid) && procs[pid].name.rfind(prefix, 0) == 0)
            named.push_back(pid);
    return named;
}

} // namespace zarnic::test
