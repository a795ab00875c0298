#pragma once

#include <string>

namespace Module1 {

// Start-up: shows the browser window and runs the program until it ends.
int Main();

// "tobrin --code-page NAME": converts the installation's files and the
// stored password to another code page and ends, without a window.
int ChangeCodePage(const std::string& name);

} // namespace Module1
