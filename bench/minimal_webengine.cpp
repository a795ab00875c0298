// The yardstick for the start-up benchmark: the least a Qt WebEngine program
// does to show the start page. It prints the same line as the browser's
// start-up probe when the page has loaded, then ends.
//
//   minimal_webengine PATH-TO/html/intro.htm

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PAGE\n", argv[0]);
        return 2;
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [](bool) {
        std::fprintf(stderr, "tobrin: start page loaded\n");
        std::fflush(stderr);
        QCoreApplication::exit(0);
    });
    view.resize(611, 345);
    view.load(QUrl::fromLocalFile(QString::fromLocal8Bit(argv[1])));
    view.show();
    return app.exec();
}
