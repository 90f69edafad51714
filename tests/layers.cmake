# The core's layer rule: no file of config/, comm/, logging/ or trend/
# includes a header of ui/ or app/, or of Qt Gui or Qt Widgets, however the
# include is spelt. The Qt headers are the ones in the modules' own include
# folders, so a class header without a prefix (<QPainter>) counts too.
set(window_header_dirs)
foreach(module Gui Widgets)
  get_target_property(dirs Qt6::${module} INTERFACE_INCLUDE_DIRECTORIES)
  list(FILTER dirs INCLUDE REGEX "/Qt${module}$")
  list(APPEND window_header_dirs ${dirs})
endforeach()
add_test(NAME core_layers
         COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/check_layers.py ${PROJECT_SOURCE_DIR} ${window_header_dirs})
