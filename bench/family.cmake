# The family set-up's cost to a navigation; to be included from
# bench/CMakeLists.txt.
#   family_navigation  an allowed address handed to the service, against the
#                      browser keeping it alone
add_executable(family_navigation ${CMAKE_CURRENT_LIST_DIR}/family_navigation.cpp)
target_link_libraries(family_navigation PRIVATE tobrin_surflog_logic tobrin_platform_base)
add_dependencies(family_navigation tobrin-family)
