# Installs the public headers, the libraries, a CMake package
# (find_package(Varo CONFIG) gives Varo::core and Varo::varo) and the
# pkg-config file varo.pc of the core as the component "development", and the
# command-line program, when it is built, as the component "cli".
include(CMakePackageConfigHelpers)
set(VARO_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Varo)

install(FILES varo/varo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/varo
    COMPONENT development)
install(FILES numeric/numeric.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/numeric
    COMPONENT development)
install(FILES graph/graph.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/graph
    COMPONENT development)

# The core and the GL library go to separate export sets, so that a program
# that only fits needs no GL packages to find the core.
install(TARGETS varo_core EXPORT VaroCoreTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(TARGETS varo EXPORT VaroTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
foreach(set VaroCoreTargets VaroTargets)
    install(EXPORT ${set} NAMESPACE Varo:: DESTINATION ${VARO_CMAKE_INSTALL_DIR}
        COMPONENT development)
endforeach()
if(TARGET varo-fit)
    set_target_properties(varo-fit PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
    install(TARGETS varo-fit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
endif()

configure_package_config_file(cmake/VaroConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VaroConfig.cmake INSTALL_DESTINATION ${VARO_CMAKE_INSTALL_DIR})
# Until the first major release a minor version may change the interface.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VaroConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VaroConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/VaroConfigVersion.cmake DESTINATION ${VARO_CMAKE_INSTALL_DIR}
    COMPONENT development)

# A static core is C++ code: a C program linking it needs the C++ runtime.
set(VARO_PC_LIBS "-lvaro_core")
if(NOT BUILD_SHARED_LIBS)
    string(APPEND VARO_PC_LIBS " -lstdc++ -lm")
endif()
configure_file(cmake/varo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/varo.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/varo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
