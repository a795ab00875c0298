#pragma once

#include "shell/app_context.h"

#include <QWidget>

class BlockedWordList;
class Form1;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;

// The Addresses tab: the blocked-word list and its editor. A word moves from
// the text box into the list with Add and back out with Delete or a double
// click, so a removed word can be corrected and added again. Every change
// rewrites the list file at once.
class AddressesTab : public QWidget
{
    Q_OBJECT
public:
    AddressesTab(const AppContext& context, Form1& browser, QWidget* parent);
    ~AddressesTab() override;

    // Fills the tab from its file, once, during the panel's load step.
    void load();
    // Tells the parent, once, what they should know of the list's check.
    void panelOpening();

    // The list the address check reads; List1 shows it.
    BlockedWordList& list() const { return *m_list; }
    bool blocks(QStringView address) const;

    // --- controls ----------------------------------------------------------
    QLabel* Label5;         // "New word to block in the URL's:"
    QLineEdit* Text1;       // the word being added or corrected
    QPushButton* Command11; // "&Add ->"
    QPushButton* Command12; // "<- &Delete"
    QLabel* Label4;         // "List of words to be blocked in the URL's:"
    QListView* List1;       // the blocked words, sorted ignoring case

    // --- handlers ----------------------------------------------------------
    void Command11_Click();
    void Command12_Click();
    void List1_DblClick();
    void Text1_GotFocus();
    void List1_GotFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int selectedRow() const;
    void focusText1();
    void save();

    AppContext m_context;
    BlockedWordList* m_list;
};
