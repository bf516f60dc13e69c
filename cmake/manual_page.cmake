# kestrow's manual page, build/kestrow.1, with the version and the date of the last commit
# filled in, as the release fills them: the same page from every build of one commit.
execute_process(COMMAND git log -1 --format=%cs
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE KESTROW_COMMIT_DATE OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result ERROR_QUIET)
if(NOT git_result EQUAL 0 OR KESTROW_COMMIT_DATE STREQUAL "")
    # A tree without its history (an unpacked source archive) has no commit to date it by.
    set(KESTROW_COMMIT_DATE "${KESTROW_VERSION}")
endif()
set(VERSION ${KESTROW_VERSION})
set(DATE ${KESTROW_COMMIT_DATE})
configure_file(${CMAKE_SOURCE_DIR}/docs/kestrow.1.in ${CMAKE_BINARY_DIR}/kestrow.1 @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/docs/kestrow.1.in)
