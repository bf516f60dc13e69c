# Host side: template generator, portable code, unit tests, and the Windows cross-build.
include(ExternalProject)
enable_testing()

add_subdirectory(package)
add_subdirectory(app)
add_subdirectory(tools/template-generator)
add_subdirectory(tests/unit)
add_subdirectory(tools/benchmark)

set(KESTROW_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
ExternalProject_Add(windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${KESTROW_WINDOWS_DIR}
    CMAKE_ARGS
        -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DKESTROW_WARNINGS_AS_ERRORS=${KESTROW_WARNINGS_AS_ERRORS}
        -DKESTROW_TEMPLATE=${KESTROW_TEMPLATE}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    DEPENDS template)

add_subdirectory(tests/system)
