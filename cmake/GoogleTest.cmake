# GoogleTest: natively the distribution's package; for the cross build the
# distribution's sources, compiled with the cross compiler.
if(CMAKE_CROSSCOMPILING)
    set(MODARIS_GTEST_SOURCE "/usr/src/googletest" CACHE PATH "GoogleTest sources")
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${MODARIS_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# One test executable: natively each case is its own CTest test; under Wine
# the whole executable is one test, since every start of a Wine process costs.
function(modaris_add_gtest target)
    target_link_libraries(${target} PRIVATE GTest::gtest_main Threads::Threads)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
        set_tests_properties(${target} PROPERTIES TIMEOUT 900)
    else()
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                             PROPERTIES TIMEOUT 300)
    endif()
endfunction()
