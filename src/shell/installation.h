#pragma once

#include <string>
#include <vector>

class AppPaths;

namespace Installation {

// Puts back what is missing of the installation beside the program: the
// files, buffer and html folders, empty lists, an empty log and empty
// schedules (every half-hour allowed), and the shipped pages and picture.
// Files that exist are never touched. Returns one sentence per thing that
// could not be made, for the parent.
std::vector<std::string> repair(const AppPaths& paths);

} // namespace Installation
