#pragma once

#include "shell/app_context.h"
#include "timecontrol/schedule_file.h"

#include <QWidget>

#include <array>

class ElasticPanel;
class Form1;
class IndexTab;
class QLabel;
class QPushButton;

// The Time tab: one weekday of blocked half-hours at a time. The grid is the
// only working copy of the shown day; it is saved on Apply and when the
// parent moves to another weekday.
class TimeTab : public QWidget
{
    Q_OBJECT
public:
    TimeTab(const AppContext& context, Form1& browser, QWidget* parent);

    // Fills the grid from Monday's file, once, during the panel's load step.
    void load();

    // --- controls ----------------------------------------------------------
    IndexTab* VideoSoftIndexTab2;          // Mon|Tue|Wed|Thu|Fri|Sat|Sun over one page
    QWidget* Picture1;                     // holds the grid and the hour labels
    std::array<ElasticPanel*, Schedule::SlotCount> seg{}; // half-hour cells, on = blocked
    std::array<QLabel*, 24> Label2{};      // "0:00" to "23:00"
    QLabel* Label3;                        // the instruction
    QPushButton* Command7;                 // "&Apply"

    // --- handlers ----------------------------------------------------------
    void seg_Click(int index);
    void VideoSoftIndexTab2_Switch(int oldTab, int newTab);
    void Command7_Click();

private:
    void buildGrid();
    void loadDay(int tab);
    bool saveDay(int tab);
    void showCell(int index, bool blocked);

    AppContext m_context;
    Form1& m_browser;
};
