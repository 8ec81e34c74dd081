# The rig's Windows side in the cross build (WineComPorts.h): the object a
# program that opens a port under Wine links in (galt_wine_com_ports), and
# galt_wine_build(TARGET), which makes TARGET-wine: the program as it ships,
# with it linked in, for the Wine checks that install through a port.
add_library(galt_wine_com_ports OBJECT ${CMAKE_CURRENT_LIST_DIR}/WineComPorts.cpp)
target_include_directories(galt_wine_com_ports PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(galt_wine_com_ports PUBLIC galt_serial)

function(galt_wine_build target)
  get_target_property(dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  list(TRANSFORM sources PREPEND ${dir}/ REGEX "^[^/]")
  add_executable(${target}-wine ${sources})
  foreach(property LINK_LIBRARIES COMPILE_OPTIONS LINK_OPTIONS WIN32_EXECUTABLE)
    get_target_property(value ${target} ${property})
    if(value)
      set_property(TARGET ${target}-wine PROPERTY ${property} ${value})
    endif()
  endforeach()
  target_link_libraries(${target}-wine PRIVATE galt_wine_com_ports)
  add_dependencies(${target}-wine ${target})  # what its resources are made of
endfunction()
