# The page view's benchmarks; to be included from bench/CMakeLists.txt.
#   minimal_webkit       the bare window the start-up and memory figures compare against,
#                        and the product's page view with the settings it uses
#   socket_rule_compile  the socket rule for the longest list: compiled, then read back
add_executable(minimal_webkit ${CMAKE_CURRENT_LIST_DIR}/minimal_webkit.cpp)
target_link_libraries(minimal_webkit PRIVATE tobrin_platform_view)
add_dependencies(minimal_webkit tobrin_webext)
add_executable(socket_rule_compile ${CMAKE_CURRENT_LIST_DIR}/socket_rule_compile.cpp)
target_link_libraries(socket_rule_compile PRIVATE tobrin_platform_view)
#   request_check        a page of 200 sub-resources with and without the longest list
add_executable(request_check ${CMAKE_CURRENT_LIST_DIR}/request_check.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/local_http_server.cpp)
target_include_directories(request_check PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
target_link_libraries(request_check PRIVATE tobrin_platform_view tobrin_webext_check)
add_dependencies(request_check tobrin_webext)
#   words_footprint      the whole program's memory with an empty list and with a million words
add_executable(words_footprint ${CMAKE_CURRENT_LIST_DIR}/words_footprint.cpp)
target_link_libraries(words_footprint PRIVATE PkgConfig::GLIBMM)
add_dependencies(words_footprint tobrin)
