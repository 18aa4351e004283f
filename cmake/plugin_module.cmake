# The loadable module that the upgrade manager loads by path.
#
# The module exports its own _init and _finit hooks, as the unit's loader
# expects. On Linux _init is also the C runtime's init function of every
# shared object (from crti.o), so the module is linked without the runtime's
# start files; the constructor files crtbeginS.o/crtendS.o are added back so
# that C++ constructors and destructors still run. The linker then points
# DT_INIT at our _init, and -fini points DT_FINI at _finit.
get_property(plugin_libraries GLOBAL PROPERTY UNIT_PLUGIN_LIBRARIES)
if(plugin_libraries)
  add_library(upgplugin MODULE ${CMAKE_SOURCE_DIR}/cmake/empty.cpp)
  # Whole archives, named by file: linking the targets would bring each one in
  # again through the link dependencies that the plugin libraries have on
  # one another.
  set(plugin_archives)
  foreach(lib ${plugin_libraries})
    list(APPEND plugin_archives $<TARGET_FILE:${lib}>)
  endforeach()
  add_dependencies(upgplugin ${plugin_libraries})
  target_link_libraries(upgplugin PRIVATE -Wl,--whole-archive ${plugin_archives}
                        -Wl,--no-whole-archive unit_platform unit_host ZLIB::ZLIB)
  set_target_properties(upgplugin PROPERTIES PREFIX "" OUTPUT_NAME "MapUpgPlugin")
  # The module uses its own definitions, as the unit's loader binds a module:
  # a program that carries the same frame code never takes over its globals.
  target_link_options(upgplugin PRIVATE -Wl,-Bsymbolic)

  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtbeginS.o
                  OUTPUT_VARIABLE unit_crtbegin OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=crtendS.o
                  OUTPUT_VARIABLE unit_crtend OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${unit_crtbegin}" AND EXISTS "${unit_crtbegin}"
     AND IS_ABSOLUTE "${unit_crtend}" AND EXISTS "${unit_crtend}")
    target_link_options(upgplugin PRIVATE -nostartfiles ${unit_crtbegin} -Wl,-fini,_finit)
    # Last on the line, as the runtime's own end file would be.
    target_link_libraries(upgplugin PRIVATE ${unit_crtend})
  else()
    message(WARNING "crtbeginS.o/crtendS.o not found: the module cannot export its own _init")
  endif()
endif()
