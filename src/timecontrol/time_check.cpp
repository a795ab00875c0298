#include "panel/panel_window.h"
#include "shell/browser_window.h"

#include <QTimer>

void Form1::Timer1_Timer()
{
    Timer1->setInterval(60000);
}

void Form2::Check2_Click() {}
