# Run by cpack once the files are in its staging folder: strips the executable the way Debian's
# dh_strip does, symbols and the compiler's .comment and .note sections.
file(GLOB_RECURSE zarnic_staged_programs
     "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*")
foreach(program IN LISTS zarnic_staged_programs)
    execute_process(
        COMMAND "${CPACK_ZARNIC_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "Could not strip ${program}")
    endif()
endforeach()
