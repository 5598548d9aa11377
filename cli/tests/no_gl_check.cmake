# Fails when PROGRAM needs a GL, GLU or GLUT library (or any X library) at run
# time, as ldd lists them.
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE iRc)
if(NOT iRc EQUAL 0 OR libraries STREQUAL "")
    message(FATAL_ERROR "ldd ${PROGRAM} failed: ${iRc}")
endif()
string(REGEX MATCHALL "lib(GL|GLU|glut|GLX|OpenGL|X11)[.a-zA-Z0-9_-]*" gl "${libraries}")
if(gl)
    message(FATAL_ERROR "${PROGRAM} links ${gl}")
endif()
message(STATUS "${PROGRAM} links no GL library")
