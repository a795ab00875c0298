#include "panel/panel_window.h"
#include "shell/browser_window.h"

void Form1::VideoSoftElastic8_Click()
{
    panel().showModal();
}
