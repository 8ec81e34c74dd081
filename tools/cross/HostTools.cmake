# The Linux programs the cross build's tests run beside Wine (the device
# emulator, the serial rig and its preload library), built for the build
# machine from this same source tree in ${CMAKE_BINARY_DIR}/host.
include(ExternalProject)
set(GALT_HOST_TOOLS_DIR ${CMAKE_BINARY_DIR}/host)
ExternalProject_Add(galt_host_tools
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${GALT_HOST_TOOLS_DIR}
  CMAKE_ARGS -DGALT_WINE_HOST_TOOLS=ON -DCMAKE_BUILD_TYPE=Release
  INSTALL_COMMAND ""
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS
    ${GALT_HOST_TOOLS_DIR}/tools/galt-emulator/galt-emulator
    ${GALT_HOST_TOOLS_DIR}/tools/cross/rig/galt-wine-rig
    ${GALT_HOST_TOOLS_DIR}/tools/cross/rig/galt-wine-ptyshim.so)
set(GALT_HOST_EMULATOR ${GALT_HOST_TOOLS_DIR}/tools/galt-emulator/galt-emulator)
set(GALT_HOST_RIG ${GALT_HOST_TOOLS_DIR}/tools/cross/rig/galt-wine-rig)
set(GALT_HOST_PTYSHIM ${GALT_HOST_TOOLS_DIR}/tools/cross/rig/galt-wine-ptyshim.so)
set(GALT_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(GALT_WINE_RUN ${PROJECT_SOURCE_DIR}/tools/cross/wine-run.sh)
# Before any test, ctest checks that no COM port of the tests' prefix leads
# to a serial port of this machine; if one does, no test runs.
file(WRITE ${CMAKE_BINARY_DIR}/CTestCustom.cmake
     "set(CTEST_CUSTOM_PRE_TEST \"\\\"${PROJECT_SOURCE_DIR}/tools/cross/wine-host-ports-check.sh\\\" \\\"${GALT_WINE_PREFIX}\\\"\")\n")
