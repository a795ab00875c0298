#include "password/password_widgets.h"

#include "password/stored_password.h"
#include "platform/message_box.h"
#include "platform/twips.h"
#include "platform/window_placement.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

bool isEnter(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Lets Enter press the focused button, as on the desktop, although no button
// is ever the default one.
class EnterPresses : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && isEnter(static_cast<QKeyEvent*>(event))) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
        return false;
    }
};

} // namespace

namespace PasswordWidgets {

QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    // Text sits at the top, so a tall label does not run into the entry below it.
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLineEdit* maskedEntry(QWidget* parent, const char* name, const QRect& geometry)
{
    auto* entry = new QLineEdit(parent);
    entry->setObjectName(QString::fromLatin1(name));
    entry->setGeometry(geometry);
    entry->setEchoMode(QLineEdit::Password);
    // '*' as the parents know it, not the style's bullet.
    entry->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    return entry;
}

QPushButton* button(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->installEventFilter(new EnterPresses(button));
    return button;
}

void showTryAgain(QWidget* parent)
{
    MessageBox::show(parent, QStringLiteral("Enter your password again..."),
                     QStringLiteral("Error!"), QMessageBox::Ok, QMessageBox::Critical);
}

bool refuseUnfit(QWidget* parent, const QString& password, const CodePage& page)
{
    const QString refused = StoredPassword::refusal(password, page);
    if (!refused.isEmpty()) {
        MessageBox::show(parent, refused, QStringLiteral("Error!"), QMessageBox::Ok,
                         QMessageBox::Critical);
    }
    return !refused.isEmpty();
}

} // namespace PasswordWidgets

PasswordDialog::PasswordDialog(QWidget* parent, const char* name, const QSize& clientSize)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(QStringLiteral(" Tobrin"));
    setFixedSize(clientSize);
}

void PasswordDialog::routeKeyPress(QLineEdit* entry, std::function<void(int&)> handler)
{
    m_keyHandlers.insert(entry, std::move(handler));
    entry->installEventFilter(this);
}

void PasswordDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    centreOnScreen();
}

void PasswordDialog::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event) || event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool PasswordDialog::eventFilter(QObject* watched, QEvent* event)
{
    const auto handler = m_keyHandlers.constFind(watched);
    if (handler != m_keyHandlers.cend() && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = isEnter(key);
        int keyAscii = enter ? 13 : (key->text().isEmpty() ? 0 : key->text()[0].unicode());
        if (keyAscii != 0)
            (*handler)(keyAscii);
        return enter;
    }
    return QDialog::eventFilter(watched, event);
}

void PasswordDialog::centreOnScreen()
{
    keepCentred(this);
}
