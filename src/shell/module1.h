#pragma once

class QApplication;
class QString;

namespace Module1 {

// Start-up: shows the browser window and runs the program until it ends.
int Main(QApplication& app);

// "tobrin --code-page NAME": converts the installation's files and the
// stored password to another code page and ends, without a window.
int ChangeCodePage(const QString& name);

} // namespace Module1
