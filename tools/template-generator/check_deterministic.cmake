# Builds the template twice, a second apart, and fails unless both files are byte-identical:
# the embedded template, and so every package, must not change between builds.
# Inputs: GENERATOR, SOURCE_DIR, WORK_DIR.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(run first second)
    execute_process(COMMAND ${GENERATOR} ${SOURCE_DIR} ${WORK_DIR}/${run}.msi
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "make-template failed on the ${run} run")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/first.msi
                        ${WORK_DIR}/second.msi RESULT_VARIABLE differs)
if(differs)
    message(FATAL_ERROR "two runs of make-template gave different bytes")
endif()
