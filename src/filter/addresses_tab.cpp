#include "filter/addresses_tab.h"

#include "filter/blocked_word_list.h"
#include "platform/message_box.h"
#include "platform/twips.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace {

// Fragments found in nearly every address: blocking one blocks most sites.
const QStringList kWarningWords = {QStringLiteral("www"), QStringLiteral("net"),
                                   QStringLiteral("http"), QStringLiteral("com"),
                                   QStringLiteral("http://")};

// The captions were sized for a smaller system font: a label may grow to the
// right up to `right`, and takes a smaller font only if it still does not fit.
void fitLabel(QLabel* label, int right)
{
    const int room = right - label->x();
    QFont font = label->font();
    while (label->sizeHint().width() > room && font.pointSizeF() > 6) {
        font.setPointSizeF(font.pointSizeF() - 0.5);
        label->setFont(font);
    }
    label->resize(std::max(label->width(), std::min(room, label->sizeHint().width())),
                  std::max(label->height(), label->sizeHint().height()));
}

} // namespace

AddressesTab::AddressesTab(const AppContext& context, Form1& browser, QWidget* parent)
    : QWidget(parent), m_context(context), m_list(new BlockedWordList(this))
{
    Q_UNUSED(browser); // the browser window reads this tab, not the other way round
    setObjectName(QStringLiteral("AddressesTab"));

    Label5 = new QLabel(QStringLiteral("New word to block in the URL's:"), this);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label5->setGeometry(twipsRect(120, 120, 2295, 255));

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twipsRect(120, 360, 2415, 285));
    Text1->setMaxLength(std::numeric_limits<int>::max());
    Text1->installEventFilter(this);

    auto button = [this](const char* name, const QString& caption, const QRect& place) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(place);
        b->setAutoDefault(false);
        // Enabled by the first visit to the text box or the list, never again disabled.
        b->setEnabled(false);
        return b;
    };
    Command11 = button("Command11", QStringLiteral("&Add ->"), twipsRect(2640, 360, 855, 375));
    Command12 = button("Command12", QStringLiteral("<- &Delete"), twipsRect(2640, 960, 855, 375));

    Label4 = new QLabel(QStringLiteral("List of words to be blocked in the URL's:"), this);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setGeometry(twipsRect(3600, 120, 3375, 255));

    List1 = new QListView(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(twipsRect(3600, 360, 3495, 3375));
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row is one line of text; without this a long list is measured row by row.
    List1->setUniformItemSizes(true);
    // A list of a million host names is laid out in steps, so the panel never
    // stops answering while it opens.
    List1->setLayoutMode(QListView::Batched);
    List1->setBatchSize(100000);
    List1->setModel(m_list);
    List1->installEventFilter(this);

    fitLabel(Label5, Label4->x() - twips(60));
    fitLabel(Label4, twips(7320 - 120));

    connect(Command11, &QPushButton::clicked, this, &AddressesTab::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &AddressesTab::Command12_Click);
    connect(List1, &QListView::doubleClicked, this, &AddressesTab::List1_DblClick);
}

AddressesTab::~AddressesTab() = default;

void AddressesTab::load()
{
    const QString path = m_context.paths.file(AppPaths::NoSurf);
    std::optional<BlockedWordList::FileWords> early;
    if (m_context.blockedWords)
        early = m_context.blockedWords->take(path, m_context.codePage);
    const QString error =
        early ? m_list->load(std::move(*early)) : m_list->load(path, m_context.codePage);
    if (error.isEmpty())
        return;
    MessageBox::show(this,
                     error +
                         QStringLiteral("\n\nUntil it can be read, the list of blocked words is "
                                        "empty and no address is blocked by it. Adding or "
                                        "deleting a word replaces the file with the list shown."),
                     QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Critical);
}

void AddressesTab::panelOpening()
{
    if (m_list->takeSlowCheckNotice()) {
        MessageBox::show(this,
                         QStringLiteral("There was not enough memory to prepare the list of "
                                        "blocked words for quick checking. Every address is "
                                        "still checked against every word, only more slowly."),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Warning);
    }
}

bool AddressesTab::blocks(QStringView address) const
{
    return m_list->blocks(address);
}

void AddressesTab::Command11_Click()
{
    const QString word = Text1->text();
    if (kWarningWords.contains(word)) {
        const QString prompt = QStringLiteral("If you include < ") + word +
                               QStringLiteral(" >  you will block MOST of sites!!!\n\r") +
                               QStringLiteral("Are you REALLY sure you want to block ") + word +
                               QStringLiteral("???");
        if (MessageBox::show(this, prompt, QStringLiteral("Attention!"),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::Critical,
                             QMessageBox::No) != QMessageBox::Yes)
            return;
    }
    const int row = m_list->insert(word);
    if (row < 0) {
        // The word stays in the text box, so nothing typed is lost.
        MessageBox::show(this,
                         QStringLiteral("The list of blocked words is full: it cannot hold more "
                                        "than 4 GB of words. Delete some words first."),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Critical);
        return;
    }
    List1->scrollTo(m_list->index(row));
    Text1->clear();
    focusText1();
    save();
    if (const QString unfit = m_context.codePage.unfit(word); !unfit.isEmpty()) {
        MessageBox::show(this,
                         QStringLiteral("The word \"%1\" has letters that the list file cannot "
                                        "hold: %2. It is blocked until the program ends; the file "
                                        "keeps a \"?\" in place of each of those letters.")
                             .arg(word, unfit),
                         QStringLiteral("Tobrin"), QMessageBox::Ok, QMessageBox::Warning);
    }
}

void AddressesTab::Command12_Click()
{
    // With no entry selected there is nothing to move: list, file and box stay as they are.
    const int row = selectedRow();
    if (row < 0)
        return;
    Text1->setText(m_list->takeAt(row));
    // Nothing is selected after a removal, so a second Delete does nothing.
    List1->selectionModel()->clearSelection();
    save();
}

void AddressesTab::List1_DblClick()
{
    if (selectedRow() < 0)
        return;
    Command12_Click();
    focusText1();
}

void AddressesTab::Text1_GotFocus()
{
    Command11->setEnabled(true);
    Text1->setSelection(0, int(Text1->text().size()));
}

void AddressesTab::List1_GotFocus()
{
    Command12->setEnabled(true);
}

bool AddressesTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == Text1)
            Text1_GotFocus();
        else if (watched == List1)
            List1_GotFocus();
    }
    return QWidget::eventFilter(watched, event);
}

int AddressesTab::selectedRow() const
{
    const QModelIndexList selected = List1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void AddressesTab::focusText1()
{
    Text1->setFocus(Qt::OtherFocusReason);
    // A panel that is not the active window gets no focus event; the text
    // box is still made ready for the word to be retyped.
    if (!Text1->hasFocus())
        Text1_GotFocus();
}

void AddressesTab::save()
{
    const TextFile::WriteResult result =
        m_list->save(m_context.paths.file(AppPaths::NoSurf), m_context.codePage);
    if (!result.ok())
        MessageBox::showSaveError(this, result.error);
}
