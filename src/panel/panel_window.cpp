#include "panel/panel_window.h"

#include "favorites/favorites_tab.h"
#include "filter/addresses_tab.h"
#include "password/password_tab.h"
#include "platform/color_dialog.h"
#include "platform/colors.h"
#include "platform/desktop_lock.h"
#include "platform/elastic_panel.h"
#include "platform/index_tab.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/twips.h"
#include "platform/window_placement.h"
#include "shell/browser_window.h"
#include "surflog/surf_log_tab.h"
#include "timecontrol/time_tab.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

enum Tab
{
    General,
    Addresses,
    Favorites,
    Time,
    SurfLog,
    Password
};

// Puts a tab's page class over the whole page, so its controls can be placed
// in twips from the page's top left.
template <typename T> T* fillPage(QWidget* page, T* tab)
{
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tab);
    return tab;
}

} // namespace

Form2::Form2(const AppContext& context, Form1& browser)
    : QDialog(&browser, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint),
      m_context(context), m_browser(browser)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral(" Parental Remote Control"));
    setFixedSize(twips(7500), twips(5670));

    VideoSoftIndexTab1 = new IndexTab(this);
    VideoSoftIndexTab1->setObjectName(QStringLiteral("VideoSoftIndexTab1"));
    VideoSoftIndexTab1->setGeometry(twipsRect(120, 120, 7320, 4815));
    VideoSoftIndexTab1->setCaptions(
        QStringLiteral("General|Addresses|Favorites|Time|Surf Log|Password"));

    Command1 = new QPushButton(QStringLiteral("&O K"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(5760, 5100, 1590, 375));
    Command1->setAutoDefault(false);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);

    buildGeneralTab(VideoSoftIndexTab1->page(General));

    // The desktop lock keeps the browser window (and this panel, which sits
    // above it) usable over the cover.
    Disable1 = new DesktopLock(&browser, this);
    Disable1->setObjectName(QStringLiteral("Disable1"));

    m_addresses = fillPage(VideoSoftIndexTab1->page(Addresses),
                           new AddressesTab(m_context, browser, nullptr));
    m_favorites = fillPage(VideoSoftIndexTab1->page(Favorites),
                           new FavoritesTab(m_context, browser, nullptr));
    m_time = fillPage(VideoSoftIndexTab1->page(Time), new TimeTab(m_context, browser, nullptr));
    m_surfLog =
        fillPage(VideoSoftIndexTab1->page(SurfLog), new SurfLogTab(m_context, browser, nullptr));
    m_password =
        fillPage(VideoSoftIndexTab1->page(Password), new PasswordTab(m_context, browser, nullptr));
}

Form2::~Form2() = default;

void Form2::buildGeneralTab(QWidget* page)
{
    Frame1 = new QGroupBox(QStringLiteral("Control"), page);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(twipsRect(840, 120, 4995, 1980));
    auto check = [&](const char* name, const QString& caption, int top) {
        auto* box = new QCheckBox(caption, Frame1);
        box->setObjectName(QString::fromLatin1(name));
        // Designed 3690 twips wide for a narrower font; the frame's whole inner
        // width keeps the longest caption from being cut off.
        box->setGeometry(twipsRect(360, top, 4995 - 360 - 120, 240).adjusted(0, 0, 0, 4));
        return box;
    };
    Check1 = check("Check1", QStringLiteral("Stop &Addresses Control"), 240);
    Check2 = check("Check2", QStringLiteral("Stop &Time Control"), 480);
    Check3 = check("Check3", QStringLiteral("Surf ONLY in Favorites Sites"), 960);
    Check4 = check("Check4", QStringLiteral("Disable the Desktop and the Windows Taskbar"), 1440);
    // A value set by the program runs the same handling as a click.
    connect(Check2, &QCheckBox::toggled, this, &Form2::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &Form2::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &Form2::Check4_Click);
    // Only a parent's tick is answered: the start-up's own setting of the box
    // must not greet the child with a message.
    connect(Check4, &QCheckBox::clicked, this, [this](bool on) {
        if (on && !Disable1->holdsEverything())
            MessageBox::show(this, Disable1->shortfallText(), QStringLiteral("Tobrin"),
                             QMessageBox::Ok, QMessageBox::Warning);
    });

    Frame3 = new QGroupBox(QStringLiteral("Colors"), page);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(twipsRect(840, 2160, 4995, 2100));
    Command8 = new QPushButton(QStringLiteral("TV Color"), Frame3);
    Command8->setObjectName(QStringLiteral("Command8"));
    Command8->setGeometry(twipsRect(240, 360, 1455, 375));
    Command8->setAutoDefault(false);
    Command9 = new QPushButton(QStringLiteral("Legend Color"), Frame3);
    Command9->setObjectName(QStringLiteral("Command9"));
    Command9->setGeometry(twipsRect(240, 960, 1455, 375));
    Command9->setAutoDefault(false);
    connect(Command8, &QPushButton::clicked, this, &Form2::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form2::Command9_Click);

    tvfake = new ElasticPanel(Frame3);
    tvfake->setObjectName(QStringLiteral("tvfake"));
    tvfake->setGeometry(twipsRect(2280, 360, 1815, 1335));
    tvfake->setClickable(true);
    tvfake->setToolTip(QStringLiteral("Click to choose the TV color"));
    connect(tvfake, &ElasticPanel::clicked, this, &Form2::tvfake_Click);
    auto* screenArea = new ElasticPanel(tvfake);
    screenArea->setObjectName(QStringLiteral("tvfakeScreen"));
    screenArea->setGeometry(twipsRect(120, 120, 1575, 855));
    screenArea->setBackColor(Qt::white);
    screenArea->setBevel(ElasticPanel::Bevel::Inset);
    screenArea->setAttribute(Qt::WA_TransparentForMouseEvents);

    Label11 = new QLabel(QStringLiteral("legend"), tvfake);
    Label11->setObjectName(QStringLiteral("Label11"));
    Label11->setGeometry(twipsRect(600, 1080, 615, 195).adjusted(0, 0, 4, 2));
    Label11->setCursor(Qt::PointingHandCursor);
    Label11->setToolTip(QStringLiteral("Click to choose the legend color"));
    Label11->installEventFilter(this);
}

void Form2::Form_Load()
{
    placeOnScreen();
    SettingsStore& settings = *m_context.settings;
    tvfake->setBackColor(ColorValue::toColor(SettingValue::colorNumber(
        settings.read(QStringLiteral("color"), QStringLiteral("&H00000000&")))));
    QPalette pal = Label11->palette();
    pal.setColor(QPalette::WindowText,
                 ColorValue::toColor(SettingValue::colorNumber(
                     settings.read(QStringLiteral("legendcolor"), QStringLiteral("&H00FFFFFF&")))));
    Label11->setPalette(pal);

    m_addresses->load();
    m_surfLog->load();
    m_time->load();
    m_favorites->load();
}

void Form2::placeOnScreen()
{
    keepCentred(this);
}

void Form2::showModal()
{
    m_addresses->panelOpening();
    m_surfLog->panelOpening();
    exec();
}

void Form2::Command1_Click()
{
    hide();
}

void Form2::Check4_Click()
{
    const bool on = Check4->isChecked();
    QString error;
    // As for Check3: a value that already says the same is not written again.
    const bool stored = SettingValue::boolean(
        m_context.settings->read(QStringLiteral("disable"), QStringLiteral("False")));
    if (stored != on && !m_context.settings->write(QStringLiteral("disable"),
                                                   SettingValue::booleanText(on), &error))
        MessageBox::showSaveError(this, error);
    Disable1->setFirstSwitch(on);
    Disable1->setSecondSwitch(on);
}

void Form2::Command8_Click()
{
    // Cancelling the dialog changes nothing, neither the window nor the setting.
    const std::optional<QColor> chosen = ColorDialog::choose(this, m_browser.rodape->backColor());
    if (!chosen)
        return;
    m_browser.rodape->setBackColor(*chosen);
    const qint64 value = ColorValue::fromColor(m_browser.rodape->backColor());
    QString error;
    if (!m_context.settings->write(QStringLiteral("color"), QString::number(value), &error))
        MessageBox::showSaveError(this, error);
    tvfake->setBackColor(*chosen);
}

void Form2::tvfake_Click()
{
    Command8_Click();
}

void Form2::Command9_Click()
{
    const std::optional<QColor> chosen = ColorDialog::choose(this, m_browser.rodape->foreColor());
    if (!chosen)
        return;
    m_browser.rodape->setForeColor(*chosen);
    const qint64 value = ColorValue::fromColor(m_browser.rodape->foreColor());
    QString error;
    if (!m_context.settings->write(QStringLiteral("legendcolor"), QString::number(value), &error))
        MessageBox::showSaveError(this, error);
    QPalette pal = Label11->palette();
    pal.setColor(QPalette::WindowText, *chosen);
    Label11->setPalette(pal);
}

void Form2::Label11_Click()
{
    Command9_Click();
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label11 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label11_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
