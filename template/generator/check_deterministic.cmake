# Builds the template twice, a second apart and each time from its own fresh build of the
# support programs in another folder, and fails unless all the files are byte-identical: the
# embedded template, and so every package, must not change between builds or build folders.
# Inputs: GENERATOR, SOURCE_DIR, WORK_DIR, SUPPORT_SOURCE_DIR, SUPPORT_TOOLCHAIN,
# CMAKE_GENERATOR, STAGE_SCRIPT.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
foreach(run first second)
    set(support_dir ${WORK_DIR}/${run}-support)
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${SUPPORT_SOURCE_DIR} -B ${support_dir}
                            -G ${CMAKE_GENERATOR} -DCMAKE_TOOLCHAIN_FILE=${SUPPORT_TOOLCHAIN}
                            -DCMAKE_BUILD_TYPE=Release
                    OUTPUT_QUIET RESULT_VARIABLE status)
    if(status EQUAL 0)
        execute_process(COMMAND ${CMAKE_COMMAND} --build ${support_dir} -j 2
                        OUTPUT_QUIET RESULT_VARIABLE status)
    endif()
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "the support programs did not build on the ${run} run")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR}
                            -DSUPPORT_DIR=${support_dir} -DSTAGE_DIR=${WORK_DIR}/${run}-staged
                            -P ${STAGE_SCRIPT}
                    RESULT_VARIABLE status)
    if(status EQUAL 0)
        execute_process(COMMAND ${GENERATOR} ${WORK_DIR}/${run}-staged ${WORK_DIR}/${run}.msi
                        RESULT_VARIABLE status)
    endif()
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "make-template failed on the ${run} run")
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
endforeach()
foreach(file first-support/SetAllUsers.dll first-support/ARPPRODUCTICON.exe first.msi)
    string(REPLACE "first" "second" other ${file})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK_DIR}/${file}
                            ${WORK_DIR}/${other} RESULT_VARIABLE differs)
    if(differs)
        message(FATAL_ERROR "two builds gave different bytes: ${file} and ${other}")
    endif()
endforeach()
