# Warnings everywhere; on Windows a fully static executable, so that nothing
# but the .exe has to travel.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wno-unused-parameter)
endif()

if(WIN32)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
    add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# MODARIS_SANITIZE and MODARIS_FUZZ (declared in the top-level CMakeLists.txt)
# become flags of the whole build: a sanitizer or the fuzzer's coverage must
# reach every library the tests link, not a few targets.
set(MODARIS_SANITIZERS "${MODARIS_SANITIZE}")
if(MODARIS_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "MODARIS_FUZZ needs clang (libFuzzer); scripts/fuzz.sh configures such a build")
    endif()
    if(MODARIS_SANITIZERS STREQUAL "")
        set(MODARIS_SANITIZERS "address,undefined")
    endif()
endif()

if(NOT MODARIS_SANITIZERS STREQUAL "")
    if(WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        message(FATAL_ERROR "MODARIS_SANITIZE=${MODARIS_SANITIZE}: sanitizers are for the native g++ or clang build only")
    endif()
    if(MODARIS_SANITIZERS MATCHES "thread" AND MODARIS_SANITIZERS MATCHES "address")
        message(FATAL_ERROR "MODARIS_SANITIZE=${MODARIS_SANITIZE}: ThreadSanitizer cannot run beside AddressSanitizer")
    endif()
    set(MODARIS_SANITIZE_COMPILE_FLAGS "-fsanitize=${MODARIS_SANITIZERS} -fno-omit-frame-pointer")
    if(MODARIS_FUZZ)
        # Coverage for libFuzzer in every library; the fuzz targets alone link
        # its main (-fsanitize=fuzzer, in tests/fuzz).
        set(MODARIS_SANITIZE_COMPILE_FLAGS "-fsanitize=fuzzer-no-link,${MODARIS_SANITIZERS} -fno-omit-frame-pointer")
    endif()
    if(MODARIS_SANITIZERS MATCHES "undefined")
        # A finding ends the test instead of scrolling past.
        string(APPEND MODARIS_SANITIZE_COMPILE_FLAGS " -fno-sanitize-recover=all")
    endif()
    # Appended to the language flags (not add_compile_options) so that the
    # fuzz targets' own check of CMAKE_CXX_FLAGS sees them.
    string(APPEND CMAKE_C_FLAGS " ${MODARIS_SANITIZE_COMPILE_FLAGS}")
    string(APPEND CMAKE_CXX_FLAGS " ${MODARIS_SANITIZE_COMPILE_FLAGS}")
    add_link_options(-fsanitize=${MODARIS_SANITIZERS})
endif()

find_package(Threads REQUIRED)
