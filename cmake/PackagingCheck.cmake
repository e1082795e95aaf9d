# Read by cpack before it builds the package: the program has its paths built in, so a package
# can only come from a build folder configured for /usr (scripts/build-package.sh makes one).
if(NOT CPACK_ZARNIC_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "This build folder is configured for the prefix "
                        "'${CPACK_ZARNIC_INSTALL_PREFIX}'; build the package with `make package`.")
endif()
