# Host side: template generator, portable code, unit tests, and the Windows cross-build.
include(ExternalProject)
enable_testing()

# The sanitizers' and the fuzzers' builds need the portable libraries alone: without the
# template, they need neither the Windows toolchains nor libmsi.
option(KESTROW_PORTABLE_ONLY
       "Build only the portable libraries, with their unit tests or the fuzz targets" OFF)
option(KESTROW_SANITIZERS
       "Build with AddressSanitizer and UndefinedBehaviorSanitizer, stopping at the first error"
       OFF)
option(KESTROW_FUZZ "Build the libFuzzer targets of fuzz/ (clang, with the sanitizers)" OFF)

if(KESTROW_SANITIZERS)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
else()
    # Debian's hardening of its native programs. _FORTIFY_SOURCE works only with optimisation
    # (glibc warns without it), and would hide from AddressSanitizer the calls it checks.
    include(CheckPIESupported)
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    add_compile_options(-fstack-protector-strong $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
    add_link_options(-Wl,-z,relro,-z,now)
endif()
if(KESTROW_FUZZ)
    # The libraries too, so that libFuzzer sees every branch they take.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

add_subdirectory(naming)
add_subdirectory(win32)
add_subdirectory(package)
add_subdirectory(ui)
add_subdirectory(app)
if(NOT KESTROW_PORTABLE_ONLY)
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
    add_subdirectory(template/generator)
endif()
add_subdirectory(app/native)
include(cmake/manual_page.cmake)
if(KESTROW_TESTS)
    add_subdirectory(tests/unit)
    # Every C++ file of the tree keeps the layout that its .clang-format gives.
    find_program(KESTROW_CLANG_FORMAT clang-format REQUIRED)
    add_test(NAME format
        COMMAND sh -c "git ls-files -z -- '*.cpp' '*.h' | xargs -0 '${KESTROW_CLANG_FORMAT}' --dry-run --Werror"
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR})
endif()
if(KESTROW_FUZZ)
    add_subdirectory(fuzz)
endif()
if(KESTROW_PORTABLE_ONLY)
    return()
endif()
if(KESTROW_TESTS)
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
