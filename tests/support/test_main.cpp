#include "test_main.h"

#include "platform/color_dialog.h"
#include "platform/message_box.h"

#include <QApplication>
#include <QTest>
#include <QWebEngineProfile>

#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

struct Registered
{
    const char* name;
    std::function<QObject*()> create;
};

std::vector<Registered>& registry()
{
    static std::vector<Registered> r;
    return r;
}

} // namespace

std::map<QByteArray, std::function<int()>>& children()
{
    static std::map<QByteArray, std::function<int()>> c;
    return c;
}

int registerTestChild(const char* name, std::function<int()> run)
{
    children()[name] = std::move(run);
    return int(children().size());
}

int runTestChild(const QByteArray& name)
{
    const auto found = children().find(name);
    if (found == children().end()) {
        std::fprintf(stderr, "no test child named %s\n", name.constData());
        return 2;
    }
    return found->second();
}

int registerTestClass(const char* name, std::function<QObject*()> create)
{
    registry().push_back({name, std::move(create)});
    return int(registry().size());
}

int main(int argc, char* argv[])
{
    // A test may start this program again as a helper process of its own.
    if (const QByteArray child = qgetenv("TOBRIN_TEST_CHILD"); !child.isEmpty()) {
        QCoreApplication app(argc, argv);
        return runTestChild(child);
    }
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    // No test ever waits on a person: boxes and dialogs answer from queues.
    MessageBox::enableTestMode();
    ColorDialog::enableTestMode();

    const QByteArray only = qgetenv("TOBRIN_TEST_CLASS");
    int failures = 0;
    int ran = 0;
    for (const Registered& test : registry()) {
        if (!only.isEmpty() && only != test.name)
            continue;
        std::unique_ptr<QObject> object(test.create());
        failures += QTest::qExec(object.get(), argc, argv) != 0 ? 1 : 0;
        ++ran;
    }
    std::printf("%d test classes ran, %d failed\n", ran, failures);
    return failures == 0 && ran > 0 ? 0 : 1;
}
