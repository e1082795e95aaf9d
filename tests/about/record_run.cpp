// Stands in for the system-information tool in tests: appends one line saying how it was started
// ("<argv[0]>|<number of arguments>|<uid>") to the file named by ZARNIC_RECORD_FILE, and exits.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    const char* record = std::getenv("ZARNIC_RECORD_FILE");
    if (!record)
        return 2;
    std::string line = std::string(argv[0]) + "|" + std::to_string(argc - 1) + "|" +
                       std::to_string(getuid()) + "\n";
    int fd = open(record, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0)
        return 1;
    // One write, so a reader never sees half a line.
    bool ok = write(fd, line.data(), line.size()) == ssize_t(line.size());
    close(fd);
    return ok ? 0 : 1;
}
