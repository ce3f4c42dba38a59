# Helpers shared by every target of the project.

# The warnings of our own code; Qt and the other imported targets come in as system headers. With
# VELLUMO_WERROR (a developer's switch, on in scripts/test.sh and so in CI) they are errors; off, a
# user's build with another compiler or a distribution's flags still completes.
function(vellumo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
        -Wno-unused-parameter -Wno-missing-field-initializers)
    if(VELLUMO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(VELLUMO_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# vellumo_add_library(<name> [SHARED] [SOURCES ...] [DEPS ...] [PRIVATE_DEPS ...])
# Makes vellumo::<name> from the listed sources, or from every .cpp of the calling folder when none
# are listed. Headers are included from the repository root ("http_server/basic_buffer.h"). DEPS are
# what the target's headers need too (public); PRIVATE_DEPS what only its sources use.
function(vellumo_add_library name)
    cmake_parse_arguments(ARG "SHARED" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    endif()
    if(ARG_SHARED)
        add_library(${name} SHARED ${ARG_SOURCES})
        set_target_properties(${name} PROPERTIES
            LIBRARY_OUTPUT_DIRECTORY ${VELLUMO_PROGRAM_DIR}
            CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
    else()
        add_library(${name} STATIC ${ARG_SOURCES})
    endif()
    add_library(vellumo::${name} ALIAS ${name})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    vellumo_warnings(${name})
endfunction()

# vellumo_add_program(<name> SOURCES ... DEPS ...): an executable of the program folder.
function(vellumo_add_program name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
    set_target_properties(${name} PROPERTIES
        RUNTIME_OUTPUT_DIRECTORY ${VELLUMO_PROGRAM_DIR}
        BUILD_RPATH "$ORIGIN" INSTALL_RPATH "$ORIGIN" AUTOMOC ON)
    vellumo_warnings(${name})
endfunction()

# vellumo_version_definitions(<target>): the program's own version, major.minor.revision, for the
# sources that show it (the options dialog) or compare it with a published one (the online update).
function(vellumo_version_definitions target)
    set(revision "${PROJECT_VERSION_PATCH}")
    if("${revision}" STREQUAL "")
        set(revision 0)
    endif()
    target_compile_definitions(${target} PRIVATE
        VELLUMO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR} VELLUMO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
        VELLUMO_VERSION_REVISION=${revision}
        VELLUMO_VERSION_TEXT="${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${revision}")
endfunction()

# The fuzz build instruments every library for coverage and memory errors; the drivers link libFuzzer.
if(VELLUMO_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
