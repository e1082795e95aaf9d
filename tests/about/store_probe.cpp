// Runs the store calls and the search for the tool over a store file as the user that starts it,
// and prints what they answered:
//   read=<status of opening the first key with read rights>
//   full=<status of opening it with read and write rights (0x2003F)>
//   sysinfo=started|unavailable
// The tests start it as an unprivileged user, for whom file modes really apply.
#include "about/machine_store.h"
#include "about/store_keys.h"
#include "about/sys_info.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace zarnic;
    if (argc != 2)
        return 2;
    machine_store store(argv[1]);
    auto try_open = [&](REGSAM rights) {
        HKEY key = 0;
        LSTATUS status =
            store.RegOpenKeyExA(sys_info_root, std::string(sys_info_key).c_str(), 0, rights, &key);
        if (status == ERROR_SUCCESS)
            store.RegCloseKey(key);
        return status;
    };
    std::printf("read=%d\n", int(try_open(KEY_READ)));
    std::printf("full=%d\n", int(try_open(0x2003F)));
    bool unavailable = false;
    StartSysInfo(store, launch_program, [&](const std::string&) { unavailable = true; });
    std::printf("sysinfo=%s\n", unavailable ? "unavailable" : "started");
    return 0;
}
