#pragma once

#include "shell/app_context.h"
#include "surflog/log_text.h"

#include <QFile>
#include <QMessageBox>
#include <QWidget>

#include <functional>

class Form1;
class QPlainTextEdit;
class QPushButton;
class QTimer;

// The Surf Log tab: the log of every session, to read, edit, clear and write
// back.
//
// The panel is created while the browser starts, and the log only grows, so
// the panel's load step only notes how long the log is; the box is filled
// with exactly those bytes when the tab is first shown. A large log goes in
// piece by piece under a busy pointer, keeping the window responsive.
class SurfLogTab : public QWidget
{
    Q_OBJECT
public:
    SurfLogTab(const AppContext& context, Form1& browser, QWidget* parent);

    // --- controls ----------------------------------------------------------
    QPlainTextEdit* Text2;  // the working copy of the log
    QPushButton* Command2;  // "&Clear" / "&Undo": the caption is the state
    QPushButton* Command5;  // "&Apply"

    // --- handlers ----------------------------------------------------------
    void Command2_Click();
    void Command5_Click();

    // Remembers the log as it is now, for the box. Once, during the panel's
    // load step.
    void load();
    // Finishes filling the box at once (it is otherwise filled when first
    // shown). The handlers call it first, so they never act on half a log.
    void fillNow();
    bool isFilled() const { return m_state == State::Filled; }

    // Tells the parent, once the panel shows, of log records that could not
    // be written (still waiting, or written since).
    void panelOpening();

    // The box's text as the log holds it: each line followed by CR LF.
    QByteArray logBytes() const;

Q_SIGNALS:
    // The box holds the whole text it was being filled with.
    void filled();

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum class State { Waiting, Filling, Filled };

    void startFilling(std::function<QString()> nextPiece);
    void startFillingFromLog();
    void fillSlice(qint64 budgetMs);
    void finishFilling();
    void tellParent(const QString& text, QMessageBox::Icon icon = QMessageBox::Warning);
    QString logPath() const;

    AppContext m_context;
    Form1& m_browser;

    State m_state = State::Waiting;
    QTimer* m_fillTimer;                   // runs the next slice of the fill
    std::function<QString()> m_nextPiece;  // the rest of the fill; null text at the end
    QFile m_reader;
    SurfLogText::Decoder m_decoder;
    qint64 m_toRead = 0;    // bytes of the log still to read into the box
    // How many leading bytes of the file the box stands for. Records the
    // browser appends later lie beyond them, and Apply keeps them.
    qint64 m_covered = 0;
    QString m_loadError;
    QString m_undo;         // the box's text at the last Clear
    QString m_undoPending;  // text being put back by Undo
    qsizetype m_undoOffset = 0;
};
