#pragma once

#include <QPoint>
#include <QSize>
#include <functional>

class QWidget;

// Places a top-level window by the size of its whole frame. A window manager
// frames a window only after it is first shown, so the frame size known at
// that moment is the bare client size; the window is placed again whenever
// the frame size changes, which puts it right once it has been framed.
void keepPlaced(QWidget* window, std::function<QPoint(const QSize& frame)> place);

// Centred on the screen the window (or its owner) is on, frame included.
void keepCentred(QWidget* window);
