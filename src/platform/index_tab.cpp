#include "platform/index_tab.h"

#include "platform/colors.h"

namespace {

// Compact tabs with a thin border, the selected one lighter and taller, as
// the strip has always looked; the theme's wide tabs would not fit the
// designed sizes. The strip starts at the page's left edge (the theme keeps
// four pixels before it), and the page sits two pixels inside its border.
constexpr char kStyle[] = R"(
notebook.index-tab { border: none; background: none; }
notebook.index-tab > header { padding: 0; background: none; border: none; box-shadow: none; }
notebook.index-tab > header > tabs { margin: 0 0 0 -4px; }
notebook.index-tab > header > tabs > tab {
  min-height: 0; min-width: 0; padding: 4px 12px 2px; margin: 3px 0 0 0;
  border: 1px solid #aaaaaa; border-bottom: none; border-radius: 3px 3px 0 0;
  background: #e4e4e4; color: #202020; box-shadow: none; outline: none; }
notebook.index-tab > header > tabs > tab:hover { background: #eeeeee; }
notebook.index-tab > header > tabs > tab:checked {
  background: #f6f6f6; margin-top: 0; padding-top: 6px; box-shadow: none; }
notebook.index-tab > stack { border: 1px solid #aaaaaa; padding: 1px; background: #f6f6f6; }
)";

} // namespace

IndexTab::IndexTab() : Gtk::Box(Gtk::Orientation::VERTICAL)
{
    addStyleRules(kStyle);
    m_notebook.add_css_class("index-tab");
    m_notebook.set_hexpand(true);
    m_notebook.set_vexpand(true);
    append(m_notebook);
    m_notebook.signal_switch_page().connect(
        [this](Gtk::Widget*, guint tab) { switched(int(tab)); });
    m_sharedPage.set_name("page0");
}

IndexTab::~IndexTab()
{
    m_rebuilding = true;
    clearPages();
}

void IndexTab::setCaptions(const std::string& captions)
{
    m_captions.clear();
    std::string::size_type start = 0;
    for (;;) {
        const auto bar = captions.find('|', start);
        m_captions.push_back(captions.substr(start, bar - start));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    m_current = 0;
    rebuildPages();
}

std::string IndexTab::captions() const
{
    std::string text;
    for (std::size_t i = 0; i < m_captions.size(); ++i)
        text += (i ? "|" : "") + m_captions[i];
    return text;
}

int IndexTab::count() const
{
    return int(m_captions.size());
}

Gtk::Fixed* IndexTab::page(int tab)
{
    if (m_shared)
        return &m_sharedPage;
    if (tab < 0 || tab >= int(m_pages.size()))
        return nullptr;
    return static_cast<Gtk::Fixed*>(m_pages[tab].get());
}

void IndexTab::setSharedPage(bool shared)
{
    m_shared = shared;
    rebuildPages();
}

void IndexTab::setCurrentTab(int tab, bool announce)
{
    m_quiet = !announce;
    m_notebook.set_current_page(tab);
    m_quiet = false;
}

void IndexTab::switched(int tab)
{
    if (m_rebuilding || tab < 0)
        return;
    if (m_shared) {
        // The one page goes wherever the strip is.
        auto* holder = static_cast<Gtk::Box*>(m_pages[tab].get());
        if (m_sharedPage.get_parent() != holder) {
            if (auto* old = dynamic_cast<Gtk::Box*>(m_sharedPage.get_parent()))
                old->remove(m_sharedPage);
            holder->append(m_sharedPage);
        }
    }
    if (tab == m_current)
        return;
    const int old = m_current;
    m_current = tab;
    if (!m_quiet)
        m_switch.emit(old, tab);
}

void IndexTab::clearPages()
{
    if (auto* old = dynamic_cast<Gtk::Box*>(m_sharedPage.get_parent()))
        old->remove(m_sharedPage);
    while (m_notebook.get_n_pages() > 0)
        m_notebook.remove_page(-1);
    m_pages.clear();
}

void IndexTab::rebuildPages()
{
    m_rebuilding = true;
    // Pages that stay keep their controls: only the missing ones are added.
    const int wanted = std::max(1, count());
    if (m_shared || int(m_pages.size()) > wanted ||
        (!m_pages.empty() && !dynamic_cast<Gtk::Fixed*>(m_pages.front().get())))
        clearPages();
    while (int(m_pages.size()) < wanted) {
        std::unique_ptr<Gtk::Widget> page;
        if (m_shared) {
            page = std::make_unique<Gtk::Box>();
        } else {
            page = std::make_unique<Gtk::Fixed>();
            page->set_name("page" + std::to_string(m_pages.size()));
        }
        m_notebook.append_page(*page);
        m_pages.push_back(std::move(page));
    }
    for (int i = 0; i < wanted; ++i)
        m_notebook.set_tab_label_text(*m_pages[i], i < count() ? m_captions[i] : "");
    m_notebook.set_current_page(m_current);
    m_rebuilding = false;
    switched(m_current);
}
