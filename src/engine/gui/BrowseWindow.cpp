#include "engine/gui/BrowseWindow.h"

#include "engine/gui/PageView.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "store/Dictionary.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::engine::gui {

namespace {
QString placementFile() {
    return QDir(store::Store::instance().directory()).filePath(QStringLiteral("QK.INI"));
}
} // namespace

ListSetup detailListSetup(QWidget *parent, const char *name, const char *tableName, const char *keyName,
                          const QString &filter, const QString &format, std::vector<ListColumn> columns,
                          const char *parentTable, QStringList uses) {
    const store::TableDef &def = store::tableDef(tableName);
    ListSetup setup;
    setup.objectName = QLatin1String(name);
    setup.tableName = QLatin1String(tableName);
    setup.uses = std::move(uses);
    setup.embedded = true;
    setup.embeddedIn = parent;
    setup.columns = std::move(columns);
    setup.columnFormat = format;
    SortOrder order{def.key(QLatin1String(keyName))};
    // The record the window shows beside its list.
    const QString parentName = QLatin1String(parentTable);
    order.rangeValues = [parentName] {
        return std::vector<QVariant>{
            QVariant(store::Store::instance().table(parentName).record().integer(0))};
    };
    order.filter = filter;
    setup.orders = {order};
    setup.thumb = ThumbKind::Fixed;
    setup.hasSelectButton = false;
    setup.insertLabel = QStringLiteral("&Add");
    setup.changeLabel = QStringLiteral("&Change");
    setup.deleteLabel = QStringLiteral("&Delete");
    setup.contextMenu = ContextMenu{};
    setup.visibleRows = 6;
    return setup;
}

QMenu *menuFromText(const QString &text, QWidget *parent, std::function<void(int)> chosen) {
    auto *menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("contextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    int number = 0;
    for (QString item : text.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        if (item == QLatin1String("-")) {
            menu->addSeparator();
            continue;
        }
        ++number;
        const bool disabled = item.startsWith(QLatin1Char('~'));
        if (disabled)
            item.remove(0, 1);
        QAction *action = menu->addAction(item);
        action->setEnabled(!disabled);
        const int n = number;
        QObject::connect(action, &QAction::triggered, menu, [chosen, n] { chosen(n); });
    }
    return menu;
}

BrowseWindow::BrowseWindow(ListSetup setup, QWidget *caller, std::function<void()> done)
    : QWidget(setup.embedded ? setup.embeddedIn : caller, setup.embedded ? Qt::Widget : Qt::Window)
    , m_setup(std::move(setup))
    , m_use(m_setup.uses.isEmpty() ? QStringList{m_setup.tableName} : m_setup.uses)
    , m_done(std::move(done)) {
    setObjectName(m_setup.objectName);
    setWindowTitle(m_setup.title);
    if (!m_setup.embedded)
        setAttribute(Qt::WA_DeleteOnClose);

    std::optional<ColumnFormat> format;
    if (!m_setup.columnFormat.isEmpty()) {
        auto parsed = ColumnFormat::parse(m_setup.columnFormat);
        // A format is the program's own text: a bad one is a mistake here.
        Q_ASSERT_X(parsed.ok(), "BrowseWindow", qPrintable(parsed.error()));
        if (parsed.ok()) {
            format = *parsed;
            for (int c = 0; c < std::min<int>(format->count(), static_cast<int>(m_setup.columns.size()));
                 ++c) {
                ListColumn &column = m_setup.columns[static_cast<size_t>(c)];
                if (column.picture.isEmpty() && !format->column(c).pictureText.isEmpty())
                    column.picture = QLatin1Char('@') + format->column(c).pictureText;
            }
        }
    }

    m_engine = std::make_unique<BrowseList>(store::Store::instance().table(m_setup.tableName),
                                            m_setup.columns, m_setup.orders, m_setup.thumb, *this);
    m_engine->setHasSelectButton(m_setup.hasSelectButton);
    m_engine->setUpdateLabel(m_setup.changeLabel);
    m_engine->setJoins(m_setup.joins);
    m_engine->setCarriedFields(m_setup.carriedFields);
    m_engine->setCountsRecords(m_setup.countsRecords);
    m_engine->setCountsInBackground(m_setup.countsInBackground);
    m_engine->setContextMenu(m_setup.contextMenu);
    m_engine->open();

    auto *outer = new QVBoxLayout(this);
    if (!m_setup.tabTexts.isEmpty()) {
        m_tabs = new QTabBar(this);
        m_tabs->setObjectName(QStringLiteral("sortTabs"));
        for (const QString &t : m_setup.tabTexts)
            m_tabs->addTab(t);
        outer->addWidget(m_tabs);
    }
    m_extraArea = new QVBoxLayout;
    outer->addLayout(m_extraArea);

    auto *listRow = new QHBoxLayout;
    m_listRow = listRow;
    m_view = new PageView(this);
    m_view->setColumnCount(static_cast<int>(m_setup.columns.size()));
    if (format) {
        m_view->setColumnFormat(*format);
    } else {
        QStringList headers;
        for (const ListColumn &c : m_setup.columns)
            headers << c.field.section(QLatin1Char(':'), -1);
        m_view->setHorizontalHeaderLabels(headers);
    }
    m_view->setDesignedRows(m_setup.visibleRows);
    m_view->keyHandler = [this](QKeyEvent *e) { return handleKey(e); };
    listRow->addWidget(m_view);
    m_thumbBar = new QScrollBar(Qt::Vertical, this);
    m_thumbBar->setObjectName(QStringLiteral("thumbBar"));
    m_thumbBar->setRange(0, 100);
    m_thumbBar->setPageStep(10);
    m_thumbBar->hide();
    listRow->addWidget(m_thumbBar);
    // The list takes what the window grows by: a taller window, more rows.
    outer->addLayout(listRow, 1);

    auto *buttons = new QHBoxLayout;
    QWidget *buttonParent = this;
    if (!m_setup.buttonsTab.isEmpty()) {
        auto *tabWidget = new QTabWidget(this);
        tabWidget->setObjectName(QStringLiteral("buttonTabs"));
        buttonParent = new QWidget(tabWidget);
        buttonParent->setLayout(buttons);
        tabWidget->addTab(buttonParent, m_setup.buttonsTab);
        tabWidget->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
        outer->addWidget(tabWidget);
    }
    auto add = [&](ListAction action, const QString &text, const char *name) {
        auto *b = new QPushButton(text, buttonParent);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        m_buttons[action] = b;
        connect(b, &QPushButton::clicked, this, [this, action] { m_engine->perform(action); });
    };
    add(ListAction::Insert, m_setup.insertLabel, "insertButton");
    add(ListAction::Change, m_setup.changeLabel, "changeButton");
    add(ListAction::Delete, m_setup.deleteLabel, "deleteButton");
    if (m_setup.hasSelectButton)
        add(ListAction::Select, QStringLiteral("&Select"), "selectButton");
    if (!m_setup.embedded)
        add(ListAction::Close, m_setup.closeLabel, "closeButton");
    if (m_setup.buttonsTab.isEmpty())
        outer->addLayout(buttons);
    if (!m_setup.statusText.isEmpty() || !m_setup.listStatusText.isEmpty()) {
        // The window's status text and, beside it, the list's own.
        setStatusTip(m_setup.statusText);
        m_status = new QLabel(this);
        m_status->setObjectName(QStringLiteral("statusLine"));
        m_status->setFrameShape(QFrame::StyledPanel);
        m_status->setText(m_setup.statusText + (m_setup.listStatusText.isEmpty()
                                                    ? QString()
                                                    : QStringLiteral("  |  ") + m_setup.listStatusText));
        outer->addWidget(m_status);
    }

    if (QPushButton *select = button(ListAction::Select))
        select->setEnabled(m_engine->selectEnabled());

    connect(m_view, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
        if (!m_updating && row >= 0)
            m_engine->highlightRow(row + 1);
    });
    connect(m_view, &QTableWidget::cellDoubleClicked, this,
            [this](int, int) { m_engine->perform(m_engine->doubleClickAction()); });
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        const int row = m_view->rowAt(pos.y());
        if (row >= 0)
            m_engine->highlightRow(row + 1);
        showContextMenu(m_view->viewport()->mapToGlobal(pos));
    });
    connect(m_view, &PageView::rowsFitChanged, this, [this](int rows) {
        // A taller or shorter list shows as many whole rows as now fit.
        if (m_shownOnce && !m_engine->formRunning() && rows != m_engine->pageSize())
            m_engine->reset(BrowseList::ResetMode::FromFirstRow);
    });
    connect(m_view, &PageView::wheelScrolled, this, [this](bool down) { m_engine->scrollRow(down); });
    connect(m_thumbBar, &QScrollBar::actionTriggered, this, [this](int action) { thumbAction(action); });
    connect(m_thumbBar, &QScrollBar::sliderReleased, this,
            [this] { m_engine->thumbDragged(m_thumbBar->sliderPosition()); });
    if (m_tabs)
        connect(m_tabs, &QTabBar::currentChanged, this, [this](int index) { m_engine->refresh(index); });

    if (!m_setup.embedded)
        engine::gui::WindowPlacement::attach(this, m_setup.placementKey, placementFile());
    else
        outer->setContentsMargins(0, 0, 0, 0);
}

BrowseWindow::~BrowseWindow() = default;

QPushButton *BrowseWindow::button(ListAction action) const {
    auto it = m_buttons.find(action);
    return it == m_buttons.end() ? nullptr : it->second;
}

QMenu *BrowseWindow::showContextMenu(const QPoint &globalPos) {
    const QString text = m_engine->contextMenuText();
    // A list may offer no menu at all (the names list on an empty page).
    if (text.isEmpty())
        return nullptr;
    QMenu *menu = menuFromText(text, this, [this](int item) {
        const ListAction action = m_engine->contextMenuAction(item);
        // The menu is closing: act once it is gone.
        QTimer::singleShot(0, this, [this, action] { m_engine->perform(action); });
    });
    menu->popup(globalPos);
    return menu;
}

int BrowseWindow::visibleRows() const {
    return m_view->visibleRows();
}

void BrowseWindow::pageChanged() {
    m_updating = true;
    const BrowseList &e = *m_engine;
    m_view->setRowCount(e.rowCount());
    for (int r = 1; r <= e.rowCount(); ++r) {
        const ListRow &row = e.row(r);
        for (int c = 0; c < row.texts.size(); ++c) {
            QTableWidgetItem *item = m_view->item(r - 1, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(m_view->cellAlignment(c));
                m_view->setItem(r - 1, c, item);
            }
            item->setText(row.texts.at(c));
            if (m_setup.cellTextColour) {
                const QColor own = m_setup.cellTextColour(row, c);
                if (own.isValid())
                    item->setForeground(own);
                else
                    item->setData(Qt::ForegroundRole, QVariant());
            }
        }
    }
    if (e.highlighted() > 0)
        m_view->setCurrentCell(e.highlighted() - 1, 0);
    else
        m_view->setCurrentCell(-1, -1);
    m_thumbBar->setVisible(e.scrollBarVisible());
    {
        const QSignalBlocker block(m_thumbBar);
        m_thumbBar->setSliderPosition(e.thumb());
        m_thumbBar->setValue(e.thumb());
    }
    const bool rows = e.rowCount() > 0;
    if (QPushButton *b = button(ListAction::Change))
        b->setEnabled(rows);
    if (QPushButton *b = button(ListAction::Delete))
        b->setEnabled(rows);
    if (QPushButton *b = button(ListAction::Select))
        b->setEnabled(e.selectEnabled() && rows);
    m_updating = false;
    emit rowChanged();
}

void BrowseWindow::thumbAction(int action) {
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        m_engine->scrollRow(true);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        m_engine->scrollRow(false);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        m_engine->scrollPage(true);
        break;
    case QAbstractSlider::SliderPageStepSub:
        m_engine->scrollPage(false);
        break;
    case QAbstractSlider::SliderToMinimum:
        m_engine->scrollToEnd(false);
        break;
    case QAbstractSlider::SliderToMaximum:
        m_engine->scrollToEnd(true);
        break;
    default:
        return; // a drag acts when the thumb is released
    }
    m_thumbBar->setSliderPosition(m_engine->thumb());
}

bool BrowseWindow::handleKey(QKeyEvent *event) {
    BrowseList &e = *m_engine;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int key = event->key();
    if (e.rowCount() == 0) {
        if (key == Qt::Key_Insert)
            e.perform(ListAction::Insert);
        return true;
    }
    switch (key) {
    case Qt::Key_Up:
        e.scrollRow(false);
        return true;
    case Qt::Key_Down:
        e.scrollRow(true);
        return true;
    case Qt::Key_PageUp:
        e.scrollPage(false);
        return true;
    case Qt::Key_PageDown:
        e.scrollPage(true);
        return true;
    case Qt::Key_Home:
        if (ctrl) {
            e.scrollToEnd(false);
            return true;
        }
        return false;
    case Qt::Key_End:
        if (ctrl) {
            e.scrollToEnd(true);
            return true;
        }
        return false;
    case Qt::Key_Insert:
        e.perform(ListAction::Insert);
        return true;
    case Qt::Key_Delete:
        e.perform(ListAction::Delete);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e.perform(ctrl ? ListAction::Change : e.defaultAction());
        return true;
    case Qt::Key_Backspace:
        e.backspace();
        return true;
    default:
        break;
    }
    const QString text = event->text();
    if (!ctrl && text.size() == 1 && text.at(0).isPrint()) {
        e.typed(text.at(0));
        return true;
    }
    return false;
}

void BrowseWindow::runForm(std::function<void()> done) {
    if (!m_setup.form) {
        done();
        return;
    }
    QPointer<BrowseWindow> self(this);
    m_setup.form(this, [self, done = std::move(done)] {
        if (!self)
            return;
        done();
        self->m_view->setFocus();
    });
}

void BrowseWindow::closeList() {
    m_engineCloses = true;
    // A list that cannot be read ends the window it is part of: that window
    // never stays open without it.
    QWidget *ending = this;
    if (m_setup.embedded) {
        QMdiSubWindow *sub = WindowHost::subWindowOf(this);
        ending = sub && sub->widget() ? sub->widget() : window();
    }
    // The engine may still be on its way out of the call that ended it.
    QTimer::singleShot(0, this, [ending = QPointer<QWidget>(ending)] {
        if (ending)
            ending->close();
    });
}

void BrowseWindow::countInBackground(std::function<CountOutcome()> work,
                                     std::function<void(CountOutcome)> done) {
    QPointer<BrowseWindow> self(this);
    QThreadPool::globalInstance()->start([self, work = std::move(work), done = std::move(done)] {
        const CountOutcome outcome = work();
        // Back on the window's thread; a window closed meanwhile takes nothing.
        QMetaObject::invokeMethod(
            qApp,
            [self, done, outcome] {
                if (self)
                    done(outcome);
            },
            Qt::QueuedConnection);
    });
}

void BrowseWindow::setWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void BrowseWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        m_engine->refresh(m_tabs ? m_tabs->currentIndex() : 0);
        m_view->setFocus();
    }
}

void BrowseWindow::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !m_shownOnce || m_engine->formRunning())
        return;
    if (!isActiveWindow()) {
        m_wasInactive = true;
        return;
    }
    if (m_wasInactive) {
        m_wasInactive = false;
        m_engine->forceRefresh();
        m_engine->refresh(m_tabs ? m_tabs->currentIndex() : 0);
    }
}

void BrowseWindow::closeEvent(QCloseEvent *event) {
    if (m_engine->formRunning()) {
        event->ignore();
        return;
    }
    if (!m_engineCloses)
        m_engine->windowClosing();
    event->accept();
    QWidget::closeEvent(event);
    if (!m_finished) {
        m_finished = true;
        m_engine->finish();
        WindowHost::release(this);
        if (m_done)
            m_done();
    }
}

} // namespace tabulo::engine::gui
