// Opens the tool's first key over a store file with read and write rights (0x2003F), then
// searches the store for the tool, as the user that starts it, and prints
// "full=<status> sysinfo=started|unavailable". Tests start it as an unprivileged user, for whom
// file modes really apply.
#include "about/machine_store.h"
#include "about/sys_info.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace zarnic;
    machine_store store(argc == 2 ? argv[1] : "");
    HKEY key = 0;
    std::printf("full=%d ", int(store.RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                                    "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", 0,
                                                    0x2003F, &key)));
    store.RegCloseKey(key);
    bool unavailable = false;
    StartSysInfo(store, launch_program, [&](const std::string&) { unavailable = true; });
    std::printf("sysinfo=%s\n", unavailable ? "unavailable" : "started");
}
