#pragma once

#include "shell/app_context.h"

#include <QWidget>

class Form1;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The Password tab: the parent replaces the password by typing the current
// one and the new one twice. The entries keep their texts and states while
// the panel is hidden and shown again.
class PasswordTab : public QWidget
{
    Q_OBJECT
public:
    PasswordTab(const AppContext& context, Form1& browser, QWidget* parent);

    // --- controls ----------------------------------------------------------
    QGroupBox* Frame2;     // "Password Control"
    QLabel* Label8;        // "Enter your password"
    QLineEdit* Text8;      // current password
    QLabel* Label7;        // "Enter your NEW password"
    QLineEdit* Text7;      // new password
    QLabel* Label1;        // "Enter AGAIN your NEW password"
    QLineEdit* Text3;      // new password again
    QPushButton* Command6; // "&Cancel"
    QPushButton* Command4; // "&Apply"

    // --- handlers ----------------------------------------------------------
    void Text8_Change();
    void Command6_Click();
    void Command4_Click();

private:
    void clearEntries();
    void setNewEntriesEnabled(bool enabled);

    AppContext m_context;
};
