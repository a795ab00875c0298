# Files, the code page, the settings, the clock: the standard library and
# GLib only, so that the web process extension, the service and the fuzz
# targets can link it without a widget.
add_library(tobrin_platform_base STATIC
  ${CMAKE_CURRENT_LIST_DIR}/address_text.cpp ${CMAKE_CURRENT_LIST_DIR}/address_text.h
  ${CMAKE_CURRENT_LIST_DIR}/clock.cpp ${CMAKE_CURRENT_LIST_DIR}/clock.h
  ${CMAKE_CURRENT_LIST_DIR}/code_page.cpp ${CMAKE_CURRENT_LIST_DIR}/code_page.h
  ${CMAKE_CURRENT_LIST_DIR}/family_client.cpp ${CMAKE_CURRENT_LIST_DIR}/family_client.h
  ${CMAKE_CURRENT_LIST_DIR}/ini_text.cpp ${CMAKE_CURRENT_LIST_DIR}/ini_text.h
  ${CMAKE_CURRENT_LIST_DIR}/settings_store.cpp ${CMAKE_CURRENT_LIST_DIR}/settings_store.h
  ${CMAKE_CURRENT_LIST_DIR}/text_file.cpp ${CMAKE_CURRENT_LIST_DIR}/text_file.h
  ${CMAKE_CURRENT_LIST_DIR}/utf8.cpp ${CMAKE_CURRENT_LIST_DIR}/utf8.h)
target_include_directories(tobrin_platform_base PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(tobrin_platform_base PUBLIC PkgConfig::GLIBMM)
