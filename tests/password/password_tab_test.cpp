#include "panel/panel_window.h"
#include "password/password_tab.h"
#include "password/stored_password.h"
#include "shell/browser_window.h"
#include "shell/index_tab.h"
#include "shell/message_box.h"
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

void fill(PasswordTab& tab, const QString& current, const QString& fresh, const QString& again)
{
    QTest::keyClicks(tab.Text8, current);
    QTest::keyClicks(tab.Text7, fresh);
    QTest::keyClicks(tab.Text3, again);
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
    TestInstall* m_install = nullptr;
    std::unique_ptr<Form1> m_form;
    PasswordTab* m_tab = nullptr;

    QString stored() const
    {
        return m_install->settings.read(QStringLiteral("Password"), QStringLiteral("none"));
    }

private Q_SLOTS:
    void init()
    {
        m_install = new TestInstall;
        m_form = m_install->window();
        Form2& panel = m_form->panel();
        panel.VideoSoftIndexTab1->setCurrentTab(5);
        panel.show();
        m_tab = &panel.password();
    }
    void cleanup()
    {
        m_form.reset();
        delete m_install;
        MessageBox::takeShown();
    }

    void typingDeletingAndCancel()
    {
        QCOMPARE(newEntries(*m_tab), QStringLiteral("off"));
        QTest::keyClick(m_tab->Text8, Qt::Key_X);
        QCOMPARE(newEntries(*m_tab), QStringLiteral("on"));
        m_tab->Command6->click();
        QVERIFY(allEmpty(*m_tab));
        QCOMPARE(newEntries(*m_tab), QStringLiteral("off"));
        QCOMPARE(m_tab->window()->focusWidget(), m_tab->Text8);

        // Deleting everything is a change too: the entries stay enabled.
        QTest::keyClicks(m_tab->Text8, QStringLiteral("ab"));
        QTest::keyClick(m_tab->Text8, Qt::Key_Backspace);
        QTest::keyClick(m_tab->Text8, Qt::Key_Backspace);
        QCOMPARE(m_tab->Text8->text(), QString());
        QCOMPARE(newEntries(*m_tab), QStringLiteral("on"));
        QCOMPARE(m_tab->Text8->echoMode(), QLineEdit::Password);
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void applyAcceptsOnlyTheRightPasswordAndEqualEntries()
    {
        // With nothing stored, only the unscrambled default is the current password.
        fill(*m_tab, QStringLiteral("qqq"), QStringLiteral("Tiger"), QStringLiteral("Tiger"));
        m_tab->Command4->click();
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Error!"));
        fill(*m_tab, QStringLiteral("\"\"\""), QStringLiteral("Tiger"), QStringLiteral("Tiger"));
        m_tab->Command4->click();
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Password changed!"));
        const QString before = stored();
        QCOMPARE(before, Scramble(QStringLiteral("Tiger"), StoredPassword::Key));
        const QList<QStringList> wrong = {
            {QStringLiteral("tiger"), QStringLiteral("Lion"), QStringLiteral("Lion")},
            {QStringLiteral("Tiger"), QStringLiteral("Lion"), QStringLiteral("lion")},
            {QStringLiteral("Tiger"), QStringLiteral("Lion"), QString()},
        };
        for (const QStringList& entries : wrong) {
            fill(*m_tab, entries[0], entries[1], entries[2]);
            m_tab->Command4->click();
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(allEmpty(*m_tab));
            QCOMPARE(newEntries(*m_tab), QStringLiteral("off"));
            QCOMPARE(m_tab->window()->focusWidget(), m_tab->Text8);
            QCOMPARE(stored(), before);
        }

        fill(*m_tab, QStringLiteral("Tiger"), QStringLiteral("Lion"), QStringLiteral("Lion"));
        m_tab->Command4->setFocus();
        m_tab->Command4->click();
        expectOneBox(QStringLiteral("Write down your new password! Don't forget it!!!"),
                     QStringLiteral("Password changed!"), QMessageBox::Warning);
        QCOMPARE(stored(), Scramble(QStringLiteral("Lion"), StoredPassword::Key));
        QVERIFY(allEmpty(*m_tab));
        QCOMPARE(newEntries(*m_tab), QStringLiteral("on"));
        QCOMPARE(m_tab->window()->focusWidget(), m_tab->Command4);

        // An empty new password is a password too.
        fill(*m_tab, QStringLiteral("Lion"), QString(), QString());
        m_tab->Command4->click();
        QCOMPARE(MessageBox::takeShown().value(0).title, QStringLiteral("Password changed!"));
        QCOMPARE(stored(), QString());
        QVERIFY(!StoredPassword::isUnset(m_install->settings));
    }

    void refusedWriteKeepsTheEntries()
    {
        QVERIFY(QDir().mkpath(m_install->settings.filePath()));
        fill(*m_tab, QStringLiteral("\"\"\""), QStringLiteral("Lion"), QStringLiteral("Lion"));
        m_tab->Command4->click();
        const auto shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY(shown[0].title != QStringLiteral("Password changed!"));
        QCOMPARE(shown[0].icon, QMessageBox::Critical);
        QCOMPARE(m_tab->Text3->text(), QStringLiteral("Lion"));
        QCOMPARE(m_tab->Text8->text(), QStringLiteral("\"\"\""));
    }
};

TOBRIN_TEST(PasswordTabTest);
#include "password_tab_test.moc"
