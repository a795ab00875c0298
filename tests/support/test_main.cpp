#include "test_main.h"

#include "platform/color_dialog.h"
#include "platform/message_box.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

// Function-local, so that registrations from other files find them built.
auto& classes()
{
    static std::vector<std::pair<const char*, std::function<QObject*()>>> registered;
    return registered;
}

auto& children()
{
    static std::map<QByteArray, std::function<int()>> registered;
    return registered;
}

} // namespace

int registerTestChild(const char* name, std::function<int()> run)
{
    children()[name] = std::move(run);
    return int(children().size());
}

int registerTestClass(const char* name, std::function<QObject*()> create)
{
    classes().emplace_back(name, std::move(create));
    return int(classes().size());
}

QByteArray killedChild(const char* name, std::initializer_list<std::pair<QString, QString>> env,
                       int upToMicroseconds)
{
    QProcess child;
    QProcessEnvironment all = QProcessEnvironment::systemEnvironment();
    all.insert(QStringLiteral("TOBRIN_TEST_CHILD"), QString::fromLatin1(name));
    for (const auto& [key, value] : env)
        all.insert(key, value);
    child.setProcessEnvironment(all);
    child.start(QCoreApplication::applicationFilePath(), {});
    if (!child.waitForReadyRead(30000))
        return {};
    QThread::usleep(QRandomGenerator::global()->bounded(1, upToMicroseconds));
    ::kill(pid_t(child.processId()), SIGKILL);
    child.waitForFinished(10000);
    return child.readAllStandardOutput();
}

int main(int argc, char* argv[])
{
    // A test may start this program again as a helper process of its own.
    if (const QByteArray child = qgetenv("TOBRIN_TEST_CHILD"); !child.isEmpty()) {
        QCoreApplication app(argc, argv);
        const auto found = children().find(child);
        return found == children().end() ? 2 : found->second();
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
    int failures = 0, ran = 0;
    for (const auto& [name, create] : classes()) {
        if (!only.isEmpty() && only != name)
            continue;
        std::unique_ptr<QObject> object(create());
        failures += QTest::qExec(object.get(), argc, argv) != 0 ? 1 : 0;
        ++ran;
    }
    std::printf("%d test classes ran, %d failed\n", ran, failures);
    return failures == 0 && ran > 0 ? 0 : 1;
}
