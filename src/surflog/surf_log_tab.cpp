#include "surflog/surf_log_tab.h"

#include "platform/message_box.h"
#include "platform/text_file.h"
#include "platform/twips.h"
#include "shell/browser_window.h"
#include "surflog/session_log.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>

namespace {

const QString kClear = QStringLiteral("&Clear");
const QString kUndo = QStringLiteral("&Undo");

constexpr qint64 kPieceBytes = 256 * 1024;
// Time given to filling before the event loop runs again: short enough that
// the window never feels frozen, long enough that a 10 MB log is in at once.
constexpr qint64 kSliceMs = 60;

QString readError(const QString& path, const QString& reason)
{
    return QStringLiteral("The file \"%1\" could not be read: %2.")
        .arg(QDir::toNativeSeparators(path), reason);
}

// The bytes of the file from offset on; none when the file is missing or
// shorter.
TextFile::BytesResult readFrom(const QString& path, qint64 offset)
{
    TextFile::BytesResult result;
    QFile file(path);
    if (!file.exists())
        return result;
    result.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = readError(path, file.errorString());
        return result;
    }
    if (file.size() <= offset)
        return result;
    if (!file.seek(offset)) {
        result.error = readError(path, file.errorString());
        return result;
    }
    result.bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        result.error = readError(path, file.errorString());
    return result;
}

// The busy pointer for the length of a handler.
class BusyPointer
{
public:
    BusyPointer() { QApplication::setOverrideCursor(Qt::BusyCursor); }
    ~BusyPointer() { QApplication::restoreOverrideCursor(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
};

} // namespace

SurfLogTab::SurfLogTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser), m_fillTimer(new QTimer(this)),
      m_decoder(context.codePage)
{
    setObjectName(QStringLiteral("SurfLogTab"));

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(twipsRect(150, 150, 6990, 3510));
    Text2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text2->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    Command2 = new QPushButton(kClear, this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(twipsRect(150, 3780, 1215, 375));
    Command2->setAutoDefault(false);
    connect(Command2, &QPushButton::clicked, this, &SurfLogTab::Command2_Click);

    Command5 = new QPushButton(QStringLiteral("&Apply"), this);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command5->setGeometry(twipsRect(5925, 3780, 1215, 375));
    Command5->setAutoDefault(false);
    connect(Command5, &QPushButton::clicked, this, &SurfLogTab::Command5_Click);

    m_fillTimer->setSingleShot(true);
    m_fillTimer->setInterval(0);
    connect(m_fillTimer, &QTimer::timeout, this, [this] { fillSlice(kSliceMs); });
}

QString SurfLogTab::logPath() const
{
    return m_context.paths.file(AppPaths::Log);
}

void SurfLogTab::load()
{
    // Only the length: reading a log of years would cost the browser's start.
    const QFileInfo info(logPath());
    m_loadError.clear();
    m_toRead = 0;
    if (info.isDir())
        m_loadError = readError(logPath(), QStringLiteral("it is a folder"));
    else if (info.exists())
        m_toRead = info.size();
    m_covered = 0;
    m_state = State::Waiting;
}

void SurfLogTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_state == State::Waiting)
        startFillingFromLog();
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
    if (m_toRead > 0) {
        m_reader.setFileName(logPath());
        if (!m_reader.open(QIODevice::ReadOnly)) {
            m_loadError = readError(logPath(), m_reader.errorString());
            m_toRead = 0;
        }
    }
    startFilling([this]() -> QString {
        while (m_reader.isOpen()) {
            QString piece;
            if (m_toRead > 0) {
                const QByteArray bytes = m_reader.read(qMin(m_toRead, kPieceBytes));
                if (bytes.isEmpty()) {
                    // Shorter than at the panel's load, or unreadable: keep
                    // what came; Apply leaves the rest of the file after it.
                    if (m_reader.error() != QFileDevice::NoError)
                        m_loadError = readError(logPath(), m_reader.errorString());
                    m_toRead = 0;
                    continue;
                }
                m_toRead -= bytes.size();
                m_covered += bytes.size();
                piece = m_decoder.decode(bytes);
            } else {
                piece = m_decoder.finish();
                m_reader.close();
            }
            if (!piece.isEmpty())
                return piece;
        }
        return QString();
    });
}

void SurfLogTab::startFilling(std::function<QString()> nextPiece)
{
    m_nextPiece = std::move(nextPiece);
    m_state = State::Filling;
    Text2->clear();
    // Undo steps for the loaded text would double its memory.
    Text2->document()->setUndoRedoEnabled(false);
    Text2->setReadOnly(true);
    Command2->setEnabled(false);
    Command5->setEnabled(false);
    setCursor(Qt::BusyCursor);
    Text2->viewport()->setCursor(Qt::BusyCursor);

    fillSlice(kSliceMs);
    // The box's own cursor moved along with the first text; show the top.
    if (m_state == State::Filling)
        Text2->moveCursor(QTextCursor::Start);
}

void SurfLogTab::fillSlice(qint64 budgetMs)
{
    if (m_state != State::Filling)
        return;
    QTextCursor end(Text2->document());
    end.movePosition(QTextCursor::End);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const QString piece = m_nextPiece();
        if (piece.isNull()) {
            finishFilling();
            return;
        }
        end.insertText(piece);
        if (budgetMs >= 0 && clock.elapsed() >= budgetMs)
            break;
    }
    m_fillTimer->start();
}

void SurfLogTab::finishFilling()
{
    m_fillTimer->stop();
    m_nextPiece = nullptr;
    m_state = State::Filled;
    Text2->document()->setUndoRedoEnabled(true);
    Text2->setReadOnly(false);
    Text2->moveCursor(QTextCursor::Start);
    Command2->setEnabled(true);
    Command5->setEnabled(true);
    unsetCursor();
    Text2->viewport()->setCursor(Qt::IBeamCursor);
    if (!m_loadError.isEmpty()) {
        tellParent(m_loadError + QStringLiteral("\n\nThe box shows what could be read; Apply "
                                                "keeps the rest of the log after your text."));
        m_loadError.clear();
    }
    Q_EMIT filled();
}

void SurfLogTab::tellParent(const QString& text, QMessageBox::Icon icon)
{
    // After the tab has been drawn, not from inside its show event.
    QTimer::singleShot(0, this, [this, text, icon] {
        MessageBox::show(this, text, QStringLiteral("Tobrin"), QMessageBox::Ok, icon);
    });
}

void SurfLogTab::panelOpening()
{
    const SessionLog::Notice notice = m_browser.sessionLog().takeNotice();
    if (!notice.text.isEmpty())
        tellParent(notice.text, notice.error ? QMessageBox::Critical : QMessageBox::Warning);
}

QByteArray SurfLogTab::logBytes() const
{
    return SurfLogText::encode(Text2->document()->toRawText(), m_context.codePage);
}

void SurfLogTab::Command2_Click()
{
    fillNow();
    if (Command2->text() == kClear) {
        m_undo = Text2->document()->toRawText();
        Text2->clear();
        Command2->setText(kUndo);
        return;
    }
    // The cleared text is put back piece by piece like the log itself; the
    // store is not needed again, since the next Clear replaces it.
    m_undoPending = std::move(m_undo);
    m_undo.clear();
    m_undoOffset = 0;
    Command2->setText(kClear);
    startFilling([this]() -> QString {
        if (m_undoOffset >= m_undoPending.size()) {
            m_undoPending.clear();
            return QString();
        }
        qsizetype length = qMin<qsizetype>(kPieceBytes, m_undoPending.size() - m_undoOffset);
        if (m_undoPending[m_undoOffset + length - 1].isHighSurrogate() &&
            m_undoOffset + length < m_undoPending.size())
            ++length;
        const QString piece = m_undoPending.mid(m_undoOffset, length);
        m_undoOffset += length;
        return piece;
    });
}

void SurfLogTab::Command5_Click()
{
    fillNow();
    BusyPointer busy;
    QByteArray bytes = logBytes();
    bytes += "\r\n";
    // Records the browser appended since the box was filled are not in the
    // box; they stay after the parent's text.
    const TextFile::BytesResult later = readFrom(logPath(), m_covered);
    if (!later.error.isEmpty()) {
        MessageBox::showSaveError(this, later.error);
        return;
    }
    const qint64 boxLength = bytes.size();
    bytes += later.bytes;
    const TextFile::WriteResult written = TextFile::writeBytes(logPath(), bytes);
    if (!written.ok()) {
        MessageBox::showSaveError(this, written.error);
        return;
    }
    m_covered = boxLength;
}
