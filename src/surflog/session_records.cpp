#include "shell/browser_window.h"

void Form1::SurfLogStart() {}

void Form1::VideoSoftElastic6_Click()
{
    context().endProgram();
}

void Form1::Form_Unload(bool& cancel)
{
    cancel = false;
    context().endProgram();
}
