#include "test_install.h"

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

TestInstall::~TestInstall()
{
    MessageBox::takeShown(); // what a failed test left is not the next test's
}

QByteArray TestInstall::bytes(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestInstall::setBytes(const QString& relative, const QByteArray& bytes) const
{
    QFile f(file(relative));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write test file %s", qPrintable(file(relative)));
    f.write(bytes);
}

AppContext TestInstall::context()
{
    return AppContext{AppPaths(dir()),
                      &settings,
                      &clock,
                      [](QWidget* parent) { return new FakeWebView(parent); },
                      [this] { ++endProgramCalls; },
                      CodePage("CP1252")};
}

std::unique_ptr<Form1> TestInstall::window(bool load)
{
    auto form = std::make_unique<Form1>(context());
    form->Timer1->stop();
    if (load)
        form->Form_Load();
    return form;
}

FakeWebView* TestInstall::view(Form1& form) const
{
    return static_cast<FakeWebView*>(form.WebBrowser1);
}

QString box(const QString& text, const QString& title, MessageBox::Buttons buttons,
            MessageBox::Icon icon, MessageBox::Button defaultButton)
{
    return QStringLiteral("%1 | %2 | %3 | %4 | %5")
        .arg(title, text)
        .arg(buttons.toInt())
        .arg(int(icon))
        .arg(int(defaultButton));
}

QString shownBox()
{
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    if (shown.size() != 1)
        return QStringLiteral("%1 boxes").arg(shown.size());
    const MessageBox::Shown& b = shown[0];
    return box(b.text, b.title, b.buttons, b.icon, b.defaultButton);
}
