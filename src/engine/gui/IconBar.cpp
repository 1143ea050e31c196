#include "engine/gui/IconBar.h"

#include "engine/gui/ToolIcons.h"

#include <QBoxLayout>
#include <QToolButton>

namespace tabulo::engine::gui {

void addIconBar(QWidget *owner, QBoxLayout *into, std::span<const IconAction> icons,
                std::map<QString, QWidget *> &buttons, const std::function<bool()> &before) {
    for (const IconAction &icon : icons) {
        auto *b = new QToolButton(owner);
        b->setObjectName(QLatin1String(icon.name));
        b->setIcon(toolIcon(b->objectName()));
        b->setText(toolText(b->objectName()));
        b->setToolTip(QString::fromLatin1(icon.tip));
        if (*icon.status)
            b->setStatusTip(QString::fromLatin1(icon.status));
        b->setAutoRaise(true);
        QObject::connect(b, &QToolButton::clicked, owner, [before, run = icon.run] {
            if (!before || before())
                run();
        });
        into->addWidget(b);
        buttons[b->objectName()] = b;
    }
}

} // namespace tabulo::engine::gui
