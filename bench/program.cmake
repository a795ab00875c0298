# The whole program's benchmarks; to be included from bench/CMakeLists.txt.
#   tree_memory  what a running program's process tree holds, for bench/startup.sh
add_executable(tree_memory ${CMAKE_CURRENT_LIST_DIR}/tree_memory.cpp)
