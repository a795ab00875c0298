#include "shell/browser_window.h"

#include "panel/panel_window.h"
#include "platform/colors.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/settings_store.h"
#include "platform/twips.h"
#include "platform/web_view.h"
#include "platform/window_placement.h"
#include "shell/about_window.h"
#include "surflog/session_log.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kRestingLook = 10;
constexpr int kAlternateLook = 9;
const QString kTitleSuffix = QStringLiteral(" - Tobrin 2.0");

} // namespace

Form1::Form1(const AppContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_context(context), m_sessionLog(new SessionLog(context, this))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral(" Corvane Tobrin 2.0"));
    setWindowIcon(QIcon(QStringLiteral(":/images/tobrin.png")));
    // The set is designed for one client size; nothing adapts it to another.
    setFixedSize(twips(9480), twips(6375));
    buildControls();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    rodape = new ElasticPanel(this);
    rodape->setObjectName(QStringLiteral("rodape"));
    rodape->setGeometry(twipsRect(0, 0, 9480, 6375));
    rodape->setCaption(QStringLiteral("Tobrin 2.0"));
    rodape->setBackColor(Qt::black);
    rodape->setForeColor(QColor(192, 192, 192));
    // The status line sits in the free strip below the second row of buttons.
    rodape->setCaptionArea(twipsRect(150, 6090, 9165, 285), Qt::AlignLeft | Qt::AlignVCenter);
    QFont statusFont = font();
    statusFont.setPixelSize(12);
    rodape->setFont(statusFont);

    WebBrowser1 = m_context.createWebView(rodape);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(twipsRect(150, 150, 9165, 5170));

    QFont buttonFont = font();
    buttonFont.setPixelSize(11);
    buttonFont.setBold(true);
    auto button = [&](const char* name, const QString& caption, const QColor& text,
                      const QRect& place) {
        auto* b = new ElasticPanel(rodape);
        b->setObjectName(QString::fromLatin1(name));
        b->setCaption(caption);
        b->setBackColor(Qt::black);
        b->setForeColor(text);
        b->setFont(buttonFont);
        b->setGeometry(place);
        b->setClickable(true);
        return b;
    };
    const QColor red(255, 0, 0), yellow(255, 255, 0), cyan(128, 255, 255), white(255, 255, 255);
    VideoSoftElastic6 =
        button("VideoSoftElastic6", QStringLiteral("ON"), red, twipsRect(1275, 5475, 510, 315));
    VideoSoftElastic8 =
        button("VideoSoftElastic8", QStringLiteral("RC"), cyan, twipsRect(7725, 5475, 465, 315));
    VideoSoftElastic5 = button("VideoSoftElastic5", QStringLiteral("Home"), yellow,
                               twipsRect(1950, 5850, 1215, 240));
    cmdBack = button("cmdBack", QStringLiteral("<<"), white, twipsRect(3300, 5850, 705, 240));
    cmdstop = button("cmdstop", QStringLiteral("STOP"), red, twipsRect(4125, 5850, 1215, 240));
    cmdForward = button("cmdForward", QStringLiteral(">>"), white, twipsRect(5475, 5850, 705, 240));
    cmdBookMarks = button("cmdBookMarks", QStringLiteral("Favorites"), white,
                          twipsRect(6300, 5850, 1215, 240));

    auto speaker = [&](const char* name, const QRect& place) {
        auto* s = button(name, QString(), palette().color(QPalette::ButtonText), place);
        s->setBackColor(palette().color(QPalette::Button));
        s->setPicture(kRestingLook, QPixmap(QStringLiteral(":/images/speaker_rest.png")));
        s->setPicture(kAlternateLook, QPixmap(QStringLiteral(":/images/speaker_alt.png")));
        s->setPictureLook(kRestingLook);
        s->setToolTip(QStringLiteral("About Tobrin"));
        return s;
    };
    falante1 = speaker("falante1", twipsRect(150, 5475, 990, 690));
    falante2 = speaker("falante2", twipsRect(8325, 5475, 990, 690));

    Combo1 = new QComboBox(rodape);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(true);
    // Qt's box also activates when it loses the focus holding a text of its
    // list: the first click into the page would open the typed address again.
    QObject::disconnect(Combo1->lineEdit(), &QLineEdit::editingFinished, Combo1, nullptr);
    // The list is the history the address check keeps; typing never adds to it,
    // and nothing completes what is typed: Enter opens exactly the text in the box.
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    Combo1->setCompleter(nullptr);
    Combo1->setMaxCount(std::numeric_limits<int>::max());
    Combo1->setGeometry(twipsRect(1950, 5475, 5565, 315));
    Combo1->setStyleSheet(
        QStringLiteral("QComboBox { background: black; color: white; border: 1px solid #606060; "
                       "padding-left: 2px; }"
                       "QComboBox:disabled { color: #808080; }"
                       "QComboBox QAbstractItemView { background: black; color: white; "
                       "selection-background-color: #404080; }"));
    Combo1->setEditText(QStringLiteral("http://"));
    // The box is the focus widget and hands keys to its line edit itself, so
    // the box is where typed keys can be seen.
    Combo1->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1); // the first check runs as soon as the window's loop runs
    Timer1->start();
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(200);

    connect(cmdBack, &ElasticPanel::clicked, this, &Form1::cmdBack_Click);
    connect(cmdForward, &ElasticPanel::clicked, this, &Form1::cmdForward_Click);
    connect(cmdstop, &ElasticPanel::clicked, this, &Form1::cmdstop_Click);
    connect(VideoSoftElastic5, &ElasticPanel::clicked, this, &Form1::VideoSoftElastic5_Click);
    connect(VideoSoftElastic6, &ElasticPanel::clicked, this, &Form1::VideoSoftElastic6_Click);
    connect(VideoSoftElastic8, &ElasticPanel::clicked, this, &Form1::VideoSoftElastic8_Click);
    connect(cmdBookMarks, &ElasticPanel::clicked, this, &Form1::cmdBookMarks_Click);
    connect(falante1, &ElasticPanel::clicked, this, &Form1::falante1_Click);
    connect(falante2, &ElasticPanel::clicked, this, &Form1::falante2_Click);
    connect(Combo1, &QComboBox::activated, this, [this] {
        // Enter in the box already navigated; the box's own reaction to the
        // same key must not navigate a second time.
        if (!m_enterPending)
            Combo1_Click();
    });
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1_Timer);
    connect(Timer2, &QTimer::timeout, this, &Form1::Timer2_Timer);

    connect(WebBrowser1, &WebView::BeforeNavigate2, this, [this](const QString& url, bool* cancel) {
        WebBrowser1_BeforeNavigate2(url, *cancel);
    });
    connect(WebBrowser1, &WebView::DownloadBegin, this, &Form1::WebBrowser1_DownloadBegin);
    connect(WebBrowser1, &WebView::DownloadComplete, this, &Form1::WebBrowser1_DownloadComplete);
    connect(WebBrowser1, &WebView::NavigateComplete2, this, &Form1::WebBrowser1_NavigateComplete2);
    connect(WebBrowser1, &WebView::NewWindow2, this,
            [this](bool* cancel) { WebBrowser1_NewWindow2(*cancel); });
    connect(WebBrowser1, &WebView::StatusTextChange, this, &Form1::WebBrowser1_StatusTextChange);
    connect(WebBrowser1, &WebView::FilesRefused, this, &Form1::WebBrowser1_FilesRefused);
    connect(WebBrowser1, &WebView::TitleChange, this, &Form1::WebBrowser1_TitleChange);
}

Form2& Form1::panel()
{
    if (!m_panel) {
        m_panel = new Form2(m_context, *this);
        m_panel->Form_Load();
        followAddressControl(*m_panel);
    }
    return *m_panel;
}

void Form1::Form_Load()
{
    // Before anything reaches the history or the log.
    SurfLogBegin();
    placeOnScreen();
    // The page view takes dropped links by itself; nothing to register.
    SpeakerPhase = 1;

    SettingsStore& settings = *m_context.settings;
    rodape->setBackColor(ColorValue::toColor(SettingValue::colorNumber(
        settings.read(QStringLiteral("color"), QStringLiteral("&H00000000&")))));
    rodape->setForeColor(ColorValue::toColor(SettingValue::colorNumber(
        settings.read(QStringLiteral("legendcolor"), QStringLiteral("&H00FFFFFF&")))));

    // A start page that cannot be loaded leaves the set on a blank screen.
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::IntroPage));

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);

    SurfLogStart();

    const qint64 favorites =
        SettingValue::integer(settings.read(QStringLiteral("favorites"), QStringLiteral("0")));
    panel().Check3->setChecked(favorites == 1);
    if (favorites == 1)
        Combo1->setEnabled(false);

    if (SettingValue::boolean(settings.read(QStringLiteral("disable"), QStringLiteral("False")))) {
        Form2& form2 = panel();
        form2.Check4->setChecked(true);
        form2.Disable1->setFirstSwitch(true);
        form2.Disable1->setSecondSwitch(true);
    }
}

void Form1::placeOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Centred horizontally, touching the top; a window wider than the screen
    // gets a negative left, as designed.
    const QRect area = screen->geometry();
    keepPlaced(this, [area](const QSize& frame) {
        return QPoint(centredOn(area, frame.width(), 0).x(), area.top());
    });
}

void Form1::cmdBack_Click()
{
    if (WebBrowser1->GoBack())
        cmdForward->setEnabled(true);
    else
        cmdBack->setEnabled(false);
}

void Form1::cmdForward_Click()
{
    if (WebBrowser1->GoForward())
        cmdBack->setEnabled(true);
    else
        cmdForward->setEnabled(false);
}

void Form1::cmdstop_Click()
{
    if (cmdstop->caption() == QStringLiteral("STOP"))
        WebBrowser1->Stop();
    else
        WebBrowser1->Refresh();
}

void Form1::VideoSoftElastic5_Click()
{
    WebBrowser1->Navigate(m_context.paths.pageAddress(AppPaths::IntroPage));
}

void Form1::Combo1_Click()
{
    WebBrowser1->Navigate(Combo1->currentText());
}

void Form1::Combo1_KeyPress(int& keyAscii)
{
    if (keyAscii == 13)
        Combo1_Click(); // a text that names nothing loadable is simply ignored
}

void Form1::falante1_Click()
{
    openAboutWindow();
}

void Form1::falante2_Click()
{
    openAboutWindow();
}

void Form1::openAboutWindow()
{
    AboutWindow about(this);
    about.exec();
}

void Form1::Timer2_Timer()
{
    const int look = SpeakerPhase == 1 ? kAlternateLook : kRestingLook;
    falante1->setPictureLook(look);
    falante2->setPictureLook(look);
    SpeakerPhase = SpeakerPhase == 1 ? 0 : 1;
}

void Form1::WebBrowser1_DownloadBegin()
{
    cmdstop->setCaption(QStringLiteral("STOP"));
    rodape->setCaption(QStringLiteral(" Receiving..."));
    Timer2->start();
}

void Form1::WebBrowser1_DownloadComplete()
{
    cmdstop->setCaption(QStringLiteral("RELOAD"));
    rodape->setCaption(QStringLiteral(" Page received !"));
    Timer2->stop();
    falante1->setPictureLook(kRestingLook);
    falante2->setPictureLook(kRestingLook);
}

void Form1::WebBrowser1_NavigateComplete2(const QString& url)
{
    cmdBack->setEnabled(true);
    CurrentUrl = url;
}

void Form1::WebBrowser1_NewWindow2(bool& cancel)
{
    cancel = true;
}

void Form1::WebBrowser1_StatusTextChange(const QString& text)
{
    rodape->setCaption(text);
}

// The page was refused the files it asked for; the child is told why nothing opened.
void Form1::WebBrowser1_FilesRefused()
{
    rodape->setCaption(QStringLiteral(" This browser does not send files."));
}

void Form1::WebBrowser1_TitleChange(const QString& text)
{
    // "[*]" is Qt's modified-marker in window titles; doubled it shows as typed.
    QString caption = text + kTitleSuffix;
    caption.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(caption);
    CurrentTitle = text;
}

void Form1::closeEvent(QCloseEvent* event)
{
    bool cancel = false;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // A wheel turned over the box would step through the history and open
    // each page in turn.
    if (watched == Combo1 && event->type() == QEvent::Wheel)
        return true;
    if (watched == Combo1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        int keyAscii = 0;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            keyAscii = 13;
        else if (text.size() == 1)
            keyAscii = text[0].unicode();
        if (keyAscii == 13) {
            m_enterPending = true;
            QTimer::singleShot(0, this, [this] { m_enterPending = false; });
        }
        if (keyAscii != 0)
            Combo1_KeyPress(keyAscii);
        // The key still reaches the box.
    }
    return QWidget::eventFilter(watched, event);
}
