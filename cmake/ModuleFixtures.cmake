# Small real DLLs and EXEs for the tests, their version resources compiled by
# MinGW's windres and linked by MinGW's gcc, 32- and 64-bit. The tools are
# called directly, not as the project's compiler, so that the native build
# makes the very same modules as the Windows cross build.
#
# Defines the target modaris_module_fixtures and the variable
# MODARIS_MODULE_FIXTURE_DIR, where the modules end up. The expected contents
# of each module are listed in tests/fixtures/module_fixtures.h.

# Only the tests need them; the program alone builds without MinGW for x86_64.
if(NOT MODARIS_BUILD_TESTS)
    return()
endif()

set(MODARIS_MODULE_FIXTURE_DIR ${CMAKE_BINARY_DIR}/fixtures/modules)
set(MODARIS_MODULE_FIXTURE_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../tests/fixtures/modules)
set(MODARIS_MODULE_FIXTURE_OBJECT_DIR ${CMAKE_BINARY_DIR}/fixtures/objects)
file(MAKE_DIRECTORY ${MODARIS_MODULE_FIXTURE_DIR} ${MODARIS_MODULE_FIXTURE_OBJECT_DIR})

# Host tools even in the cross build, whatever its find root path says.
function(modaris_find_mingw_tool variable program)
    find_program(${variable} ${program} NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ${variable})
        message(FATAL_ERROR
            "${program} not found. The test module fixtures are built with MinGW-w64 "
            "for both i686 and x86_64 (Debian packages gcc-mingw-w64-i686, "
            "gcc-mingw-w64-x86-64, binutils-mingw-w64-i686, binutils-mingw-w64-x86-64; "
            "scripts/setup.sh installs them). Or configure with -DMODARIS_BUILD_TESTS=OFF.")
    endif()
endfunction()

# The file name suffix x86/x64 names the architecture.
modaris_find_mingw_tool(MODARIS_MINGW_x86_GCC i686-w64-mingw32-gcc)
modaris_find_mingw_tool(MODARIS_MINGW_x86_WINDRES i686-w64-mingw32-windres)
modaris_find_mingw_tool(MODARIS_MINGW_x64_GCC x86_64-w64-mingw32-gcc)
modaris_find_mingw_tool(MODARIS_MINGW_x64_WINDRES x86_64-w64-mingw32-windres)

set(MODARIS_MODULE_FIXTURE_FILES "")

# The code of every fixture: one entry point per architecture and module type,
# compiled once.
foreach(arch IN ITEMS x86 x64)
    foreach(type IN ITEMS dll exe)
        set(object ${MODARIS_MODULE_FIXTURE_OBJECT_DIR}/${type}_entry_${arch}.o)
        add_custom_command(
            OUTPUT ${object}
            COMMAND ${MODARIS_MINGW_${arch}_GCC} -Os -c
                    ${MODARIS_MODULE_FIXTURE_SOURCE_DIR}/${type}_entry.c -o ${object}
            DEPENDS ${MODARIS_MODULE_FIXTURE_SOURCE_DIR}/${type}_entry.c
            VERBATIM)
    endforeach()
endforeach()

# Builds <kind>_<arch>.<type> for each of TYPES (dll, exe) and both
# architectures, with the version resource from <kind>.rc, or with no
# resources at all for NO_RESOURCES.
function(modaris_add_module_fixture kind)
    cmake_parse_arguments(PARSE_ARGV 1 fixture "NO_RESOURCES" "" "TYPES")
    set(rc ${MODARIS_MODULE_FIXTURE_SOURCE_DIR}/${kind}.rc)
    if(NOT fixture_NO_RESOURCES AND NOT EXISTS ${rc})
        message(FATAL_ERROR "Module fixture ${kind}: ${rc} is missing")
    endif()

    set(files ${MODARIS_MODULE_FIXTURE_FILES})
    foreach(arch IN ITEMS x86 x64)
        set(gcc ${MODARIS_MINGW_${arch}_GCC})
        foreach(type IN LISTS fixture_TYPES)
            set(objects ${MODARIS_MODULE_FIXTURE_OBJECT_DIR}/${type}_entry_${arch}.o)
            if(NOT fixture_NO_RESOURCES)
                set(resources ${MODARIS_MODULE_FIXTURE_OBJECT_DIR}/${kind}_${arch}_${type}.res.o)
                set(define_exe "")
                if(type STREQUAL "exe")
                    set(define_exe -DFIXTURE_IS_EXE)
                endif()
                # windres preprocesses with gcc; name the one of the same
                # architecture, so it finds that MinGW's winver.h.
                add_custom_command(
                    OUTPUT ${resources}
                    COMMAND ${MODARIS_MINGW_${arch}_WINDRES}
                            --preprocessor=${gcc} --preprocessor-arg=-E
                            --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED
                            ${define_exe} -O coff -i ${rc} -o ${resources}
                    DEPENDS ${rc} ${MODARIS_MODULE_FIXTURE_SOURCE_DIR}/fixed_file_info.rh
                    VERBATIM)
                list(APPEND objects ${resources})
            endif()

            set(shared "")
            if(type STREQUAL "dll")
                set(shared -shared)
            endif()
            # No C runtime and no symbols keep a module at a few KB. No time
            # stamp, and a fixed image base rather than one hashed from the
            # output path, make every build write the same bytes.
            set(module ${MODARIS_MODULE_FIXTURE_DIR}/${kind}_${arch}.${type})
            add_custom_command(
                OUTPUT ${module}
                COMMAND ${gcc} ${shared} -nostdlib -s
                        -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base
                        -o ${module} ${objects}
                DEPENDS ${objects}
                VERBATIM)
            list(APPEND files ${module})
        endforeach()
    endforeach()
    set(MODARIS_MODULE_FIXTURE_FILES ${files} PARENT_SCOPE)
endfunction()

modaris_add_module_fixture(product6_1_7601_17514_file10_0_19041_1 TYPES dll exe)
modaris_add_module_fixture(v9999_10000_1_65535 TYPES dll exe)
modaris_add_module_fixture(v1_2_3_4 TYPES dll exe)
modaris_add_module_fixture(company_one_translation TYPES dll)
modaris_add_module_fixture(company_two_translations TYPES dll exe)
modaris_add_module_fixture(company_only_in_first_translation TYPES dll)
modaris_add_module_fixture(company_two_translations_blocks_reversed TYPES dll)
modaris_add_module_fixture(company_without_translation TYPES dll)
modaris_add_module_fixture(company_empty TYPES dll)
modaris_add_module_fixture(no_version_resource NO_RESOURCES TYPES dll exe)
modaris_add_module_fixture(no_version_resource_string_table_only TYPES dll)

# Two modules whose names differ only in case, made on the build machine's
# file system: a program under Wine sees one of them for both names and
# cannot make such a pair itself.
set(MODARIS_CASE_TWINS_DIR ${CMAKE_BINARY_DIR}/fixtures/case_twins)
set(case_twins ${MODARIS_CASE_TWINS_DIR}/twin.dll ${MODARIS_CASE_TWINS_DIR}/TWIN.DLL)
add_custom_command(
    OUTPUT ${case_twins}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MODARIS_CASE_TWINS_DIR}
    COMMAND ${CMAKE_COMMAND} -E copy ${MODARIS_MODULE_FIXTURE_DIR}/v1_2_3_4_x86.dll ${MODARIS_CASE_TWINS_DIR}/twin.dll
    COMMAND ${CMAKE_COMMAND} -E copy ${MODARIS_MODULE_FIXTURE_DIR}/v9999_10000_1_65535_x64.dll
            ${MODARIS_CASE_TWINS_DIR}/TWIN.DLL
    DEPENDS ${MODARIS_MODULE_FIXTURE_DIR}/v1_2_3_4_x86.dll ${MODARIS_MODULE_FIXTURE_DIR}/v9999_10000_1_65535_x64.dll
    VERBATIM)
list(APPEND MODARIS_MODULE_FIXTURE_FILES ${case_twins})

add_custom_target(modaris_module_fixtures DEPENDS ${MODARIS_MODULE_FIXTURE_FILES})
