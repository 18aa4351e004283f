# The loadable module that the upgrade manager loads by path.
get_property(plugin_libraries GLOBAL PROPERTY UNIT_PLUGIN_LIBRARIES)
if(plugin_libraries)
  add_library(upgplugin MODULE ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  target_link_libraries(upgplugin PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${plugin_libraries}>")
  set_target_properties(upgplugin PROPERTIES PREFIX "" OUTPUT_NAME "MapUpgPlugin")
endif()
