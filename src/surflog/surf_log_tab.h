#pragma once

#include "platform/code_page.h"
#include "platform/message_box.h"
#include "surflog/log_text.h"

#include <gtkmm/button.h>
#include <gtkmm/fixed.h>
#include <gtkmm/textview.h>
#include <sigc++/trackable.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

class SurfRecords;

// What the Surf Log tab needs of the installation and the running session.
struct SurfLogContext
{
    std::filesystem::path logFile;
    CodePage codePage;
    // This session's log, whose troubles the parent hears of when the panel
    // opens; none where no session runs.
    SurfRecords* sessionLog = nullptr;
};

// The Surf Log tab: the log of every session, to read, edit, clear and write
// back.
//
// The panel is created while the browser starts, and the log only grows, so
// the panel's load step only notes how long the log is; the box is filled
// with exactly those bytes when the tab is first shown. A large log goes in
// piece by piece while the main loop runs on, keeping the window responsive.
// The controls' handlers end with the tab, though the page may live on.
class SurfLogTab : public sigc::trackable
{
public:
    // Puts the tab's controls on page, the panel's page for this tab.
    SurfLogTab(const SurfLogContext& context, Gtk::Fixed& page);
    ~SurfLogTab();
    SurfLogTab(const SurfLogTab&) = delete;
    SurfLogTab& operator=(const SurfLogTab&) = delete;

    // --- controls ----------------------------------------------------------
    Gtk::TextView* Text2;  // the working copy of the log
    Gtk::Button* Command2; // "_Clear" / "_Undo": the caption is the state
    Gtk::Button* Command5; // "_Apply"

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
    std::string logBytes() const;

    // The box holds the whole text it was being filled with.
    sigc::signal<void()>& signal_filled() { return m_filled; }

private:
    enum class State
    {
        Waiting,
        Filling,
        Filled
    };

    void shown();
    void startFilling(std::function<std::string()> nextPiece);
    void startFillingFromLog();
    std::string nextLogPiece();
    bool fillSlice(std::int64_t budgetMs);
    void finishFilling();
    void setBusy(bool busy);
    void closeReader();
    void tellParent(const std::string& text, MessageBox::Icon icon = MessageBox::Warning);
    void showLater(std::string text, MessageBox::Icon icon);
    Gtk::Window* window(); // the panel, for the boxes

    SurfLogContext m_context;
    Gtk::Fixed& m_page;

    State m_state = State::Waiting;
    sigc::connection m_nextSlice;
    std::function<std::string()> m_nextPiece; // the rest of the fill; empty text at the end
    Glib::RefPtr<Gtk::TextBuffer> m_filling;  // the box's next text, while it fills
    int m_fd = -1;                            // the log, while the box fills from it
    SurfLogText::Decoder m_decoder;
    std::int64_t m_toRead = 0; // bytes of the log still to read into the box
    // How many leading bytes of the file the box stands for. Records the
    // browser appends later lie beyond them, and Apply keeps them.
    std::int64_t m_covered = 0;
    std::string m_loadError;
    std::string m_undo;        // the box's text at the last Clear
    std::string m_undoPending; // text being put back by Undo
    std::size_t m_undoOffset = 0;
    sigc::signal<void()> m_filled;
};
