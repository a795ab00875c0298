#include "panel/panel_window.h"
#include "password/password_tab.h"
#include "password/stored_password.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "shell/browser_window.h"
#include "shown_box.h"
#include "test_install.h"
#include "test_main.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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
        // The four new-password controls move together.
        auto newEntries = [&](bool on) {
            for (QWidget* w :
                 std::initializer_list<QWidget*>{tab.Text7, tab.Text3, tab.Label7, tab.Label1})
                QCOMPARE(w->isEnabled(), on);
        };
        auto apply = [&](const QString& current, const QString& fresh, const QString& again) {
            QTest::keyClicks(tab.Text8, current);
            QTest::keyClicks(tab.Text7, fresh);
            QTest::keyClicks(tab.Text3, again);
            tab.Command4->setFocus(); // as a click would
            tab.Command4->click();
        };
        auto stored = [&] { return install.settings.read(QStringLiteral("Password"), "none"); };

        // Typing, and deleting everything, enable the new entries; Cancel clears and disables.
        newEntries(false);
        QTest::keyClicks(tab.Text8, QStringLiteral("ab"));
        newEntries(true);
        tab.Command6->click();
        newEntries(false);
        QVERIFY(tab.Text8->text().isEmpty());
        QCOMPARE(panel.focusWidget(), tab.Text8);
        QTest::keyClick(tab.Text8, Qt::Key_X);
        QTest::keyClick(tab.Text8, Qt::Key_Backspace);
        newEntries(true);

        // With nothing stored only the unscrambled default is the current
        // password; a new one the settings refuse is not announced, and the
        // entries stay.
        QVERIFY(QDir().mkpath(install.settings.filePath()));
        apply(QStringLiteral("\"\"\""), QStringLiteral("Lion"), QStringLiteral("Lion"));
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.Text3->text(), QStringLiteral("Lion"));
        QVERIFY(QDir().rmdir(install.settings.filePath()));
        tab.Command6->click();
        apply(QStringLiteral("\"\"\""), QStringLiteral("Tiger"), QStringLiteral("Tiger"));
        expectOneBox(QStringLiteral("Write down your new password! Don't forget it!!!"),
                     QStringLiteral("Password changed!"), QMessageBox::Warning);
        QCOMPARE(stored(), Scramble(QStringLiteral("Tiger"), StoredPassword::Key, CodePage()));
        newEntries(true);
        QCOMPARE(panel.focusWidget(), tab.Command4);

        const QList<QStringList> wrong = {{"tiger", "Lion", "Lion"}, {"Tiger", "Lion", "lion"}};
        for (const QStringList& entries : wrong) {
            apply(entries[0], entries[1], entries[2]);
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(tab.Text8->text().isEmpty() && tab.Text7->text().isEmpty());
            newEntries(false);
            QCOMPARE(panel.focusWidget(), tab.Text8);
            QCOMPARE(stored(), Scramble(QStringLiteral("Tiger"), StoredPassword::Key, CodePage()));
        }

        // A new password the code page cannot hold is refused by name; only
        // the new entries are typed again.
        QTest::keyClicks(tab.Text8, QStringLiteral("Tiger"));
        tab.Text7->insert(QStringLiteral("\u0416"));
        tab.Text3->insert(QStringLiteral("\u0416"));
        tab.Command4->click();
        QVERIFY(MessageBox::takeShown().value(0).text.contains(QStringLiteral(": \u0416\n")));
        QCOMPARE(stored(), Scramble(QStringLiteral("Tiger"), StoredPassword::Key, CodePage()));
        QCOMPARE(tab.Text8->text(), QStringLiteral("Tiger"));
        QCOMPARE(panel.focusWidget(), tab.Text7);
        tab.Text8->clear();

        // An empty new password is a password too.
        apply(QStringLiteral("Tiger"), QString(), QString());
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Password changed!"));
        QCOMPARE(stored(), QString());
        QVERIFY(!StoredPassword::isUnset(install.settings));
    }
};

TOBRIN_TEST(PasswordTabTest);
#include "password_tab_test.moc"
