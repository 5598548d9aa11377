# Fills the libraries with their layers' objects. The layers are compiled as
# position-independent code so that the same objects serve the static and the
# shared libraries and the Python extension module; no function relies on
# being replaced at load time, so calls inside a layer stay direct.
set(VARO_CORE_LAYERS varo_numeric varo_fit)
foreach(layer ${VARO_CORE_LAYERS} varo_graph)
    set_target_properties(${layer} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_compile_options(${layer} PRIVATE -fno-semantic-interposition)
endforeach()
foreach(layer ${VARO_CORE_LAYERS})
    target_sources(varo_core PRIVATE $<TARGET_OBJECTS:${layer}>)
endforeach()
target_sources(varo PRIVATE $<TARGET_OBJECTS:varo_graph>)

set_target_properties(varo_core varo PROPERTIES VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})

# A static core is C++ code: a program linked by the C compiler also needs the
# C++ runtime.
if(NOT BUILD_SHARED_LIBS)
    target_link_libraries(varo_core INTERFACE "$<$<NOT:$<LINK_LANGUAGE:CXX>>:stdc++;m>")
endif()

# A shared library exports the C functions of its public headers and nothing
# else; the linker version scripts list them.
if(BUILD_SHARED_LIBS)
    foreach(library varo_core varo)
        set(script ${VARO_ROOT}/cmake/${library}.map)
        target_link_options(${library} PRIVATE "LINKER:--version-script=${script}"
            "LINKER:--no-undefined")
        set_property(TARGET ${library} APPEND PROPERTY LINK_DEPENDS ${script})
    endforeach()
endif()
