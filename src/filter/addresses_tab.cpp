#include "filter/addresses_tab.h"

#include "platform/colors.h"
#include "platform/designed_form.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <giomm/listmodel.h>
#include <glibmm/main.h>
#include <gtkmm/eventcontrollerfocus.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/signallistitemfactory.h>
#include <gtkmm/stringobject.h>
#include <pangomm/attrlist.h>

#include <algorithm>
#include <array>

namespace {

// Fragments found in nearly every address: blocking one blocks most sites.
constexpr std::array<std::string_view, 5> kWarningWords = {"www", "net", "http", "com", "http://"};

// List1's rows, read from the list when GTK asks for them: only the rows on
// screen ever become objects, so a list of a million words opens and changes
// as quickly as one of ten.
// The interface comes first, so GLib learns of it before the class is made.
class WordRows final : public Gio::ListModel, public Glib::Object
{
public:
    static Glib::RefPtr<WordRows> create(BlockedWordList& list)
    {
        return Glib::make_refptr_for_instance(new WordRows(list));
    }

protected:
    explicit WordRows(BlockedWordList& list)
        : Glib::ObjectBase(typeid(WordRows)), Gio::ListModel(), Glib::Object(), m_list(list)
    {
        // Tracked, so a list that outlives these rows never calls them.
        list.signal_rows_changed().connect(sigc::mem_fun(*this, &WordRows::rowsChanged));
    }

    void rowsChanged(std::size_t position, std::size_t removed, std::size_t added)
    {
        items_changed(guint(position), guint(removed), guint(added));
    }

    GType get_item_type_vfunc() override { return Gtk::StringObject::get_type(); }
    guint get_n_items_vfunc() override { return guint(m_list.count()); }
    gpointer get_item_vfunc(guint position) override
    {
        if (position >= m_list.count())
            return nullptr;
        return Gtk::StringObject::create(std::string(m_list.at(position)))->gobj_copy();
    }

private:
    BlockedWordList& m_list;
};

// The captions were sized for a smaller system font: a label may grow to the
// right up to `room` pixels wide, and takes a smaller font only if it still
// does not fit.
void fitLabel(Gtk::Label& label, int room)
{
    for (double scale = 1.0; scale > 0.6; scale -= 0.05) {
        Pango::AttrList attributes;
        auto size = Pango::Attribute::create_attr_scale(scale);
        attributes.insert(size);
        label.set_attributes(attributes);
        int minimum = 0, natural = 0, minimumBaseline = 0, naturalBaseline = 0;
        label.measure(Gtk::Orientation::HORIZONTAL, -1, minimum, natural, minimumBaseline,
                      naturalBaseline);
        if (natural <= room)
            break;
    }
}

} // namespace

AddressesTab::AddressesTab(const AddressesContext& context, Gtk::Fixed& page)
    : Label5("New word to block in the URL's:"), Command11("_Add ->", true),
      Command12("<- _Delete", true), Label4("List of words to be blocked in the URL's:"),
      m_context(context), m_page(page)
{
    useDesignedSizes(page);

    for (Gtk::Label* label : {&Label5, &Label4}) {
        label->set_xalign(0);
        label->set_yalign(0);
    }
    placeControl(page, Label5, "Label5", twipsRect(120, 120, 2295, 255));
    placeControl(page, Text1, "Text1", twipsRect(120, 360, 2415, 285));
    placeControl(page, Command11, "Command11", twipsRect(2640, 360, 855, 375));
    placeControl(page, Command12, "Command12", twipsRect(2640, 960, 855, 375));
    placeControl(page, Label4, "Label4", twipsRect(3600, 120, 3375, 255));
    placeControl(page, List1Scroller, "List1Scroller", twipsRect(3600, 360, 3495, 3375));
    fitLabel(Label5, twips(3600) - twips(120) - twips(60));
    fitLabel(Label4, twips(7320 - 120) - twips(3600));

    // Enabled by the first visit to the text box or the list, never again disabled.
    Command11.set_sensitive(false);
    Command12.set_sensitive(false);

    auto rows = WordRows::create(m_list);
    m_selection = Gtk::SingleSelection::create(rows);
    m_selection->set_autoselect(false);
    m_selection->set_can_unselect(true);
    m_selection->unselect_all();
    auto factory = Gtk::SignalListItemFactory::create();
    factory->signal_setup().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto* label = Gtk::make_managed<Gtk::Label>();
        label->set_xalign(0);
        item->set_child(*label);
    });
    factory->signal_bind().connect([](const Glib::RefPtr<Gtk::ListItem>& item) {
        auto word = std::dynamic_pointer_cast<Gtk::StringObject>(item->get_item());
        if (auto* label = dynamic_cast<Gtk::Label*>(item->get_child()); label && word)
            label->set_text(word->get_string());
    });
    List1.set_name("List1");
    List1.set_model(m_selection);
    List1.set_factory(factory);
    List1Scroller.set_child(List1);
    List1Scroller.set_has_frame(true);
    List1Scroller.set_policy(Gtk::PolicyType::AUTOMATIC, Gtk::PolicyType::AUTOMATIC);

    setTabOrder(page, {&Text1, &Command11, &Command12, &List1});

    Command11.signal_clicked().connect([this] { Command11_Click(); });
    Command12.signal_clicked().connect([this] { Command12_Click(); });
    auto textFocus = Gtk::EventControllerFocus::create();
    textFocus->signal_enter().connect([this] { Text1_GotFocus(); });
    Text1.add_controller(textFocus);
    auto listFocus = Gtk::EventControllerFocus::create();
    listFocus->signal_enter().connect([this] { List1_GotFocus(); });
    List1.add_controller(listFocus);
    // Seen before the row handles it: the first click has already selected
    // the row under the pointer, which the double click then moves out once
    // the row is done with the event. A double click below the rows is none.
    auto doubleClick = Gtk::GestureClick::create();
    doubleClick->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
    doubleClick->signal_pressed().connect([this](int presses, double x, double y) {
        if (presses == 2 && dynamic_cast<Gtk::Label*>(List1.pick(x, y)))
            m_doubleClick = Glib::signal_idle().connect([this] {
                List1_DblClick();
                return false;
            });
    });
    List1.add_controller(doubleClick);
}

AddressesTab::~AddressesTab()
{
    // The rows' model may outlive the tab in GTK's hands; it must not read a gone list.
    m_doubleClick.disconnect();
    List1.set_model({});
}

void AddressesTab::load()
{
    if (m_context.preload && !m_context.preload->ready()) {
        m_loading = Glib::signal_timeout().connect(
            [this] {
                if (m_context.preload->ready())
                    waitUntilLoaded();
                return loading();
            },
            10);
        return;
    }
    finishLoading();
}

void AddressesTab::waitUntilLoaded()
{
    if (!loading())
        return;
    m_loading.disconnect();
    finishLoading();
    m_loaded.emit();
}

void AddressesTab::finishLoading()
{
    std::optional<BlockedWordList::FileWords> early;
    if (m_context.preload)
        early = m_context.preload->take(m_context.listFile, m_context.codePage);
    const std::string error = early ? m_list.load(std::move(*early))
                                    : m_list.load(m_context.listFile, m_context.codePage);
    m_selection->unselect_all();
    if (error.empty())
        return;
    MessageBox::show(windowOf(m_page),
                     error + "\n\nUntil it can be read, the list of blocked words is empty and no "
                             "address is blocked by it. Adding or deleting a word replaces the "
                             "file with the list shown.",
                     "Tobrin", MessageBox::Ok, MessageBox::Critical);
}

void AddressesTab::panelOpening()
{
    waitUntilLoaded();
    if (m_list.takeSlowCheckNotice()) {
        MessageBox::show(windowOf(m_page),
                         "There was not enough memory to prepare the list of blocked words for "
                         "quick checking. Every address is still checked against every word, "
                         "only more slowly.",
                         "Tobrin", MessageBox::Ok, MessageBox::Warning);
    }
}

std::optional<std::size_t> AddressesTab::selectedRow() const
{
    const guint row = m_selection->get_selected();
    if (row == GTK_INVALID_LIST_POSITION || row >= m_list.count())
        return std::nullopt;
    return row;
}

void AddressesTab::Command11_Click()
{
    const std::string word = Text1.get_text();
    if (std::ranges::find(kWarningWords, word) != kWarningWords.end()) {
        const std::string prompt = "If you include < " + word +
                                   " >  you will block MOST of sites!!!\n\r"
                                   "Are you REALLY sure you want to block " +
                                   word + "???";
        if (MessageBox::show(windowOf(m_page), prompt, "Attention!",
                             MessageBox::Yes | MessageBox::No, MessageBox::Critical,
                             MessageBox::No) != MessageBox::Yes)
            return;
    }
    const std::optional<std::size_t> row = m_list.insert(word);
    if (!row) {
        // The word stays in the text box, so nothing typed is lost.
        MessageBox::show(windowOf(m_page),
                         "The list of blocked words is full: it cannot hold more than 4 GB of "
                         "words. Delete some words first.",
                         "Tobrin", MessageBox::Ok, MessageBox::Critical);
        return;
    }
    m_selection->unselect_all();
    List1.activate_action("list.scroll-to-item", Glib::Variant<guint32>::create(guint32(*row)));
    Text1.set_text("");
    focusText1();
    save();
    if (const std::string unfit = m_context.codePage.unfit(word); !unfit.empty()) {
        MessageBox::show(windowOf(m_page),
                         "The word \"" + word +
                             "\" has letters that the list file cannot hold: " + unfit +
                             ". It is blocked until the program ends; the file keeps a \"?\" in "
                             "place of each of those letters.",
                         "Tobrin", MessageBox::Ok, MessageBox::Warning);
    }
}

void AddressesTab::Command12_Click()
{
    // With no entry selected there is nothing to move: list, file and box stay as they are.
    const std::optional<std::size_t> row = selectedRow();
    if (!row)
        return;
    const std::optional<std::string> word = m_list.takeAt(*row);
    Text1.set_text(word.value_or(std::string()));
    // Nothing is selected after a removal, so a second Delete does nothing.
    m_selection->unselect_all();
    save();
}

void AddressesTab::List1_DblClick()
{
    if (!selectedRow())
        return;
    Command12_Click();
    focusText1();
}

void AddressesTab::Text1_GotFocus()
{
    Command11.set_sensitive(true);
    Text1.select_region(0, -1);
}

void AddressesTab::List1_GotFocus()
{
    Command12.set_sensitive(true);
}

void AddressesTab::focusText1()
{
    Text1.grab_focus();
    // A panel that is not the active window tells no focus change; the text
    // box is still made ready for the word to be retyped.
    Text1_GotFocus();
}

void AddressesTab::save()
{
    const TextFile::WriteResult result = m_list.save(m_context.listFile, m_context.codePage);
    if (!result.ok())
        MessageBox::showSaveError(windowOf(m_page), result.error);
}
