#include "panel/panel_window.h"
#include "shell/browser_window.h"

void Form1::cmdBookMarks_Click() {}

void Form2::Check3_Click() {}
