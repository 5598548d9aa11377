# Installs the public headers, the libraries, the command-line program when it
# is built, a CMake package (find_package(Varo CONFIG) gives Varo::core and
# Varo::varo) and the pkg-config file varo.pc of the core.
include(CMakePackageConfigHelpers)
set(VARO_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Varo)

install(FILES varo/varo.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/varo)
install(FILES numeric/numeric.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/numeric)
install(FILES graph/graph.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/graph)

# The core and the GL library go to separate export sets, so that a program
# that only fits needs no GL packages to find the core.
install(TARGETS varo_core EXPORT VaroCoreTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS varo EXPORT VaroTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
foreach(set VaroCoreTargets VaroTargets)
    install(EXPORT ${set} NAMESPACE Varo:: DESTINATION ${VARO_CMAKE_INSTALL_DIR})
endforeach()
if(TARGET varo-fit)
    install(TARGETS varo-fit RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

configure_package_config_file(cmake/VaroConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/VaroConfig.cmake INSTALL_DESTINATION ${VARO_CMAKE_INSTALL_DIR})
# Until the first major release a minor version may change the interface.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/VaroConfigVersion.cmake
    COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/VaroConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/VaroConfigVersion.cmake DESTINATION ${VARO_CMAKE_INSTALL_DIR})

# A static core is C++ code: a C program linking it needs the C++ runtime.
set(VARO_PC_LIBS "-lvaro_core")
if(NOT BUILD_SHARED_LIBS)
    string(APPEND VARO_PC_LIBS " -lstdc++ -lm")
endif()
configure_file(cmake/varo.pc.in ${CMAKE_CURRENT_BINARY_DIR}/varo.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/varo.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
