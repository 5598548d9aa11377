# Fails when PROGRAM needs a GL, GLU or GLUT library at run time, as ldd lists
# them (its libraries' needs included), or needs an X library itself, as
# readelf lists its own. The X client libraries may come in through cairo,
# whose Debian build links them for its X surfaces: varo-fit draws on image
# and SVG surfaces only, which need no display.
execute_process(COMMAND ldd ${PROGRAM} OUTPUT_VARIABLE libraries RESULT_VARIABLE iRc)
if(NOT iRc EQUAL 0 OR libraries STREQUAL "")
    message(FATAL_ERROR "ldd ${PROGRAM} failed: ${iRc}")
endif()
string(REGEX MATCHALL "lib(GL|GLU|glut|GLX|OpenGL)[.a-zA-Z0-9_-]*" gl "${libraries}")
if(gl)
    message(FATAL_ERROR "${PROGRAM} links ${gl}")
endif()
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE iRc)
if(NOT iRc EQUAL 0)
    message(FATAL_ERROR "readelf -d ${PROGRAM} failed: ${iRc}")
endif()
string(REGEX MATCHALL "NEEDED[^\n]*lib(X11|xcb|Xext|Xrender)[.a-zA-Z0-9_-]*" x "${dynamic}")
if(x)
    message(FATAL_ERROR "${PROGRAM} needs X libraries itself: ${x}")
endif()
message(STATUS "${PROGRAM} links no GL library and no X library of its own")
