#pragma once

class QApplication;

namespace Module1 {

// Start-up: shows the browser window and runs the program until it ends.
int Main(QApplication& app);

} // namespace Module1
