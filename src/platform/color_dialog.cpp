#include "platform/color_dialog.h"

#include <QColorDialog>

namespace {

struct TestSeam
{
    bool enabled = false;
    QList<std::optional<QColor>> answers;
    int shown = 0;
};

TestSeam& seam()
{
    static TestSeam s;
    return s;
}

} // namespace

namespace ColorDialog {

std::optional<QColor> choose(QWidget* parent, const QColor& initial)
{
    if (seam().enabled) {
        ++seam().shown;
        return seam().answers.isEmpty() ? std::nullopt : seam().answers.takeFirst();
    }
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

void enableTestMode()
{
    seam().enabled = true;
}

void queueAnswer(std::optional<QColor> answer)
{
    seam().answers.append(answer);
}

int takeShownCount()
{
    return std::exchange(seam().shown, 0);
}

} // namespace ColorDialog
