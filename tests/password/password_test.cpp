#include "password/first_password_dialog.h"
#include "password/password_tab.h"
#include "password/stored_password.h"
#include "test_install.h"

using namespace StoredPassword;

namespace {

const QString kTryAgain =
    box(u"Enter your password again..."_s, u"Error!"_s, QMessageBox::Ok, QMessageBox::Critical);

} // namespace

class PasswordTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void scrambleAndStoreEveryCode_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("password");
        QTest::newRow("western") << QByteArray("CP1252") << u"Tiger\u20AC"_s;
        QTest::newRow("cyrillic") << QByteArray("CP1251") << u"\u0422\u0438\u0433\u0440"_s;
        QTest::newRow("vietnamese") << QByteArray("CP1258") << u"H\u1EC7"_s;
    }
    void scrambleAndStoreEveryCode()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, password);
        const CodePage codePage(page);
        QByteArray all, scrambled;
        for (int code = 0; code < 256; ++code)
            all.append(char(code)), scrambled.append(char(code ^ 83));
        const QString text = codePage.chars(all);
        const QString once = Scramble(text, Key, codePage);
        QCOMPARE(codePage.encode(once), scrambled);
        QCOMPARE(Scramble(once, Key, codePage), text);

        // Stored and read back, every code matches, and only exactly.
        TestInstall install;
        for (const QString& typed : {text, password}) {
            QVERIFY(refusal(typed, codePage).isEmpty());
            QVERIFY(store(install.settings, typed, codePage, nullptr));
            QVERIFY(matches(typed, expected(install.settings, codePage), codePage));
        }
        QVERIFY(!matches(password.toLower(), expected(install.settings, codePage), codePage));
        QVERIFY(!matches(password + u' ', expected(install.settings, codePage), codePage));

        // Typing a character the page lacks never matches the question marks it
        // would once have become.
        QVERIFY(store(install.settings, u"k?"_s, codePage, nullptr));
        QVERIFY(!matches(u"k\u4E2D"_s, expected(install.settings, codePage), codePage));
    }

    // The dialogs on the way into the panel, each on its own; the whole way is
    // walked by the end-to-end scenarios.

    void firstPasswordWithEveryMistake()
    {
        TestInstall install;
        Form5 f5(nullptr, install.settings, CodePage("CP1251"));
        f5.show();
        QVERIFY(!f5.Text2->isEnabled() && !f5.Label3->isEnabled());
        QTest::keyClick(&f5, Qt::Key_Escape); // Escape does not close it
        f5.Command1->click();                 // nothing typed
        QCOMPARE(shownBox(), kTryAgain);
        QVERIFY(!f5.Text2->isEnabled());
        // A letter a Russian user's code page lacks is refused by name, never
        // stored as '?'. (Typed as an input method would.)
        f5.Text1->insert(u"\u0416\u4E2D"_s);
        f5.Text2->insert(u"\u0416\u4E2D"_s);
        f5.Command1->click();
        QVERIFY(MessageBox::takeShown().value(0).text.contains(u"\u4E2D"));
        QVERIFY(f5.Text1->text().isEmpty() && f5.Text2->text().isEmpty());
        QTest::keyClicks(f5.Text1, u"Tiger"_s);
        QVERIFY(f5.Text2->isEnabled() && f5.Label3->isEnabled());
        QTest::keyClick(f5.Text1, Qt::Key_Return);
        QCOMPARE(f5.focusWidget(), f5.Text2);
        QTest::keyClicks(f5.Text2, u"tiger"_s);
        f5.Command1->click();
        QCOMPARE(shownBox(), kTryAgain);
        QVERIFY(f5.Text1->text().isEmpty() && f5.Text2->text().isEmpty());
        QCOMPARE(f5.focusWidget(), f5.Text1);

        // A password the settings refuse is not announced, and nothing typed is lost.
        QVERIFY(QDir().mkpath(install.settings.filePath()));
        QTest::keyClicks(f5.Text1, u"Tiger"_s);
        QTest::keyClicks(f5.Text2, u"Tiger"_s);
        f5.Command1->click();
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QVERIFY(f5.isVisible() && f5.Text2->text() == "Tiger");
        QVERIFY(QDir().rmdir(install.settings.filePath()));
        QTest::keyClick(f5.Text2, Qt::Key_Return);
        QTest::keyClick(f5.focusWidget(), Qt::Key_Return); // Enter on O K confirms
        QCOMPARE(shownBox(), box(u"Your password is very important. Do not forget it!"_s,
                                 u"Atention!"_s, QMessageBox::Ok, QMessageBox::Warning));
        QCOMPARE(f5.result(), int(QDialog::Accepted));
        QCOMPARE(install.settings.read(u"Password"_s, QString()),
                 Scramble(u"Tiger"_s, Key, CodePage("CP1251")));
    }

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
        auto stored = [&] { return install.settings.read(u"Password"_s, "none"); };
        QVERIFY(isUnset(install.settings)); // nothing stored is no password yet

        // Typing, and deleting everything, enable the new entries; Cancel clears and disables.
        newEntries(false);
        QTest::keyClicks(tab.Text8, u"ab"_s);
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
        apply(u"\"\"\""_s, u"Lion"_s, u"Lion"_s);
        QCOMPARE(MessageBox::takeShown().value(0).icon, QMessageBox::Critical);
        QCOMPARE(tab.Text3->text(), u"Lion"_s);
        QVERIFY(QDir().rmdir(install.settings.filePath()));
        tab.Command6->click();
        apply(u"\"\"\""_s, u"Tiger"_s, u"Tiger"_s);
        QCOMPARE(shownBox(), box(u"Write down your new password! Don't forget it!!!"_s,
                                 u"Password changed!"_s, QMessageBox::Ok, QMessageBox::Warning));
        QCOMPARE(stored(), Scramble(u"Tiger"_s, Key, CodePage()));
        newEntries(true);
        QCOMPARE(panel.focusWidget(), tab.Command4);

        const QList<QStringList> wrong = {{"tiger", "Lion", "Lion"}, {"Tiger", "Lion", "lion"}};
        for (const QStringList& entries : wrong) {
            apply(entries[0], entries[1], entries[2]);
            QCOMPARE(shownBox(), kTryAgain);
            QVERIFY(tab.Text8->text().isEmpty() && tab.Text7->text().isEmpty());
            newEntries(false);
            QCOMPARE(panel.focusWidget(), tab.Text8);
            QCOMPARE(stored(), Scramble(u"Tiger"_s, Key, CodePage()));
        }

        // A new password the code page cannot hold is refused by name; only
        // the new entries are typed again.
        QTest::keyClicks(tab.Text8, u"Tiger"_s);
        tab.Text7->insert(u"\u0416"_s);
        tab.Text3->insert(u"\u0416"_s);
        tab.Command4->click();
        QVERIFY(MessageBox::takeShown().value(0).text.contains(u": \u0416\n"_s));
        QCOMPARE(stored(), Scramble(u"Tiger"_s, Key, CodePage()));
        QCOMPARE(tab.Text8->text(), u"Tiger"_s);
        QCOMPARE(panel.focusWidget(), tab.Text7);
        tab.Text8->clear();

        // An empty new password is a password too.
        apply(u"Tiger"_s, QString(), QString());
        QCOMPARE(MessageBox::takeShown().value(0).title, u"Password changed!"_s);
        QCOMPARE(stored(), QString());
        QVERIFY(!isUnset(install.settings));
        // Nor is the marker (a wrong one at the prompt is the end-to-end scenario's).
        QVERIFY(install.settings.write(u"Password"_s, u"wzbkmt806j"_s));
        QVERIFY(isUnset(install.settings));
    }
};

TOBRIN_TEST(PasswordTest);
#include "password_test.moc"
