#include "favorites/favorites_tab.h"
#include "modal_steps.h"
#include "panel/panel_window.h"
#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"
#include "platform/elastic_panel.h"
#include "shell/browser_window.h"
#include "shown_box.h"
#include "test_install.h"
#include "test_main.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class PanelPathTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    // The first use, with every mistake a parent can make on the way.
    void firstUseWithMistakes()
    {
        TestInstall install;
        auto form = install.window();
        form->CurrentTitle = QStringLiteral("Kids page");
        form->CurrentUrl = QStringLiteral("http://kids.example/");
        ModalSteps steps;
        steps.then<Form5>([&settings = install.settings](Form5* f5) {
            QVERIFY(!f5->Text2->isEnabled() && !f5->Label3->isEnabled());
            QTest::keyClick(f5, Qt::Key_Escape); // Escape does not close it
            f5->Command1->click();               // nothing typed
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(!f5->Text2->isEnabled());
            QTest::keyClicks(f5->Text1, QStringLiteral("Tiger"));
            QVERIFY(f5->Text2->isEnabled() && f5->Label3->isEnabled());
            QTest::keyClick(f5->Text1, Qt::Key_Return);
            QCOMPARE(f5->focusWidget(), f5->Text2);
            QTest::keyClicks(f5->Text2, QStringLiteral("tiger"));
            f5->Command1->click();
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(f5->Text1->text().isEmpty() && f5->Text2->text().isEmpty());
            QCOMPARE(f5->focusWidget(), f5->Text1);

            // A password the settings refuse is not announced, and nothing typed is lost.
            QVERIFY(QDir().mkpath(settings.filePath()));
            QTest::keyClicks(f5->Text1, QStringLiteral("Tiger"));
            QTest::keyClicks(f5->Text2, QStringLiteral("Tiger"));
            f5->Command1->click();
            QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
            QCOMPARE(f5->Text2->text(), QStringLiteral("Tiger"));
            QVERIFY(QDir().rmdir(settings.filePath()));
            QTest::keyClick(f5->Text2, Qt::Key_Return);
            QTest::keyClick(f5->focusWidget(), Qt::Key_Return); // Enter on O K confirms
        });
        steps.then<Form3>([](Form3* f3) {
            expectOneBox(QStringLiteral("Your password is very important. Do not forget it!"),
                         QStringLiteral("Atention!"), QMessageBox::Warning);
            QTest::keyClicks(f3->Text3, QStringLiteral("tiger"));
            f3->Command6->click();
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QCOMPARE(f3->focusWidget(), f3->Text3);
            QTest::keyClicks(f3->Text3, QStringLiteral("Tiger"));
            QTest::keyClick(f3->Text3, Qt::Key_Return);
            QVERIFY(f3->isVisible()); // Enter only moved the focus
            QTest::keyClick(f3->focusWidget(), Qt::Key_Return);
        });
        steps.then<Form2>([](Form2* panel) {
            QCOMPARE(panel->favorites().Text4->text(), QStringLiteral("Kids page"));
            QCOMPARE(panel->favorites().Text5->text(), QStringLiteral("http://kids.example/"));
            panel->Command1->click();
        });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton); // returns when the path ends
        QCOMPARE(steps.problems(), QString());
        QCOMPARE(install.settings.read(QStringLiteral("Password"), QString()),
                 Scramble(QStringLiteral("Tiger"), StoredPassword::Key));
        QVERIFY(form->findChildren<Form3*>().isEmpty() && form->findChildren<Form5*>().isEmpty());
    }

    void storedValueDecidesTheDialogs()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        form->CurrentTitle = QStringLiteral("Zoo");

        // Nothing stored, first dialog closed: only the unscrambled default is right.
        ModalSteps unset;
        unset.then<Form5>([](Form5* f5) { f5->close(); });
        unset.then<Form3>([](Form3* f3) {
            QTest::keyClicks(f3->Text3, QStringLiteral("\"\"\""));
            f3->Command6->click();
        });
        unset.then<Form2>([](Form2* panel) { panel->Command1->click(); });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(unset.problems(), QString());
        QVERIFY(StoredPassword::isUnset(install.settings));

        // An empty stored password: no first-password dialog, and an empty entry
        // is right. The favorites fields are filled before the prompt, so
        // Cancel keeps them and opens nothing.
        QVERIFY(StoredPassword::store(install.settings, QString(), nullptr));
        form->CurrentTitle = QStringLiteral("Moon");
        ModalSteps cancel;
        cancel.then<Form3>([](Form3* f3) { f3->Command1->click(); });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(cancel.problems(), QString());
        QCOMPARE(panel.favorites().Text4->text(), QStringLiteral("Moon"));
        ModalSteps empty;
        empty.then<Form3>([](Form3* f3) { f3->Command6->click(); });
        empty.then<Form2>([](Form2* panel) { panel->Command1->click(); });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(empty.problems(), QString());

        // A stored value equal to the marker brings the first-password dialog back.
        QVERIFY(install.settings.write(QStringLiteral("Password"), QStringLiteral("wzbkmt806j")));
        ModalSteps marker;
        marker.then<Form5>([](Form5* f5) { f5->close(); });
        marker.then<Form3>([](Form3* f3) { f3->Command1->click(); });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(marker.problems(), QString());
        QVERIFY(MessageBox::takeShown().isEmpty());
    }
};

TOBRIN_TEST(PanelPathTest);
#include "panel_path_test.moc"
