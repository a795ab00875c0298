#include "favorites/favorites_tab.h"

#include "platform/address_text.h"
#include "platform/colors.h"
#include "platform/designed_form.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "platform/twips.h"

#include <gtkmm/gestureclick.h>
#include <gtkmm/signallistitemfactory.h>
#include <gtkmm/stringobject.h>

namespace {

// The list file holds one line per name and per address, so a pasted line
// break would split the entry; it becomes a blank.
std::string oneLine(std::string text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        out += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return out;
}

// Controls of a frame sit at the frame's place plus their own, over it.
Gdk::Rectangle inFrame(const Gdk::Rectangle& frame, int left, int top, int width, int height)
{
    const Gdk::Rectangle at = twipsRect(left, top, width, height);
    return {frame.get_x() + at.get_x(), frame.get_y() + at.get_y(), at.get_width(),
            at.get_height()};
}

} // namespace

FavoritesTab::FavoritesTab(const FavoritesContext& context, Gtk::Fixed& page)
    : Frame4("Site to be added to Favorites:"), Label10("Name:"), Label2_24("Address:"),
      Command14("v  _Add", true), Command13("^  _Delete", true), Frame5("Favorites list:"),
      Label6("Name:"), Label9("Address:"), m_context(context), m_page(page),
      m_nameRows(Gtk::StringList::create({})), m_addressRows(Gtk::StringList::create({})),
      m_names(Gtk::SingleSelection::create(m_nameRows)),
      m_addresses(Gtk::SingleSelection::create(m_addressRows))
{
    useDesignedSizes(page);

    const Gdk::Rectangle frame4 = twipsRect(120, 120, 6975, 975);
    const Gdk::Rectangle frame5 = twipsRect(120, 1560, 6975, 2655);
    placeControl(page, Frame4, "Frame4", frame4);
    placeControl(page, Label10, "Label10", inFrame(frame4, 240, 240, 1740, 165));
    placeControl(page, Text4, "Text4", inFrame(frame4, 240, 480, 3060, 285));
    placeControl(page, Label2_24, "Label2_24", inFrame(frame4, 3600, 240, 1740, 165));
    placeControl(page, Text5, "Text5", inFrame(frame4, 3600, 480, 3045, 285));
    placeControl(page, Command14, "Command14", twipsRect(2280, 1200, 1140, 315));
    placeControl(page, Command13, "Command13", twipsRect(3720, 1200, 1065, 315));
    placeControl(page, Frame5, "Frame5", frame5);
    placeControl(page, Label6, "Label6", inFrame(frame5, 240, 240, 1740, 165));
    placeControl(page, List3Scroller, "List3Scroller", inFrame(frame5, 240, 480, 3120, 2010));
    placeControl(page, Label9, "Label9", inFrame(frame5, 3600, 240, 1740, 165));
    placeControl(page, List2Scroller, "List2Scroller", inFrame(frame5, 3600, 480, 3195, 2010));
    for (Gtk::Label* label : {&Label10, &Label2_24, &Label6, &Label9})
        label->set_xalign(0);
    Command13.set_sensitive(false);

    List3.set_name("List3");
    List2.set_name("List2");
    List3Scroller.set_child(List3);
    List2Scroller.set_child(List2);
    setUpList(List3, m_names, &FavoritesTab::List3_Click);
    setUpList(List2, m_addresses, &FavoritesTab::List2_Click);

    setTabOrder(page, {&Command13, &Command14, &Text4, &Text5, &List3, &List2});

    Command14.signal_clicked().connect([this] { Command14_Click(); });
    Command13.signal_clicked().connect([this] { Command13_Click(); });
}

void FavoritesTab::setUpList(Gtk::ListView& list, const Glib::RefPtr<Gtk::SingleSelection>& rows,
                             void (FavoritesTab::*click)())
{
    rows->set_autoselect(false);
    rows->set_can_unselect(true);
    rows->unselect_all();
    // A click, also on the row already selected, and a move with the keys
    // both count as a click in the list.
    rows->signal_selection_changed().connect([this, click](guint, guint) {
        if (!m_quiet)
            (this->*click)();
    });
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([this, rows, click](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto* label = Gtk::make_managed<Gtk::Label>();
        label->set_xalign(0);
        label->set_hexpand(true);
        auto press = Gtk::GestureClick::create();
        press->signal_released().connect(
            [this, rows, click, row = item.get()](int, double, double) {
                if (row->get_position() == GTK_INVALID_LIST_POSITION)
                    return;
                rows->set_selected(row->get_position());
                (this->*click)();
            });
        label->add_controller(press);
        item->set_child(*label);
    });
    factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto text = std::dynamic_pointer_cast<Gtk::StringObject>(item->get_item());
        if (auto* label = dynamic_cast<Gtk::Label*>(item->get_child()); label && text)
            label->set_text(text->get_string());
    });
    list.set_model(rows);
    list.set_factory(factory);
}

void FavoritesTab::load()
{
    const FavoritesFile::ReadResult file =
        FavoritesFile::read(m_context.listFile, m_context.codePage);
    std::vector<Glib::ustring> names, addresses;
    for (const Favorite& favorite : file.favorites) {
        names.emplace_back(favorite.name);
        addresses.emplace_back(favorite.address);
    }
    {
        const bool wasQuiet = std::exchange(m_quiet, true);
        m_nameRows->splice(0, m_nameRows->get_n_items(), names);
        m_addressRows->splice(0, m_addressRows->get_n_items(), addresses);
        clearSelection();
        m_quiet = wasQuiet;
    }
    if (!file.error.empty()) {
        MessageBox::show(
            windowOf(m_page),
            file.error + "\n\nThe favorites list starts empty; adding a site replaces the file.",
            "Tobrin", MessageBox::Ok, MessageBox::Warning);
    }
}

FavoriteList FavoritesTab::entries() const
{
    FavoriteList favorites;
    const guint count = m_nameRows->get_n_items();
    favorites.reserve(count);
    for (guint i = 0; i < count; ++i)
        favorites.push_back({m_nameRows->get_string(i), m_addressRows->get_string(i)});
    return favorites;
}

bool FavoritesTab::favoritesOnly() const
{
    return m_context.settings &&
           SettingValue::integer(m_context.settings->read("favorites", "0")) == 1;
}

void FavoritesTab::storeFavoritesOnly(bool on)
{
    std::string error;
    if (m_context.settings && favoritesOnly() != on &&
        !m_context.settings->write("favorites", on ? "1" : "0", &error))
        MessageBox::showSaveError(windowOf(m_page), error);
}

std::optional<guint> FavoritesTab::currentRow(const Gtk::SingleSelection& list)
{
    const guint row = list.get_selected();
    if (row == GTK_INVALID_LIST_POSITION)
        return std::nullopt;
    return row;
}

void FavoritesTab::List2_Click()
{
    selectSameRow(*m_addresses, *m_names);
}

void FavoritesTab::List3_Click()
{
    selectSameRow(*m_names, *m_addresses);
}

void FavoritesTab::selectSameRow(Gtk::SingleSelection& clicked, Gtk::SingleSelection& other)
{
    const std::optional<guint> row = currentRow(clicked);
    if (!row)
        return;
    const bool wasQuiet = std::exchange(m_quiet, true);
    other.set_selected(*row);
    m_quiet = wasQuiet;
    Command13.set_sensitive(true);
}

void FavoritesTab::Command14_Click()
{
    Command13.set_sensitive(false);
    const std::string name = oneLine(Text4.get_text());
    m_nameRows->append(name);
    // Kept in the form the file can hold, so it opens the same page after a restart.
    m_addressRows->append(storableAddress(oneLine(Text5.get_text()), m_context.codePage));
    save(true, FavoritesPage::Form::Add);
    if (const std::string unfit = m_context.codePage.unfit(name); !unfit.empty()) {
        MessageBox::show(windowOf(m_page),
                         "The name \"" + name +
                             "\" has letters that the favorites file cannot "
                             "hold: " +
                             unfit +
                             ". The page shows it until the program ends; the file keeps a \"?\" "
                             "in place of each of those letters.",
                         "Tobrin", MessageBox::Ok, MessageBox::Warning);
    }
}

void FavoritesTab::Command13_Click()
{
    const std::optional<guint> row = currentRow(*m_addresses);
    Command13.set_sensitive(false);
    if (!row || *row >= m_nameRows->get_n_items())
        return;
    const std::string address = m_addressRows->get_string(*row);
    const bool remove = MessageBox::show(windowOf(m_page), "Remove <" + address + "> ???",
                                         "Attention!", MessageBox::Yes | MessageBox::No,
                                         MessageBox::Critical, MessageBox::No) == MessageBox::Yes;
    if (remove) {
        Text4.set_text(m_nameRows->get_string(*row));
        Text5.set_text(address);
        const bool wasQuiet = std::exchange(m_quiet, true);
        m_nameRows->remove(*row);
        m_addressRows->remove(*row);
        clearSelection();
        m_quiet = wasQuiet;
    }
    save(remove, FavoritesPage::Form::Delete);
}

void FavoritesTab::clearSelection()
{
    const bool wasQuiet = std::exchange(m_quiet, true);
    m_names->unselect_all();
    m_addresses->unselect_all();
    m_quiet = wasQuiet;
}

void FavoritesTab::save(bool writeList, FavoritesPage::Form pageForm)
{
    const FavoriteList favorites = entries();
    std::string errors;
    if (writeList) {
        const TextFile::WriteResult list =
            FavoritesFile::write(m_context.listFile, favorites, m_context.codePage);
        if (!list.ok())
            errors = list.error;
    }
    const TextFile::WriteResult page =
        FavoritesPage::write(m_context.pageFile, pageForm, favorites);
    if (!page.ok())
        errors += (errors.empty() ? "" : "\n") + page.error;
    if (!errors.empty())
        MessageBox::showSaveError(windowOf(m_page), errors);
}
