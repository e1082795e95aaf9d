// Where the About box reads the machine configuration store. The program is built with this file
// on its own, so that the tests can build the same program again reading a store of their own:
// only this file is compiled again, with ZARNIC_STORE_FILE set.
#include "app/application.h"
#include "resources/constants.h"

namespace zarnic {

std::string_view store_location() {
#ifdef ZARNIC_STORE_FILE
    return ZARNIC_STORE_FILE;
#else
    return machine_store_file;
#endif
}

} // namespace zarnic
