# The Surf Log tab's benchmark; to be included from bench/CMakeLists.txt. It
# needs a display (xvfb-run).
#   surf_log_fill  a 100 MB log into the tab's box, and the longest wait the
#                  window had meanwhile
add_executable(surf_log_fill ${CMAKE_CURRENT_LIST_DIR}/surf_log_fill.cpp)
target_link_libraries(surf_log_fill PRIVATE benchmark::benchmark tobrin_surflog)
