#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"
#include "platform/elastic_panel.h"
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

// The dialogs on the way into the panel, each on its own; the whole way is
// walked by the end-to-end scenarios.
class PanelPathTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void firstPasswordWithEveryMistake()
    {
        TestInstall install;
        Form5 f5(nullptr, install.settings, CodePage("CP1251"));
        f5.show();
        QVERIFY(!f5.Text2->isEnabled() && !f5.Label3->isEnabled());
        QTest::keyClick(&f5, Qt::Key_Escape); // Escape does not close it
        f5.Command1->click();                 // nothing typed
        expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
        QVERIFY(!f5.Text2->isEnabled());
        // A letter a Russian user's code page lacks is refused by name, never
        // stored as '?'. (Typed as an input method would.)
        f5.Text1->insert(QStringLiteral("\u0416\u4E2D"));
        f5.Text2->insert(QStringLiteral("\u0416\u4E2D"));
        f5.Command1->click();
        QVERIFY(MessageBox::takeShown().value(0).text.contains(u"\u4E2D"));
        QVERIFY(f5.Text1->text().isEmpty() && f5.Text2->text().isEmpty());
        QTest::keyClicks(f5.Text1, QStringLiteral("Tiger"));
        QVERIFY(f5.Text2->isEnabled() && f5.Label3->isEnabled());
        QTest::keyClick(f5.Text1, Qt::Key_Return);
        QCOMPARE(f5.focusWidget(), f5.Text2);
        QTest::keyClicks(f5.Text2, QStringLiteral("tiger"));
        f5.Command1->click();
        expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
        QVERIFY(f5.Text1->text().isEmpty() && f5.Text2->text().isEmpty());
        QCOMPARE(f5.focusWidget(), f5.Text1);

        // A password the settings refuse is not announced, and nothing typed is lost.
        QVERIFY(QDir().mkpath(install.settings.filePath()));
        QTest::keyClicks(f5.Text1, QStringLiteral("Tiger"));
        QTest::keyClicks(f5.Text2, QStringLiteral("Tiger"));
        f5.Command1->click();
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QVERIFY(f5.isVisible() && f5.Text2->text() == "Tiger");
        QVERIFY(QDir().rmdir(install.settings.filePath()));
        QTest::keyClick(f5.Text2, Qt::Key_Return);
        QTest::keyClick(f5.focusWidget(), Qt::Key_Return); // Enter on O K confirms
        expectOneBox(QStringLiteral("Your password is very important. Do not forget it!"),
                     QStringLiteral("Atention!"), QMessageBox::Warning);
        QCOMPARE(f5.result(), int(QDialog::Accepted));
        QCOMPARE(install.settings.read(QStringLiteral("Password"), QString()),
                 Scramble(QStringLiteral("Tiger"), StoredPassword::Key, CodePage("CP1251")));
    }

    // Nothing stored, or the marker: the first-password dialog comes, and
    // only the unscrambled default is right. An empty password is a password.
    void storedValueDecidesTheDialogs()
    {
        TestInstall install;
        auto form = install.window();
        auto right = [&](const QString& typed) {
            return StoredPassword::matches(typed, StoredPassword::expected(install.settings, CodePage()),
                                           CodePage());
        };
        QVERIFY(StoredPassword::isUnset(install.settings) && right("\"\"\""));
        QVERIFY(install.settings.write(QStringLiteral("Password"), QStringLiteral("wzbkmt806j")));
        QVERIFY(StoredPassword::isUnset(install.settings));
        QVERIFY(StoredPassword::store(install.settings, QString(), CodePage(), nullptr));
        QVERIFY(!StoredPassword::isUnset(install.settings) && right(QString()));

        Form3 f3(*form);
        f3.show();
        QTest::keyClicks(f3.Text3, QStringLiteral("x"));
        QTest::keyClick(f3.Text3, Qt::Key_Return);
        QVERIFY(f3.isVisible() && f3.focusWidget() == f3.Command6); // Enter only moved the focus
        f3.Command6->click();
        expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
        QVERIFY(f3.Text3->text().isEmpty() && f3.focusWidget() == f3.Text3);
    }
};

TOBRIN_TEST(PanelPathTest);
#include "panel_path_test.moc"
