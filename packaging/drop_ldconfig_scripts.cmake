# Run by cpack after it made the package: takes out the postinst and postrm scripts that CPack adds to
# every package with a shared library below /usr/lib, which only run ldconfig. The two control libraries
# are private to the program folder (/usr/lib/vellumo, not a folder of the linker's cache) and loaded
# by their path, and dpkg's own ldconfig trigger covers the linker's folders anyway: the package needs no
# maintainer script at all.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(NOT deb MATCHES "\\.deb$")
        continue()
    endif()
    set(tree "${deb}.tree")
    file(REMOVE_RECURSE "${tree}")
    execute_process(COMMAND dpkg-deb --raw-extract "${deb}" "${tree}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "drop_ldconfig_scripts: dpkg-deb --raw-extract ${deb}: ${result}")
    endif()
    foreach(script postinst postrm)
        if(EXISTS "${tree}/DEBIAN/${script}")
            file(READ "${tree}/DEBIAN/${script}" text)
            # Only CPack's own ldconfig script goes; a script with more in it would be a maintainer's.
            string(REGEX REPLACE "#![^\n]*\n|set -e\n|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then\n|[ \t]*ldconfig\n|fi\n|[ \t\n]" "" rest "${text}")
            if(NOT rest STREQUAL "")
                message(FATAL_ERROR "drop_ldconfig_scripts: ${script} does more than ldconfig:\n${text}")
            endif()
            file(REMOVE "${tree}/DEBIAN/${script}")
        endif()
    endforeach()
    execute_process(COMMAND dpkg-deb --root-owner-group --build "${tree}" "${deb}" OUTPUT_QUIET RESULT_VARIABLE result)
    file(REMOVE_RECURSE "${tree}")
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "drop_ldconfig_scripts: dpkg-deb --build ${deb}: ${result}")
    endif()
endforeach()
