#include "shell/module1.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char* argv[])
{
    // A file that may grow no further fails its write, which the program
    // handles, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    for (int i = 1; i < argc; ++i) {
        const QByteArray option(argv[i]);
        if (option != "--code-page" && !option.startsWith("--code-page="))
            continue;
        // Needs no display: it converts files and ends.
        QCoreApplication app(argc, argv);
        const QByteArray name = option.contains('=') ? option.mid(option.indexOf('=') + 1)
                                : i + 1 < argc       ? QByteArray(argv[i + 1])
                                                     : QByteArray();
        return Module1::ChangeCodePage(QString::fromLocal8Bit(name));
    }
    // The engine's sandbox cannot run as root; as any other user it stays on.
    // Passed as an engine switch, so that this line is the only one saying so.
    if (geteuid() == 0) {
        QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                flags.append(flags.isEmpty() ? "" : " ").append("--no-sandbox"));
        std::fprintf(stderr,
                     "tobrin: running as root, so the web engine runs without its sandbox\n");
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr,
                     "tobrin: there is no display to open the window on; "
                     "to try it without one: xvfb-run -a %s\n",
                     argv[0]);
        return 1;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The desktop's own dialogs (a theme's colour chooser, say) are not ours
    // to vouch for; Qt's show what they are for and nothing of the computer.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tobrin"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(TOBRIN_VERSION));
    return Module1::Main(app);
}
