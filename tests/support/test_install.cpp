#include "test_install.h"

#include "platform/webengine_view.h"
#include "shell/browser_window.h"

#include <QWebEngineProfile>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::copy(source, target);
        QFile(target).setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                     QFile::WriteUser);
    }
}

} // namespace

TestInstall::TestInstall() : settings(m_dir.path() + QStringLiteral("/settings/Corvane.conf"))
{
    const QString source = qEnvironmentVariable("TOBRIN_DATA_SOURCE");
    if (source.isEmpty())
        qFatal("TOBRIN_DATA_SOURCE names the data folder the tests copy; run them through ctest");
    copyTree(source, m_dir.path());
}

TestInstall::~TestInstall() = default;

QByteArray TestInstall::bytes(const QString& relative) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void TestInstall::setBytes(const QString& relative, const QByteArray& bytes) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file %s", qPrintable(file(relative)));
    f.write(bytes);
}

AppContext TestInstall::context(Engine engine)
{
    AppContext context{AppPaths(dir()), &settings, &clock,
                       [](QWidget* parent) { return new FakeWebView(parent); },
                       [this] { ++endProgramCalls; }};
    if (engine == Engine::Real) {
        if (!m_profile)
            m_profile = std::make_unique<QWebEngineProfile>();
        QWebEngineProfile* profile = m_profile.get();
        context.createWebView =
            [profile, pages = context.paths.file(AppPaths::PagesFolder)](QWidget* parent) {
                return new WebEngineView(profile, parent, pages);
            };
    }
    return context;
}

std::unique_ptr<Form1> TestInstall::window(bool load, Engine engine)
{
    auto form = std::make_unique<Form1>(context(engine));
    form->Timer1->stop();
    if (load)
        form->Form_Load();
    return form;
}

FakeWebView* TestInstall::view(Form1& form) const
{
    return static_cast<FakeWebView*>(form.WebBrowser1);
}
