# CPack pre-build script: strips every ELF file of the staging tree as dh_strip would
# (executables and shared objects alike keep their dynamic symbols).
file(GLOB_RECURSE candidates LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS candidates)
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        execute_process(
            COMMAND "${CPACK_DEBIAN_STRIP}" --remove-section=.comment --remove-section=.note
                    --strip-unneeded "${file}"
            RESULT_VARIABLE result)
        if(NOT result EQUAL 0)
            message(FATAL_ERROR "cannot strip ${file}")
        endif()
    endif()
endforeach()
