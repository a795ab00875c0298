# The page-view seam and its WebKitGTK adapter.
add_library(tobrin_platform_view STATIC
  ${CMAKE_CURRENT_LIST_DIR}/web_view.h
  ${CMAKE_CURRENT_LIST_DIR}/word_message.h
  ${CMAKE_CURRENT_LIST_DIR}/page_engine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_engine.h
  ${CMAKE_CURRENT_LIST_DIR}/webkit_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/webkit_view.h)
target_include_directories(tobrin_platform_view PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(tobrin_platform_view PUBLIC tobrin_platform_base PkgConfig::GTKMM PkgConfig::WEBKIT PkgConfig::GLIBMM)
