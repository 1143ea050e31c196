#include "engine/gui/DetailTabs.h"

#include "engine/gui/PageView.h"
#include "store/Store.h"

#include <QBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace tabulo::engine::gui {

namespace {

BrowseWindow *detailList(QWidget *page, const DetailSetup &setup) {
    auto *list = new BrowseWindow(setup(page));
    QObject::disconnect(list->listControl(), &QTableWidget::cellDoubleClicked, list, nullptr);
    return list;
}

// Runs `action` with the highlighted record of `list` read; nothing when
// there is none.
std::function<void()> onHighlighted(BrowseWindow *list, std::function<void()> action) {
    return [list, action = std::move(action)] {
        if (action && list->engine().fetchHighlighted())
            action();
    };
}

} // namespace

QPushButton *listButton(QWidget *parent, const QString &text, const char *name, const QString &tip,
                        const QString &status) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    if (!status.isEmpty())
        b->setStatusTip(status);
    return b;
}

QWidget *phonesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list,
                   const std::function<void(QWidget *page, QBoxLayout *row)> &buttons,
                   const std::function<void()> &dial) {
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto *box = new QVBoxLayout(page);
    list = detailList(page, setup);
    box->addWidget(list, 1);
    auto *row = new QHBoxLayout;
    if (buttons)
        buttons(page, row);
    row->addStretch();
    QPushButton *dialButton = listButton(page, QStringLiteral("&Dial"), "dialButton");
    dialButton->hide();
    QObject::connect(dialButton, &QPushButton::clicked, page, onHighlighted(list, dial));
    row->addWidget(dialButton);
    box->addLayout(row);
    return page;
}

std::vector<ListColumn> phoneColumns() {
    return {{QStringLiteral("FON:LOCATION"), {}},
            {QStringLiteral("FON:NAME"), {}},
            {QStringLiteral("FON:NUMBER"), {}},
            {QStringLiteral("FON:EXT"), {}}};
}

QWidget *notesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list, QPlainTextEdit *&memo) {
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto *box = new QHBoxLayout(page);
    list = detailList(page, setup);
    box->addWidget(list, 2);
    memo = new QPlainTextEdit(page);
    memo->setObjectName(QStringLiteral("memoText"));
    memo->setReadOnly(true);
    box->addWidget(memo, 3);
    BrowseWindow *notes = list;
    QPlainTextEdit *text = memo;
    QObject::connect(notes, &BrowseWindow::rowChanged, text, [notes, text] {
        const int row = notes->engine().highlighted();
        if (row <= 0) {
            text->clear();
            return;
        }
        // The highlighted note's text, read from its position; the notes'
        // buffer stays as it was.
        store::Table &mem = store::Store::instance().table(QStringLiteral("QKmem"));
        const store::Record kept = mem.record();
        if (mem.reget(notes->engine().row(row).position).ok())
            text->setPlainText(mem.record().memo());
        else
            text->clear();
        mem.record() = kept;
    });
    return page;
}

QWidget *categoriesTab(const char *name, const DetailSetup &setup, BrowseWindow *&list,
                       const CategoryButtons &buttons) {
    auto *page = new QWidget;
    page->setObjectName(QLatin1String(name));
    auto *box = new QVBoxLayout(page);
    list = detailList(page, setup);
    for (auto action : {ListAction::Insert, ListAction::Change, ListAction::Delete})
        if (QPushButton *b = list->button(action))
            b->hide();
    box->addWidget(list, 1);
    auto *row = new QHBoxLayout;
    QPushButton *display = listButton(page, buttons.displayText, "displayCategoryButton", buttons.displayTip);
    QObject::connect(display, &QPushButton::clicked, page, onHighlighted(list, buttons.display));
    QPushButton *remove = listButton(page, buttons.removeText, "deleteFromCategoryButton");
    QObject::connect(remove, &QPushButton::clicked, page, onHighlighted(list, buttons.remove));
    row->addWidget(display);
    row->addWidget(remove);
    row->addStretch();
    box->addLayout(row);
    return page;
}

} // namespace tabulo::engine::gui
