#pragma once
// A program's windows as a screen reader meets them: read through AT-SPI (libatspi) from a
// private D-Bus session bus, on which at-spi2-core starts the accessibility bus when asked.

#include <string>
#include <sys/types.h>
#include <vector>

typedef struct _GTestDBus GTestDBus;

namespace zarnic::test {

// One object of a window's accessible tree, the window itself first.
struct accessible {
    std::string role, name, description, text; // text: what its text interface holds
};
using accessible_window = std::vector<accessible>; // depth-first, in the order read

// A session bus of the test's own for the life of the object, the accessibility bus behind it.
class accessibility_bus {
public:
    accessibility_bus();
    ~accessibility_bus();
    accessibility_bus(const accessibility_bus&) = delete;
    accessibility_bus& operator=(const accessibility_bus&) = delete;

    // What a program needs to find this bus and expose its tree there.
    std::vector<std::string> environment() const;

    // The application's name, "" until the process has joined the bus.
    std::string application_name(pid_t pid) const;
    // The process's top-level windows, each read whole; none until it has joined the bus.
    std::vector<accessible_window> windows(pid_t pid) const;

private:
    GTestDBus* bus_;
};

} // namespace zarnic::test
