#include "surflog/surf_log_tab.h"

#include "platform/colors.h"
#include "platform/text_file.h"
#include "platform/twips.h"
#include "surflog/session_log.h"

#include <glib.h>
#include <glibmm/main.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const std::string kClear = "_Clear";
const std::string kUndo = "_Undo";

constexpr std::int64_t kPieceBytes = 256 * 1024;
// Time given to filling before the main loop runs again: short enough that
// the window never feels frozen, long enough that a 10 MB log is in at once.
constexpr std::int64_t kSliceMs = 60;

// The text box cannot hold a NUL character; the log shows one as the symbol
// for it, and Apply writes it back as the byte it was.
constexpr std::string_view kNulSymbol = "\u2400";

std::string replaced(std::string text, std::string_view from, std::string_view to)
{
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string readError(const std::filesystem::path& path, const std::string& reason)
{
    return "The file \"" + path.string() + "\" could not be read: " + reason + ".";
}

// Reads up to length bytes, trying on after an interrupted call; -1 on error.
ssize_t readSome(int fd, char* into, std::size_t length)
{
    ssize_t n;
    do
        n = ::read(fd, into, length);
    while (n < 0 && errno == EINTR);
    return n;
}

// The bytes of the file from offset on; none when the file is missing or
// shorter.
TextFile::BytesResult readFrom(const std::filesystem::path& path, std::int64_t offset)
{
    TextFile::BytesResult result;
    struct stat info
    {
    };
    if (::stat(path.c_str(), &info) != 0 && errno == ENOENT)
        return result;
    result.exists = true;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        result.error = readError(path, fd < 0 ? g_strerror(errno) : "it is a folder");
        if (fd >= 0)
            ::close(fd);
        return result;
    }
    if (info.st_size > offset && ::lseek(fd, offset, SEEK_SET) == offset) {
        result.bytes.resize(std::size_t(info.st_size - offset));
        std::size_t done = 0;
        while (done < result.bytes.size()) {
            const ssize_t n = readSome(fd, result.bytes.data() + done, result.bytes.size() - done);
            if (n < 0)
                result.error = readError(path, g_strerror(errno));
            if (n <= 0)
                break;
            done += std::size_t(n);
        }
        result.bytes.resize(done);
    }
    ::close(fd);
    return result;
}

// The theme's buttons are taller than the designed ones.
constexpr char kCompact[] =
    "button.surf-log-button { min-height: 0; padding-top: 0; padding-bottom: 0; }";

Gtk::Button* button(Gtk::Fixed& page, const char* name, const std::string& text,
                    const Gdk::Rectangle& at)
{
    addStyleRules(kCompact);
    auto* button = Gtk::make_managed<Gtk::Button>(text, true);
    button->add_css_class("surf-log-button");
    button->set_name(name);
    button->set_size_request(at.get_width(), at.get_height());
    page.put(*button, at.get_x(), at.get_y());
    return button;
}

} // namespace

SurfLogTab::SurfLogTab(const SurfLogContext& context, Gtk::Fixed& page)
    : m_context(context), m_page(page), m_decoder(context.codePage)
{
    auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
    scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::ALWAYS);
    scroller->set_has_frame(true);
    // A scroll bar that is always there tells the parent how long the log is.
    scroller->set_overlay_scrolling(false);
    const Gdk::Rectangle box = twipsRect(150, 150, 6990, 3510);
    scroller->set_size_request(box.get_width(), box.get_height());
    page.put(*scroller, box.get_x(), box.get_y());
    Text2 = Gtk::make_managed<Gtk::TextView>();
    Text2->set_name("Text2");
    Text2->set_wrap_mode(Gtk::WrapMode::WORD_CHAR);
    Text2->set_left_margin(4);
    Text2->set_top_margin(4);
    scroller->set_child(*Text2);

    Command2 = button(page, "Command2", kClear, twipsRect(150, 3780, 1215, 375));
    Command2->signal_clicked().connect(sigc::mem_fun(*this, &SurfLogTab::Command2_Click));
    Command5 = button(page, "Command5", "_Apply", twipsRect(5925, 3780, 1215, 375));
    Command5->signal_clicked().connect(sigc::mem_fun(*this, &SurfLogTab::Command5_Click));

    // Filled when first shown, as the parent opens the tab.
    Text2->signal_map().connect(sigc::mem_fun(*this, &SurfLogTab::shown));
}

void SurfLogTab::shown()
{
    if (m_state == State::Waiting)
        startFillingFromLog();
}

SurfLogTab::~SurfLogTab()
{
    m_nextSlice.disconnect();
    closeReader();
}

void SurfLogTab::load()
{
    // Only the length: reading a log of years would cost the browser's start.
    m_loadError.clear();
    m_toRead = 0;
    struct stat info
    {
    };
    if (::stat(m_context.logFile.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode))
            m_loadError = readError(m_context.logFile, "it is a folder");
        else
            m_toRead = info.st_size;
    } else if (errno != ENOENT) {
        m_loadError = readError(m_context.logFile, g_strerror(errno));
    }
    m_covered = 0;
    m_state = State::Waiting;
}

void SurfLogTab::fillNow()
{
    if (m_state == State::Waiting)
        startFillingFromLog();
    if (m_state == State::Filling)
        fillSlice(-1);
}

void SurfLogTab::startFillingFromLog()
{
    m_covered = 0;
    m_decoder = SurfLogText::Decoder(m_context.codePage);
    closeReader();
    if (m_toRead > 0) {
        m_fd = ::open(m_context.logFile.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0) {
            m_loadError = readError(m_context.logFile, g_strerror(errno));
            m_toRead = 0;
        }
    }
    startFilling([this] { return nextLogPiece(); });
}

std::string SurfLogTab::nextLogPiece()
{
    std::string bytes;
    while (m_fd >= 0) {
        if (m_toRead <= 0) {
            closeReader();
            return m_decoder.finish();
        }
        bytes.resize(std::size_t(std::min(m_toRead, kPieceBytes)));
        const ssize_t n = readSome(m_fd, bytes.data(), bytes.size());
        if (n <= 0) {
            // Shorter than at the panel's load, or unreadable: keep what
            // came; Apply leaves the rest of the file after it.
            if (n < 0)
                m_loadError = readError(m_context.logFile, g_strerror(errno));
            m_toRead = 0;
            continue;
        }
        bytes.resize(std::size_t(n));
        m_toRead -= n;
        m_covered += n;
        std::string piece = m_decoder.decode(bytes);
        if (!piece.empty())
            return piece;
    }
    return {};
}

void SurfLogTab::closeReader()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void SurfLogTab::startFilling(std::function<std::string()> nextPiece)
{
    m_nextSlice.disconnect();
    m_nextPiece = std::move(nextPiece);
    m_state = State::Filling;
    // The text goes into a buffer of its own, shown once it is whole: a
    // view laying out every piece as it comes in would take minutes for a
    // large log. Undo steps for the loaded text would double its memory.
    m_filling = Gtk::TextBuffer::create();
    m_filling->set_enable_undo(false);
    Text2->get_buffer()->set_text("");
    Text2->set_editable(false);
    Command2->set_sensitive(false);
    Command5->set_sensitive(false);
    setBusy(true);
    if (fillSlice(kSliceMs))
        m_nextSlice = Glib::signal_idle().connect([this] { return fillSlice(kSliceMs); });
}

bool SurfLogTab::fillSlice(std::int64_t budgetMs)
{
    if (m_state != State::Filling)
        return false;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        std::string piece = m_nextPiece();
        if (piece.empty()) {
            finishFilling();
            return false;
        }
        if (piece.find('\0') != std::string::npos)
            piece = replaced(std::move(piece), std::string_view("\0", 1), kNulSymbol);
        m_filling->insert(m_filling->end(), piece.data(), piece.data() + piece.size());
        const auto spent = std::chrono::steady_clock::now() - start;
        if (budgetMs >= 0 && spent >= std::chrono::milliseconds(budgetMs))
            return true;
    }
}

void SurfLogTab::finishFilling()
{
    m_nextSlice.disconnect();
    m_nextPiece = nullptr;
    m_state = State::Filled;
    m_filling->set_enable_undo(true);
    m_filling->place_cursor(m_filling->begin());
    Text2->set_buffer(m_filling);
    m_filling.reset();
    Text2->set_editable(true);
    Command2->set_sensitive(true);
    Command5->set_sensitive(true);
    setBusy(false);
    if (!m_loadError.empty()) {
        tellParent(m_loadError + "\n\nThe box shows what could be read; Apply "
                                 "keeps the rest of the log after your text.");
        m_loadError.clear();
    }
    m_filled.emit();
}

void SurfLogTab::setBusy(bool busy)
{
    m_page.set_cursor(busy ? "progress" : "");
    Text2->set_cursor(busy ? "progress" : "text");
}

void SurfLogTab::tellParent(const std::string& text, MessageBox::Icon icon)
{
    // After the tab has been drawn, not from inside the handler that shows it.
    Glib::signal_idle().connect_once(
        sigc::bind(sigc::mem_fun(*this, &SurfLogTab::showLater), text, icon));
}

void SurfLogTab::showLater(std::string text, MessageBox::Icon icon)
{
    MessageBox::show(window(), text, "Tobrin", MessageBox::Ok, icon);
}

Gtk::Window* SurfLogTab::window()
{
    return dynamic_cast<Gtk::Window*>(m_page.get_root());
}

void SurfLogTab::panelOpening()
{
    if (!m_context.sessionLog)
        return;
    const SurfRecords::Notice notice = m_context.sessionLog->takeNotice();
    if (!notice.text.empty())
        tellParent(notice.text, notice.error ? MessageBox::Critical : MessageBox::Warning);
}

std::string SurfLogTab::logBytes() const
{
    std::string text = Text2->get_buffer()->get_text(true);
    if (text.find(kNulSymbol) != std::string::npos)
        text = replaced(std::move(text), kNulSymbol, std::string_view("\0", 1));
    return SurfLogText::encode(text, m_context.codePage);
}

void SurfLogTab::Command2_Click()
{
    fillNow();
    if (Command2->get_label().raw() == kClear) {
        m_undo = Text2->get_buffer()->get_text(true);
        Text2->get_buffer()->set_text("");
        Command2->set_label(kUndo);
        return;
    }
    // The cleared text is put back piece by piece like the log itself; the
    // store is not needed again, since the next Clear replaces it.
    m_undoPending = std::move(m_undo);
    m_undo.clear();
    m_undoOffset = 0;
    Command2->set_label(kClear);
    startFilling([this]() -> std::string {
        if (m_undoOffset >= m_undoPending.size()) {
            m_undoPending.clear();
            return {};
        }
        std::size_t end = std::min(m_undoOffset + std::size_t(kPieceBytes), m_undoPending.size());
        // Never between the bytes of one character.
        while (end < m_undoPending.size() && (m_undoPending[end] & 0xC0) == 0x80)
            ++end;
        std::string piece = m_undoPending.substr(m_undoOffset, end - m_undoOffset);
        m_undoOffset = end;
        return piece;
    });
}

void SurfLogTab::Command5_Click()
{
    fillNow();
    std::string bytes = logBytes();
    bytes += "\r\n";
    // Records the browser appended since the box was filled are not in the
    // box; they stay after the parent's text.
    const TextFile::BytesResult later = readFrom(m_context.logFile, m_covered);
    if (!later.error.empty()) {
        MessageBox::showSaveError(window(), later.error);
        return;
    }
    const std::int64_t boxLength = std::int64_t(bytes.size());
    bytes += later.bytes;
    const TextFile::WriteResult written = TextFile::writeBytes(m_context.logFile, bytes);
    if (!written.ok()) {
        MessageBox::showSaveError(window(), written.error);
        return;
    }
    m_covered = boxLength;
}
