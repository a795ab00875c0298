#pragma once

#include <QColor>
#include <QList>
#include <optional>

class QWidget;

// The colour dialog behind one function, so tests can pick a colour (or
// cancel) without a modal loop.
namespace ColorDialog {

// The colour chosen, or nothing when the parent cancelled.
std::optional<QColor> choose(QWidget* parent, const QColor& initial);

// --- test seam -----------------------------------------------------------
void enableTestMode();
// The next call returns this; std::nullopt stands for Cancel.
void queueAnswer(std::optional<QColor> answer);
// How many times the dialog was "shown" since the last call.
int takeShownCount();

} // namespace ColorDialog
