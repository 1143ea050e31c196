#include "engine/gui/FormChildLists.h"

#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "store/Dictionary.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <memory>

namespace tabulo::engine::gui {

namespace {

// The lists on the form's tabs. Each keeps the person's number it was built
// for; every refresh of the form (a tab change, the form active again) checks
// all of them against the person the form holds, and a list whose person
// changed rebuilds from its start.
class FormChildLists final : public QObject {
public:
    FormChildLists(RecordFormWindow *form, std::vector<ChildList> lists, QString parentKey, ThumbKind thumb)
        : QObject(form)
        , m_form(form)
        , m_parentKey(std::move(parentKey))
        , m_thumb(thumb) {
        setObjectName(QStringLiteral("childLists"));
        const int ctrl = form->engine().table().def().fieldIndex(QStringLiteral("CTRL_NBR"));
        m_parent = [form, ctrl] { return form->engine().table().record().integer(ctrl); };
        for (const ChildList &child : lists)
            addList(child);
        fitPages();
        form->installEventFilter(this);
        connect(form->sheet(), &QTabWidget::currentChanged, this, [this] { check(false); });
    }

    // Inside the frame the form is a sub-window, whose activation is not the
    // form's own.
    void followSubWindow() {
        if (QMdiSubWindow *sub = WindowHost::subWindowOf(m_form))
            connect(sub, &QMdiSubWindow::aboutToActivate, this, [this] { check(true); });
    }

    void check(bool forced) {
        for (size_t i = 0; i < m_lists.size(); ++i) {
            BrowseWindow *list = m_lists[i];
            if (!list || list->engine().formRunning())
                continue;
            *m_builtFor[i] = m_parent();
            // A list that was never shown is built when its tab first shows.
            if (list->engine().activeSortOrder() == 0)
                continue;
            if (forced)
                list->engine().forceRefresh();
            list->engine().refresh(0);
        }
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_form && event->type() == QEvent::WindowActivate)
            check(true);
        return QObject::eventFilter(watched, event);
    }

private:
    void addList(const ChildList &child) {
        const QString tableName = QString::fromLatin1(child.tab);
        const store::TableDef &table = *store::Dictionary::instance().table(QString::fromLatin1(child.tab));
        auto builtFor = std::make_shared<qint64>(m_parent());

        auto *page = new QWidget(m_form->sheet());
        page->setObjectName(tableName.toLower() + QStringLiteral("Page"));
        auto *rows = new QVBoxLayout(page);
        // The form's resizer moves every control it finds outside a layout;
        // inside a scroll area the list's own layout keeps charge of its
        // rows and buttons, and the resizer stretches the area as a whole.
        auto *holder = new QScrollArea(page);
        holder->setObjectName(tableName.toLower() + QStringLiteral("Holder"));
        holder->setFrameShape(QFrame::NoFrame);
        holder->setFocusPolicy(Qt::NoFocus);
        holder->setWidgetResizable(true);
        holder->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        holder->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        rows->addWidget(holder);

        ListSetup setup;
        setup.objectName = QString::fromLatin1(child.objectName);
        setup.tableName = tableName;
        setup.uses = {tableName};
        for (const char *column : child.columns)
            setup.columns.push_back({QString::fromLatin1(column), {}});
        setup.columnFormat = QString::fromLatin1(child.format);
        SortOrder order;
        order.key = table.key(m_parentKey);
        order.rangeValues = [builtFor] { return std::vector<QVariant>{QVariant(*builtFor)}; };
        order.filter = QString::fromLatin1(child.filter);
        order.bindings = {{QString::fromLatin1(child.resetName), [builtFor] { return QVariant(*builtFor); }}};
        setup.orders = {order};
        setup.thumb = m_thumb;
        setup.changeLabel = QStringLiteral("&Change");
        setup.hasSelectButton = false;
        setup.embedded = true;
        setup.embeddedIn = holder;
        setup.visibleRows = 8;
        setup.form = child.form;
        auto *list = new BrowseWindow(std::move(setup));
        holder->setWidget(list);
        keepButtonsAtTheirSize(list);
        holder->setMinimumSize(list->sizeHint());
        m_form->sheet()->addTab(page, tableName);
        m_pages.push_back(page);
        m_lists.emplace_back(list);
        m_builtFor.push_back(std::move(builtFor));
    }

    // The form lays out only the page on top before it fixes every control
    // where the layouts put it; the list pages take the same room first, so
    // that their lists fill them.
    void fitPages() {
        m_form->ensurePolished();
        m_form->layout()->activate();
        m_form->resize(m_form->sizeHint());
        m_form->grab();
        const QRect room = m_form->sheet()->currentWidget()->geometry();
        for (QWidget *page : m_pages) {
            page->setGeometry(room);
            page->layout()->activate();
        }
    }

    // The buttons sit at the start of their row and keep their size when the
    // list grows.
    static void keepButtonsAtTheirSize(BrowseWindow *list) {
        QPushButton *insert = list->button(ListAction::Insert);
        for (QHBoxLayout *row : list->findChildren<QHBoxLayout *>()) {
            if (row->indexOf(insert) >= 0) {
                row->addStretch(1);
                return;
            }
        }
    }

    RecordFormWindow *m_form;
    QString m_parentKey;
    ThumbKind m_thumb;
    std::function<qint64()> m_parent;
    std::vector<QWidget *> m_pages;
    std::vector<QPointer<BrowseWindow>> m_lists;
    std::vector<std::shared_ptr<qint64>> m_builtFor;
};

} // namespace

QObject *addChildLists(RecordFormWindow *form, std::vector<ChildList> lists, const QString &parentKey,
                       ThumbKind thumb) {
    return new FormChildLists(form, std::move(lists), parentKey, thumb);
}

void followSubWindow(QObject *childLists) {
    if (auto *lists = dynamic_cast<FormChildLists *>(childLists))
        lists->followSubWindow();
}

} // namespace tabulo::engine::gui
