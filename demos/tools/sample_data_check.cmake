# Regenerates the sample data into OUT_DIR with GENERATOR and compares it
# with the shipped files in DATA_DIR, so that the files and the generator's
# documented parameters cannot drift apart.
file(MAKE_DIRECTORY ${OUT_DIR})
execute_process(COMMAND ${GENERATOR} ${OUT_DIR} RESULT_VARIABLE iRc)
if(NOT iRc EQUAL 0)
    message(FATAL_ERROR "sample data generator failed: ${iRc}")
endif()
foreach(name GaussDemo.dat ExpDemo.dat)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT_DIR}/${name}
                            ${DATA_DIR}/${name} RESULT_VARIABLE iDiffers)
    if(NOT iDiffers EQUAL 0)
        message(FATAL_ERROR "data/${name} differs from the generator's output")
    endif()
endforeach()
