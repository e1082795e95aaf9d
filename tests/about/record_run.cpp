// Stands in for the system-information tool in tests: writes one line "<argv[0]>|<number of
// arguments>" to the pipe named by ZARNIC_RECORD_FILE, and exits. O_NONBLOCK: with no reader
// on the pipe it fails at once rather than waiting.
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    std::string line = std::string(argv[0]) + "|" + std::to_string(argc - 1) + "\n";
    int fd = open(std::getenv("ZARNIC_RECORD_FILE"), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    // One write, so the reader never sees half a line.
    return fd >= 0 && write(fd, line.data(), line.size()) == ssize_t(line.size()) ? 0 : 1;
}
