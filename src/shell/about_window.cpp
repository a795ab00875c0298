#include "shell/about_window.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

AboutWindow::AboutWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutWindow"));
    setWindowTitle(QStringLiteral("About Tobrin"));
    setWindowIcon(QIcon(QStringLiteral(":/images/tobrin.png")));

    auto* icon = new QLabel(this);
    icon->setPixmap(QPixmap(QStringLiteral(":/images/tobrin.png"))
                        .scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setText(
        QStringLiteral(
            "<p style='font-size:16pt'><b>Tobrin 2.0</b></p>"
            "<p>Version %1, by Corvane.</p>"
            "<p>A web browser for children: a parent chooses which words block an address, "
            "which sites are favorites, and at which times surfing is allowed, and reads "
            "where the browser went.</p>")
            .arg(QStringLiteral(TOBRIN_VERSION)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    setFixedWidth(380);
}
