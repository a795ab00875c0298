#pragma once

#include <QDialog>

// What Tobrin is and who makes it; opened by a click on either speaker.
class AboutWindow : public QDialog
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget* parent);
};
