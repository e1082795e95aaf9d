# The machine configuration store file, installed at exactly the path the program has built in
# (ZARNIC_REGISTRY_FILE): under /etc for the Debian package, under the prefix's etc/ otherwise.
# It is an absolute destination, so a staged install goes through DESTDIR.
# about/ generates the file (ZARNIC_STORE_FILE_GENERATED); until both are known there is no
# store file to install.
if(DEFINED ZARNIC_STORE_FILE_GENERATED AND DEFINED ZARNIC_REGISTRY_FILE)
    if(NOT IS_ABSOLUTE "${ZARNIC_REGISTRY_FILE}")
        message(FATAL_ERROR "ZARNIC_REGISTRY_FILE must be an absolute path: ${ZARNIC_REGISTRY_FILE}")
    endif()
    cmake_path(GET ZARNIC_REGISTRY_FILE PARENT_PATH zarnic_store_dir)
    cmake_path(GET ZARNIC_REGISTRY_FILE FILENAME zarnic_store_name)
    install(FILES ${ZARNIC_STORE_FILE_GENERATED} DESTINATION ${zarnic_store_dir}
            RENAME ${zarnic_store_name})
    # For the package: a file the system administrator may edit, kept across upgrades.
    set(ZARNIC_INSTALLED_STORE_FILE ${ZARNIC_REGISTRY_FILE})
endif()
