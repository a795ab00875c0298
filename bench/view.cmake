# The page view's benchmarks; to be included from bench/CMakeLists.txt.
#   minimal_webkit       the bare window the start-up and memory figures compare against
#   socket_rule_compile  the socket rule for the longest list: compiled, then read back
add_executable(minimal_webkit ${CMAKE_CURRENT_LIST_DIR}/minimal_webkit.cpp)
target_link_libraries(minimal_webkit PRIVATE PkgConfig::GTKMM PkgConfig::WEBKIT)
add_executable(socket_rule_compile ${CMAKE_CURRENT_LIST_DIR}/socket_rule_compile.cpp)
target_link_libraries(socket_rule_compile PRIVATE tobrin_platform_view)
