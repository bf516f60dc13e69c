# Host side: template generator, portable code, unit tests, and the Windows cross-build.
include(ExternalProject)
enable_testing()

# The template's two support programs, 32-bit; the template build stores them as streams.
set(KESTROW_TEMPLATE_SUPPORT_DIR ${CMAKE_BINARY_DIR}/template-support)
set(KESTROW_TEMPLATE_SUPPORT_FILES
    ${KESTROW_TEMPLATE_SUPPORT_DIR}/SetAllUsers.dll
    ${KESTROW_TEMPLATE_SUPPORT_DIR}/ARPPRODUCTICON.exe)
set(KESTROW_TEMPLATE_SUPPORT_TOOLCHAIN ${CMAKE_SOURCE_DIR}/cmake/mingw-w64-i686.cmake)
ExternalProject_Add(template-support
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/template/support
    BINARY_DIR ${KESTROW_TEMPLATE_SUPPORT_DIR}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${KESTROW_TEMPLATE_SUPPORT_TOOLCHAIN}
        -DCMAKE_BUILD_TYPE=Release
        -DKESTROW_WARNINGS_AS_ERRORS=${KESTROW_WARNINGS_AS_ERRORS}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${KESTROW_TEMPLATE_SUPPORT_FILES})

add_subdirectory(naming)
add_subdirectory(win32)
add_subdirectory(package)
add_subdirectory(ui)
add_subdirectory(app)
add_subdirectory(template/generator)
add_subdirectory(app/native)
if(KESTROW_TESTS)
    add_subdirectory(tests/unit)
    add_subdirectory(tools/benchmark)
endif()

set(KESTROW_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${KESTROW_WINDOWS_DIR}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DKESTROW_WARNINGS_AS_ERRORS=${KESTROW_WARNINGS_AS_ERRORS}
        -DKESTROW_TESTS=${KESTROW_TESTS}
        -DKESTROW_TEMPLATE=${KESTROW_TEMPLATE}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS template)

if(KESTROW_TESTS)
    add_subdirectory(tests/system)
endif()
