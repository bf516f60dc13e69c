# Windows side (cross-built): the program, its command line, and the Windows programs the
# tests use.
if(NOT KESTROW_TEMPLATE)
    message(FATAL_ERROR "KESTROW_TEMPLATE must name the generated template database")
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# The programs must need no DLL beyond Windows' own. Without a link time in the header, two
# builds of one commit give the same bytes.
add_link_options(-static -static-libgcc -static-libstdc++ $<$<CONFIG:Release>:-s>
                 -Wl,--no-insert-timestamp)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

add_subdirectory(naming)
add_subdirectory(win32)
add_subdirectory(package)
add_subdirectory(resources)
add_subdirectory(ui)
add_subdirectory(app)
add_subdirectory(app/native)
if(KESTROW_TESTS)
    add_subdirectory(samples/sample-installer)
    add_subdirectory(tests/windows)
endif()
