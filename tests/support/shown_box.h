#pragma once

#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <string>

// A box as the parent saw it: its text, title, buttons, icon and default.
inline void expectBox(const MessageBox::Shown& box, const std::string& text,
                      const std::string& title, MessageBox::Buttons buttons, MessageBox::Icon icon,
                      MessageBox::Button defaultButton)
{
    SCOPED_TRACE(text);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.title, title);
    EXPECT_EQ(box.buttons, buttons);
    EXPECT_EQ(box.icon, icon);
    EXPECT_EQ(box.defaultButton, defaultButton);
}
