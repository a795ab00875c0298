#pragma once

#include <QColor>

// Colour values as stored: red in the lowest byte, then green, then blue.
namespace ColorValue {

QColor toColor(qint64 value);
qint64 fromColor(const QColor& color);

} // namespace ColorValue
