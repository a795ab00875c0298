#include "favorites/favorites_tab.h"
#include "modal_steps.h"
#include "panel/panel_window.h"
#include "password/first_password_dialog.h"
#include "password/password_prompt.h"
#include "password/stored_password.h"
#include "platform/elastic_panel.h"
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
const QString kTiger = QStringLiteral("\u0422\u0438\u0433\u0440");
}

class PanelPathTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { MessageBox::takeShown(); }

    void firstUseStoresThePasswordAndOpensThePanel()
    {
        TestInstall install;
        install.codePage = "CP1251"; // a Russian user's, with a Cyrillic password
        auto form = install.window();
        form->CurrentTitle = QStringLiteral("Kids page");
        form->CurrentUrl = QStringLiteral("http://kids.example/");

        ModalSteps steps;
        steps.then<Form5>([](Form5* f5) {
            QVERIFY(!f5->Text2->isEnabled());
            QVERIFY(!f5->Label3->isEnabled());
            QCOMPARE(f5->Text1->echoMode(), QLineEdit::Password);
            QTest::keyClick(f5->Text1, Qt::Key_Return); // nothing typed yet: nothing happens
            QTest::keyClick(f5, Qt::Key_Escape);        // nor does Escape close it
            QVERIFY(f5->isVisible());
            QCOMPARE(f5->focusWidget(), f5->Text1);
            // A letter the code page lacks is refused by name, never stored as '?'.
            // (Typed as an input method would: the test keyboard has no such keys.)
            f5->Text1->insert(QStringLiteral("\u0416\u4E2D"));
            f5->Text2->insert(QStringLiteral("\u0416\u4E2D"));
            f5->Command1->click();
            QVERIFY(MessageBox::takeShown().value(0).text.contains(u"\u4E2D"));
            QVERIFY(f5->Text1->text().isEmpty() && f5->Text2->text().isEmpty());
            f5->Text1->insert(kTiger);
            QVERIFY(f5->Text2->isEnabled() && f5->Label3->isEnabled());
            QTest::keyClick(f5->Text1, Qt::Key_Return);
            QCOMPARE(f5->focusWidget(), f5->Text2);
            f5->Text2->insert(kTiger);
            QTest::keyClick(f5->Text2, Qt::Key_Return);
            QCOMPARE(f5->focusWidget(), f5->Command1);
            QVERIFY(f5->isVisible());
            QVERIFY(MessageBox::takeShown().isEmpty());
            QTest::keyClick(f5->focusWidget(), Qt::Key_Return); // Enter on O K confirms
        });
        steps.then<Form3>([](Form3* f3) {
            expectOneBox(QStringLiteral("Your password is very important. Do not forget it!"),
                         QStringLiteral("Atention!"), QMessageBox::Warning);
            QCOMPARE(f3->windowTitle(), QStringLiteral(" Tobrin"));
            f3->Text3->insert(kTiger);
            QTest::keyClick(f3->Text3, Qt::Key_Return);
            QCOMPARE(f3->focusWidget(), f3->Command6);
            QVERIFY(f3->isVisible()); // Enter only moved the focus
            QTest::keyClick(f3->focusWidget(), Qt::Key_Return);
        });
        steps.then<Form2>([](Form2* panel) {
            QCOMPARE(panel->favorites().Text4->text(), QStringLiteral("Kids page"));
            QCOMPARE(panel->favorites().Text5->text(), QStringLiteral("http://kids.example/"));
            QVERIFY(panel->browser().findChildren<Form3*>().constFirst()->isHidden());
            panel->Command1->click();
        });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton); // returns when the path ends
        QCOMPARE(steps.problems(), QString());
        QVERIFY(MessageBox::takeShown().isEmpty());
        QCOMPARE(install.settings.read(QStringLiteral("Password"), QString()),
                 Scramble(kTiger, StoredPassword::Key, CodePage("CP1251")));
        // The prompt is gone; the dialogs kept nothing.
        QVERIFY(form->findChildren<Form3*>().isEmpty());
        QVERIFY(form->findChildren<Form5*>().isEmpty());
        QVERIFY(!form->panel().isVisible());
    }

    void firstPasswordMistakesRefusalThenClosingWithoutConfirming()
    {
        TestInstall install;
        auto form = install.window();

        ModalSteps steps;
        steps.then<Form5>([&settings = install.settings](Form5* f5) {
            f5->Command1->click(); // nothing typed
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QVERIFY(!f5->Text2->isEnabled()); // still nothing was ever typed

            for (const QString& second : {QStringLiteral("tiger"), QStringLiteral("Tige")}) {
                QTest::keyClicks(f5->Text1, QStringLiteral("Tiger"));
                QTest::keyClicks(f5->Text2, second);
                f5->Command1->click();
                expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
                QCOMPARE(f5->Text1->text(), QString());
                QCOMPARE(f5->Text2->text(), QString());
                QVERIFY(f5->Text2->isEnabled() && f5->Label3->isEnabled());
                QCOMPARE(f5->focusWidget(), f5->Text1);
            }
            QVERIFY(f5->isVisible());

            // A password the settings refuse is not announced, and nothing typed is lost.
            QVERIFY(QDir().mkpath(settings.filePath()));
            QTest::keyClicks(f5->Text1, QStringLiteral("Tiger"));
            QTest::keyClicks(f5->Text2, QStringLiteral("Tiger"));
            f5->Command1->click();
            const auto shown = MessageBox::takeShown();
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].title != QStringLiteral("Atention!"));
            QCOMPARE(shown[0].icon, QMessageBox::Critical);
            QVERIFY(f5->isVisible());
            QCOMPARE(f5->Text2->text(), QStringLiteral("Tiger"));
            QVERIFY(QDir().rmdir(settings.filePath()));
            f5->close();
        });
        steps.then<Form3>([](Form3* f3) {
            QTest::keyClicks(f3->Text3, QStringLiteral("Tiger"));
            f3->Command6->click();
            expectOneBox(kTryAgain, QStringLiteral("Error!"), QMessageBox::Critical);
            QCOMPARE(f3->Text3->text(), QString());
            QCOMPARE(f3->focusWidget(), f3->Text3);
            QVERIFY(f3->isVisible());
            // With nothing stored only the unscrambled default is right.
            QTest::keyClicks(f3->Text3, QStringLiteral("\"\"\""));
            f3->Command6->click();
        });
        steps.then<Form2>([](Form2* panel) { panel->Command1->click(); });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(steps.problems(), QString());
        QVERIFY(StoredPassword::isUnset(install.settings));
        QVERIFY(MessageBox::takeShown().isEmpty());
    }

    void storedValueDecidesTheDialogs()
    {
        TestInstall install;
        auto form = install.window();
        Form2& panel = form->panel();
        panel.favorites().Text4->setText(QStringLiteral("old name"));
        form->CurrentTitle = QStringLiteral("Zoo");
        form->CurrentUrl = QStringLiteral("http://zoo.example/");

        // An empty stored password: no first-password dialog, and an empty entry
        // is right. The favorites entries are filled before the prompt asks, so
        // Cancel keeps them and opens nothing.
        QVERIFY(StoredPassword::store(install.settings, QString(), CodePage(), nullptr));
        ModalSteps cancel;
        cancel.then<Form3>([&panel](Form3* f3) {
            QCOMPARE(panel.favorites().Text4->text(), QStringLiteral("Zoo"));
            QCOMPARE(panel.favorites().Text5->text(), QStringLiteral("http://zoo.example/"));
            f3->Command1->click();
        });
        QTest::mouseClick(form->VideoSoftElastic8, Qt::LeftButton);
        QCOMPARE(cancel.problems(), QString());
        QCOMPARE(panel.favorites().Text4->text(), QStringLiteral("Zoo"));
        QVERIFY(!panel.isVisible());

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
