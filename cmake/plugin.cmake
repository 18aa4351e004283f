# The plugin is built from one static library per folder (so that tests can
# link the parts they exercise) and gathered whole into the loadable module.
#
#   unit_plugin_library(<name> <sources...>)
#
# makes a position-independent static library that sees the platform and
# host headers, and registers it for the module.
function(unit_plugin_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC unit_platform unit_host ZLIB::ZLIB)
  unit_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY UNIT_PLUGIN_LIBRARIES ${name})
endfunction()
