#include "shell/gui/AboutDialog.h"

#include "shell/AboutText.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabulo::shell::gui {

QIcon programIcon() {
    return QIcon(QStringLiteral(":/tabulo/tabulo.svg"));
}

AboutDialog::AboutDialog(const QString &dataDirectory, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Tabulo List Manager"));

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(programIcon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto *text = new QLabel(this);
    text->setObjectName(QStringLiteral("aboutText"));
    text->setTextFormat(Qt::RichText);
    text->setText(aboutText(QStringLiteral(TABULO_VERSION), dataDirectory, usedComponents()));
    // The data directory can be copied from here into a file manager.
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setWordWrap(true);
    text->setMinimumWidth(440);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("aboutButtons"));
    QPushButton *aboutQt = buttons->addButton(QStringLiteral("About &Qt"), QDialogButtonBox::HelpRole);
    aboutQt->setObjectName(QStringLiteral("aboutQt"));
    connect(aboutQt, &QPushButton::clicked, this, [] { QApplication::aboutQt(); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}

} // namespace tabulo::shell::gui
