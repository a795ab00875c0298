#pragma once

#include "platform/message_box.h"

#include <QTest>

// Checks that exactly one OK box was shown since the last look, and what it said.
inline void expectOneBox(const QString& text, const QString& title, MessageBox::Icon icon)
{
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, text);
    QCOMPARE(shown[0].title, title);
    QCOMPARE(shown[0].buttons, MessageBox::Buttons(QMessageBox::Ok));
    QCOMPARE(shown[0].icon, icon);
}

inline const QString kTryAgain = QStringLiteral("Enter your password again...");
