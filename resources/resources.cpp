#include "resources/resources.h"

#include "app/constants.h"

#include <gio/gio.h>

extern "C" void zarnic_register_resource(void);

namespace zarnic::resources {

void ensure_registered() {
    static bool done = [] {
        zarnic_register_resource();
        return true;
    }();
    (void)done;
}

std::string path(const std::string& name) {
    ensure_registered();
    return std::string(kResourcePrefix) + name;
}

} // namespace zarnic::resources
