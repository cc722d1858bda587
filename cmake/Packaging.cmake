# Install layout and CPack packages; the version is that of
# project(Modaris VERSION ...).
#   Windows build: modaris.exe, modaris-scan.exe, README.md, LICENSE and
#     CHANGELOG.md at the root of the prefix, the README's picture in docs/;
#     CPack makes modaris-<version>-win32.zip (win64 for the x86_64 build).
#   Linux build: bin/modaris-scan, share/man/man1/modaris-scan.1.gz and
#     share/doc/modaris-scan/ (README.md and its picture, CHANGELOG.md,
#     copyright); CPack makes modaris-scan_<version>_<arch>.deb.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME "modaris")
set(CPACK_PACKAGE_VENDOR "the Modaris developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find Windows module files by name and list their versions")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)

if(WIN32)
    set(MODARIS_DOC_DIR ".")
    if(CMAKE_SYSTEM_PROCESSOR MATCHES "64")
        set(MODARIS_WINDOWS_KIND win64)
    else()
        set(MODARIS_WINDOWS_KIND win32)
    endif()
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME "modaris-${PROJECT_VERSION}-${MODARIS_WINDOWS_KIND}")
    # The zip opens into one folder of the same name.
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
    install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${MODARIS_DOC_DIR})
    install(FILES docs/modaris-window.png DESTINATION docs)
else()
    set(MODARIS_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/modaris-scan")
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_PACKAGE_NAME "modaris-scan")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
    set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Modaris developers <developers@modaris.invalid>")
    # After the summary line; CPack indents it as Debian wants.
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "modaris-scan walks folders (a Wine prefix, a mounted Windows disk) for module
files (.dll, .exe, .ocx, .arx, .bpl) with the given names and lists, for every
copy, its product version, file version, last-write date, bitness (16, 32, 64
or unknown) and company name, as tab-separated text, CSV or JSON lines. It
reads the version resources itself: Wine is not needed.")
    # Depends from the libraries the program links (dpkg-shlibdeps).
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
    install(FILES README.md CHANGELOG.md DESTINATION ${MODARIS_DOC_DIR})
    install(FILES docs/modaris-window.png DESTINATION ${MODARIS_DOC_DIR}/docs)
    # Debian's copyright file, from LICENSE: the permission text indented,
    # its blank lines written as " .".
    file(READ LICENSE MODARIS_LICENSE)
    string(FIND "${MODARIS_LICENSE}" "Permission" MODARIS_PERMISSION_START)
    string(SUBSTRING "${MODARIS_LICENSE}" ${MODARIS_PERMISSION_START} -1 MODARIS_PERMISSION)
    string(STRIP "${MODARIS_PERMISSION}" MODARIS_PERMISSION)
    string(REPLACE "\n\n" "\n.\n" MODARIS_PERMISSION "${MODARIS_PERMISSION}")
    string(REPLACE "\n" "\n " MODARIS_PERMISSION "${MODARIS_PERMISSION}")
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/copyright
         "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
         "Upstream-Name: Modaris\n\n"
         "Files: *\nCopyright: 2026 the Modaris developers\nLicense: Expat\n\n"
         "License: Expat\n ${MODARIS_PERMISSION}\n")
    install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION ${MODARIS_DOC_DIR})
endif()

include(CPack)
