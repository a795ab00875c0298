#include "favorites/favorites_tab.h"

#include "platform/address_text.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

namespace {

// Creates a control of the tab at its place: the constructor arguments, then
// the parent; the object name is the control's name.
template <typename T, typename... Args>
T* control(const char* name, QWidget* parent, const QRect& place, Args&&... args)
{
    auto* widget = new T(std::forward<Args>(args)..., parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(place);
    return widget;
}

// Labels are laid out at their design height, which is a few pixels short
// of the font's line; they get that much more room below.
QLabel* label(const char* name, const QString& text, QWidget* parent, const QRect& place)
{
    return control<QLabel>(name, parent, place.adjusted(0, 0, 0, 4), text);
}

QPushButton* button(const char* name, const QString& text, QWidget* parent, const QRect& place)
{
    auto* b = control<QPushButton>(name, parent, place, text);
    b->setAutoDefault(false); // Enter in an entry field adds nothing by itself
    return b;
}

// The list file holds one line per name and per address, so a pasted line
// break would split the entry; it becomes a blank.
QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

FavoritesTab::FavoritesTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_browser(browser)
{
    Frame4 = control<QGroupBox>("Frame4", this, twipsRect(120, 120, 6975, 975),
                                QStringLiteral("Site to be added to Favorites:"));
    Label10 = label("Label10", QStringLiteral("Name:"), Frame4, twipsRect(240, 240, 1740, 165));
    Text4 = control<QLineEdit>("Text4", Frame4, twipsRect(240, 480, 3060, 285));
    Label2_24 =
        label("Label2_24", QStringLiteral("Address:"), Frame4, twipsRect(3600, 240, 1740, 165));
    Text5 = control<QLineEdit>("Text5", Frame4, twipsRect(3600, 480, 3045, 285));

    Command14 =
        button("Command14", QStringLiteral("v  &Add"), this, twipsRect(2280, 1200, 1140, 315));
    Command13 =
        button("Command13", QStringLiteral("^  &Delete"), this, twipsRect(3720, 1200, 1065, 315));
    Command13->setEnabled(false);

    Frame5 = control<QGroupBox>("Frame5", this, twipsRect(120, 1560, 6975, 2655),
                                QStringLiteral("Favorites list:"));
    Label6 = label("Label6", QStringLiteral("Name:"), Frame5, twipsRect(240, 240, 1740, 165));
    List3 = control<QListWidget>("List3", Frame5, twipsRect(240, 480, 3120, 2010));
    Label9 = label("Label9", QStringLiteral("Address:"), Frame5, twipsRect(3600, 240, 1740, 165));
    List2 = control<QListWidget>("List2", Frame5, twipsRect(3600, 480, 3195, 2010));

    setTabOrder(Command13, Command14);
    setTabOrder(Command14, Text4);
    setTabOrder(Text4, Text5);
    setTabOrder(Text5, List3);
    setTabOrder(List3, List2);

    connect(Command14, &QPushButton::clicked, this, &FavoritesTab::Command14_Click);
    connect(Command13, &QPushButton::clicked, this, &FavoritesTab::Command13_Click);
    // A click, also on the row already selected, and a move with the keys
    // both count as a click in the list.
    connect(List3, &QListWidget::currentRowChanged, this, &FavoritesTab::List3_Click);
    connect(List3, &QListWidget::clicked, this, &FavoritesTab::List3_Click);
    connect(List2, &QListWidget::currentRowChanged, this, &FavoritesTab::List2_Click);
    connect(List2, &QListWidget::clicked, this, &FavoritesTab::List2_Click);
}

void FavoritesTab::load()
{
    const FavoritesFile::ReadResult file =
        FavoritesFile::read(m_context.paths.file(AppPaths::Pref), m_context.codePage);
    const QSignalBlocker names(List3);
    const QSignalBlocker addresses(List2);
    List3->clear();
    List2->clear();
    for (const Favorite& favorite : file.favorites) {
        List3->addItem(favorite.name);
        List2->addItem(favorite.address);
    }
    if (!file.error.isEmpty()) {
        MessageBox::show(this,
                         file.error +
                             QStringLiteral("\n\nThe favorites list starts empty; adding a site "
                                            "replaces the file."),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Warning);
    }
}

FavoriteList FavoritesTab::entries() const
{
    FavoriteList favorites;
    const int count = List3->count();
    favorites.reserve(count);
    for (int i = 0; i < count; ++i)
        favorites.append({List3->item(i)->text(), List2->item(i)->text()});
    return favorites;
}

void FavoritesTab::List2_Click()
{
    selectSameRow(List2, List3);
}

void FavoritesTab::List3_Click()
{
    selectSameRow(List3, List2);
}

void FavoritesTab::selectSameRow(QListWidget* clicked, QListWidget* other)
{
    const int row = clicked->currentRow();
    if (row < 0)
        return;
    const QSignalBlocker blocker(other);
    other->setCurrentRow(row);
    Command13->setEnabled(true);
}

void FavoritesTab::Command14_Click()
{
    Command13->setEnabled(false);
    const QString name = oneLine(Text4->text());
    List3->addItem(name);
    // Kept in the form the file can hold, so it opens the same page after a restart.
    List2->addItem(storableAddress(oneLine(Text5->text()), m_context.codePage));
    save(true, FavoritesPage::Form::Add);
    if (const QString unfit = m_context.codePage.unfit(name); !unfit.isEmpty()) {
        MessageBox::show(this,
                         QStringLiteral("The name \"%1\" has letters that the favorites file "
                                        "cannot hold: %2. The page shows it until the program "
                                        "ends; the file keeps a \"?\" in place of each of those "
                                        "letters.")
                             .arg(name, unfit),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Warning);
    }
}

void FavoritesTab::Command13_Click()
{
    const int row = List2->currentRow();
    Command13->setEnabled(false);
    if (row < 0 || row >= List3->count())
        return;
    const QString address = List2->item(row)->text();
    const MessageBox::Button answer =
        MessageBox::show(this, QStringLiteral("Remove <") + address + QStringLiteral("> ???"),
                         QStringLiteral("Attention!"), QMessageBox::Yes | QMessageBox::No,
                         QMessageBox::Critical, QMessageBox::No);
    const bool remove = answer == QMessageBox::Yes;
    if (remove) {
        Text4->setText(List3->item(row)->text());
        Text5->setText(address);
        {
            const QSignalBlocker names(List3);
            const QSignalBlocker addresses(List2);
            delete List3->takeItem(row);
            delete List2->takeItem(row);
        }
        clearSelection();
    }
    save(remove, FavoritesPage::Form::Delete);
}

void FavoritesTab::clearSelection()
{
    for (QListWidget* list : {List3, List2}) {
        const QSignalBlocker blocker(list);
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

void FavoritesTab::save(bool writeList, FavoritesPage::Form pageForm)
{
    const FavoriteList favorites = entries();
    QStringList errors;
    if (writeList) {
        const TextFile::WriteResult list = FavoritesFile::write(
            m_context.paths.file(AppPaths::Pref), favorites, m_context.codePage);
        if (!list.ok())
            errors << list.error;
    }
    const TextFile::WriteResult page =
        FavoritesPage::write(m_context.paths.file(AppPaths::FavoritesPage), pageForm, favorites);
    if (!page.ok())
        errors << page.error;
    if (!errors.isEmpty())
        MessageBox::showSaveError(this, errors.join(u'\n'));
}
