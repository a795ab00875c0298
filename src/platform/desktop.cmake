# The desktop lock, message boxes, colour dialog, window placement and the
# drawn components: everything of platform/ that needs GTK and X11.
add_library(tobrin_platform_desktop STATIC
  ${CMAKE_CURRENT_LIST_DIR}/colors.cpp
  ${CMAKE_CURRENT_LIST_DIR}/color_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/desktop_lock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/elastic_panel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/index_tab.cpp
  ${CMAKE_CURRENT_LIST_DIR}/message_box.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_placement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/x11_hold.cpp)
target_include_directories(tobrin_platform_desktop PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(tobrin_platform_desktop PUBLIC PkgConfig::GTKMM PkgConfig::XCB PkgConfig::GLIBMM)
