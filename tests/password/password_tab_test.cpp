#include "panel/panel_window.h"
#include "password/password_tab.h"
#include "password/stored_password.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "shown_box.h"
#include "test_install.h"
#include "test_main.h"
#include <QWebEngineProfile> // TestInstall holds one; its destructor needs the whole type

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// "on" or "off" for the four new-password controls, which always move together.
QString newEntries(const PasswordTab& tab)
{
    const QList<bool> states = {tab.Text7->isEnabled(), tab.Text3->isEnabled(),
                                tab.Label7->isEnabled(), tab.Label1->isEnabled()};
    if (!states.contains(false))
        return QStringLiteral("on");
    return states.contains(true) ? QStringLiteral("mixed") : QStringLiteral("off");
}

// Types the three entries and presses Apply, which takes the focus as a click would.
void apply(PasswordTab& tab, const QString& current, const QString& fresh, const QString& again)
{
    QTest::keyClicks(tab.Text8, current);
    QTest::keyClicks(tab.Text7, fresh);
    QTest::keyClicks(tab.Text3, again);
    tab.Command4->setFocus();
    tab.Command4->click();
}

bool allEmpty(const PasswordTab& tab)
{
    return tab.Text8->text().isEmpty() && tab.Text7->text().isEmpty() &&
           tab.Text3->text().isEmpty();
}

} // namespace

class PasswordTabTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void changeThePassword()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        panel.VideoSoftIndexTab1->setCurrentTab(5);
        panel.show();
        PasswordTab& tab = panel.password();
        auto stored = [&] { return install.settings.read(QStringLiteral("Password"), "none"); };

        // Typing, and deleting everything, enable the new entries; Cancel clears and disables.
        QCOMPARE(newEntries(tab), QStringLiteral("off"));
        QTest::keyClicks(tab.Text8, QStringLiteral("ab"));
        QCOMPARE(newEntries(tab), QStringLiteral("on"));
        tab.Command6->click();
        QVERIFY(allEmpty(tab));
        QCOMPARE(newEntries(tab), QStringLiteral("off"));
        QCOMPARE(panel.focusWidget(), tab.Text8);
        QTest::keyClick(tab.Text8, Qt::Key_X);
        QTest::keyClick(tab.Text8, Qt::Key_Backspace);
        QCOMPARE(newEntries(tab), QStringLiteral("on"));
        QCOMPARE(tab.Text8->echoMode(), QLineEdit::Password);

        // A password the settings refuse is not announced, and the entries stay.
        QVERIFY(QDir().mkpath(install.settings.filePath()));
        apply(tab, QStringLiteral("\"\"\""), QStringLiteral("Lion"), QStringLiteral("Lion"));
        const auto refused = MessageBox::takeShown();
        QCOMPARE(refused.size(), 1);
        QVERIFY(refused[0].title != QStringLiteral("Password changed!"));
        QCOMPARE(refused[0].icon, QMessageBox::Critical);
        QCOMPARE(tab.Text3->text(), QStringLiteral("Lion"));
        QCOMPARE(tab.Text8->text(), QStringLiteral("\"\"\""));
        QVERIFY(QDir().rmdir(install.settings.filePath()));
        tab.Command6->click();

        // With nothing stored, only the unscrambled default is the current password.
        apply(tab, QStringLiteral("qqq"), QStringLiteral("Tiger"), QStringLiteral("Tiger"));
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Error!"));
        apply(tab, QStringLiteral("\"\"\""), QStringLiteral("Tiger"), QStringLiteral("Tiger"));
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Password changed!"));
        const QString tiger = stored();
        QCOMPARE(tiger, Scramble(QStringLiteral("Tiger"), StoredPassword::Key, CodePage()));

        const QList<QStringList> wrong = {
            {QStringLiteral("tiger"), QStringLiteral("Lion"), QStringLiteral("Lion")},
            {QStringLiteral("Tiger"), QStringLiteral("Lion"), QStringLiteral("lion")},
            {QStringLiteral("Tiger"), QStringLiteral("Lion"), QString()},
        };
        for (const QStringList& entries : wrong) {
            apply(tab, entries[0], entries[1], entries[2]);
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(allEmpty(tab));
            QCOMPARE(newEntries(tab), QStringLiteral("off"));
            QCOMPARE(panel.focusWidget(), tab.Text8);
            QCOMPARE(stored(), tiger);
        }

        apply(tab, QStringLiteral("Tiger"), QStringLiteral("Lion"), QStringLiteral("Lion"));
        expectOneBox(QStringLiteral("Write down your new password! Don't forget it!!!"),
                     QStringLiteral("Password changed!"), QMessageBox::Warning);
        QCOMPARE(stored(), Scramble(QStringLiteral("Lion"), StoredPassword::Key, CodePage()));
        QVERIFY(allEmpty(tab));
        QCOMPARE(newEntries(tab), QStringLiteral("on"));
        QCOMPARE(panel.focusWidget(), tab.Command4);

        // A new password the code page cannot hold is refused by name; only
        // the new entries are typed again.
        QTest::keyClicks(tab.Text8, QStringLiteral("Lion"));
        tab.Text7->insert(QStringLiteral("\u0416"));
        tab.Text3->insert(QStringLiteral("\u0416"));
        tab.Command4->click();
        QVERIFY(MessageBox::takeShown().value(0).text.contains(QStringLiteral(": \u0416\n")));
        QCOMPARE(stored(), Scramble(QStringLiteral("Lion"), StoredPassword::Key, CodePage()));
        QCOMPARE(tab.Text8->text(), QStringLiteral("Lion"));
        QCOMPARE(panel.focusWidget(), tab.Text7);
        tab.Text8->clear();

        // An empty new password is a password too.
        apply(tab, QStringLiteral("Lion"), QString(), QString());
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Password changed!"));
        QCOMPARE(stored(), QString());
        QVERIFY(!StoredPassword::isUnset(install.settings));
    }
};

TOBRIN_TEST(PasswordTabTest);
#include "password_tab_test.moc"
