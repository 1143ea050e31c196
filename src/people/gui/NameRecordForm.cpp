#include "people/gui/NameRecordForm.h"

#include "engine/Globals.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "people/PersonRecords.h"
#include "people/gui/CategoryWindows.h"
#include "people/gui/PhoneNoteForms.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/Store.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <memory>
#include <vector>

namespace tabulo::people::gui {

using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

namespace {

const store::TableDef &def(const char *name) {
    return *store::Dictionary::instance().table(QString::fromLatin1(name));
}

FormField entry(const char *prompt, const char *field, const char *picture, const char *objectName) {
    FormField f;
    f.prompt = QString::fromLatin1(prompt);
    f.field = QString::fromLatin1(field);
    f.picture = QString::fromLatin1(picture);
    f.objectName = QString::fromLatin1(objectName);
    return f;
}

// What the form's hooks share about the person it edits.
struct PersonState {
    Request request = Request::None;
    QPointer<RecordFormWindow> window;
    qint64 person = 0; // the control number, once known
    QString openingLast;
    QString openingFirst;
};

void tellUser(QObject *owner, const QString &title, const QString &text, const store::StoreError &e) {
    store::clearSavedError();
    store::MessageBox box;
    box.title = title;
    box.text = text + QStringLiteral("  Error: ") + store::errorText(e) + QLatin1Char('.');
    box.owner = owner;
    store::MessageService::current().show(box);
}

// Deletes every record of `tableName` that belongs to the person through its
// NAM_CTRL_KEY, leaving the table's record buffer as it was.
store::StoreError removeOwned(const QString &tableName, qint64 person) {
    store::Table &t = store::Store::instance().table(tableName);
    const store::Record kept = t.record();
    std::vector<QString> positions;
    store::StoreError result;
    {
        store::Cursor cursor(t);
        cursor.setOrder(t.def().key(QStringLiteral("NAM_CTRL_KEY")));
        cursor.setRange({store::sql::Value(person)});
        result = cursor.toStart();
        while (result.ok()) {
            const store::StoreError e = cursor.next();
            if (e.code == store::Code::EndOfFile)
                break;
            if (e)
                result = e;
            else
                positions.push_back(t.position());
        }
    }
    for (const QString &p : positions) {
        if (!result.ok())
            break;
        result = t.reget(p);
        if (result.ok())
            result = t.remove();
    }
    t.record() = kept;
    return result;
}

// Removes what still points at a person who is gone; false after telling
// the user which table kept some of it.
bool removeLeftovers(qint64 person, const QStringList &tables, QObject *owner) {
    for (const QString &name : tables) {
        if (const store::StoreError e = removeOwned(name, person)) {
            store::setLastError(e);
            store::takeSavedError();
            store::standardMessage(owner, 17, name);
            return false;
        }
    }
    return true;
}

// After the form has ended: a saved person is shown under "All" and its links
// carry its name as saved; a cancelled new person takes along what was added
// on its tabs meanwhile.
void settlePerson(const PersonState &state, QObject *owner) {
    if (state.person == 0 || !state.window)
        return;
    const Response answer = engine::globalResponse();
    if (answer != Response::RequestCompleted) {
        if (state.request == Request::InsertRecord)
            removeLeftovers(state.person,
                            {QStringLiteral("QKjnc"), QStringLiteral("QKmem"), QStringLiteral("QKfon")},
                            owner);
        return;
    }
    const store::Record &saved = state.window->engine().table().record();
    const QString last = saved.text(saved.indexOf(QStringLiteral("LNAME")));
    const QString first = saved.text(saved.indexOf(QStringLiteral("FNAME")));
    if (state.request == Request::InsertRecord && !hasLink(state.person, 0)) {
        if (const store::StoreError e = addLink(state.person, 0, last, first)) {
            tellUser(owner, QStringLiteral("Record Insert Error"),
                     QStringLiteral("The person was saved but could not be added to the category All, "
                                    "so the names list does not show it yet."),
                     e);
            return;
        }
    }
    // Links made on the tab of a new person carry whatever names were typed
    // there; the saved name is the one the category lists sort by.
    const bool renamed = last != state.openingLast || first != state.openingFirst;
    if (state.request == Request::InsertRecord || renamed) {
        if (const store::StoreError e = rewriteLinkNames(state.person, last, first))
            tellUser(owner, QStringLiteral("Record Update Error"),
                     QStringLiteral("The person was saved but its name could not be copied into all of its "
                                    "category links."),
                     e);
    }
}

// One list on a tab of the form: the person's links, notes or phones.
struct ChildList {
    const char *tab;        // "QKjnc", also the table
    const char *objectName; // "jncList"
    const char *resetName;  // the bound parent value the filter reads
    const char *filter;
    const char *format;
    std::vector<const char *> columns;
    engine::gui::FormRunner form;
};

std::vector<ChildList> childLists() {
    return {
        {"QKjnc",
         "jncList",
         "BRW2::Sort1:Reset:nam:CTRL_NBR",
         "jnc:nam_ctrl = BRW2::Sort1:Reset:nam:CTRL_NBR",
         "56R(2)|M~Ctrl nbr~C(0)@n13@60L(2)|M~fname~L(2)@s14@68L(2)|M~lname~L(2)@s16@"
         "56R(2)|M~Nam ctrl~C(0)@n13@56R(2)|M~Cat ctrl~C(0)@n13@",
         {"JNC:CTRL_NBR", "JNC:FNAME", "JNC:LNAME", "JNC:NAM_CTRL", "JNC:CAT_CTRL"},
         [](QWidget *over, std::function<void()> done) { runLinkForm(over, std::move(done)); }},
        {"QKmem",
         "memList",
         "BRW4::Sort1:Reset:nam:CTRL_NBR",
         "mem:nam_ctrl = BRW4::Sort1:Reset:nam:CTRL_NBR",
         "80R(2)|M~Date~C(0)@d1b@80R(2)|M~Update~C(0)@d1b@24R(2)|M~Order~C(0)@n5@",
         {"MEM:DATE", "MEM:UPDATE", "MEM:ORDER"},
         [](QWidget *over, std::function<void()> done) {
             // The list clears the note's fields; a new note starts without text too.
             if (engine::globalRequest() == Request::InsertRecord)
                 store::Store::instance().table(QStringLiteral("QKmem")).record().setMemo({});
             runSharedNoteForm(over, std::move(done));
         }},
        {"QKfon",
         "fonList",
         "BRW6::Sort1:Reset:nam:CTRL_NBR",
         "fon:nam_ctrl = BRW6::Sort1:Reset:nam:CTRL_NBR",
         "80L(2)|M~Location~L(2)@S25@80L(2)|M~Name~L(2)@s25@64L(2)|M~Number~L(2)@P(###) ###-####P@"
         "20L(2)|M~Area~L(2)@s3@28L(2)|M~Ext~L(2)@s6@68R(2)|M~Just Phones Byte~C(0)@n3@"
         "80L(2)|M~Just Phones Name~L(2)@s35@",
         {"FON:LOCATION", "FON:NAME", "FON:NUMBER", "FON:AREA", "FON:EXT", "FON:JUSTPHONESBYTE",
          "FON:JUSTPHONESNAME"},
         [](QWidget *over, std::function<void()> done) { runSharedPhoneForm(over, std::move(done)); }},
    };
}

// The lists on the form's tabs. Each keeps the person's number it was built
// for; every refresh of the form (a tab change, the form active again) checks
// all of them against the person the form holds, and a list whose person
// changed rebuilds from its start.
class PersonLists final : public QObject {
public:
    explicit PersonLists(RecordFormWindow *form)
        : QObject(form)
        , m_form(form) {
        setObjectName(QStringLiteral("personLists"));
        const int ctrl = form->engine().table().def().fieldIndex(QStringLiteral("CTRL_NBR"));
        m_person = [form, ctrl] { return form->engine().table().record().integer(ctrl); };
        for (const ChildList &child : childLists())
            addList(child);
        fitPages();
        form->installEventFilter(this);
        connect(form->sheet(), &QTabWidget::currentChanged, this, [this] { check(false); });
    }

    // Inside the frame the form is a sub-window, whose activation is not the
    // form's own.
    void followSubWindow() {
        if (QMdiSubWindow *sub = engine::gui::WindowHost::subWindowOf(m_form))
            connect(sub, &QMdiSubWindow::aboutToActivate, this, [this] { check(true); });
    }

    void check(bool forced) {
        for (size_t i = 0; i < m_lists.size(); ++i) {
            BrowseWindow *list = m_lists[i];
            if (!list || list->engine().formRunning())
                continue;
            *m_builtFor[i] = m_person();
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
        const store::TableDef &table = def(child.tab);
        auto builtFor = std::make_shared<qint64>(m_person());

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
        engine::SortOrder order;
        order.key = table.key(QStringLiteral("NAM_CTRL_KEY"));
        order.rangeValues = [builtFor] { return std::vector<QVariant>{QVariant(*builtFor)}; };
        order.filter = QString::fromLatin1(child.filter);
        order.bindings = {{QString::fromLatin1(child.resetName), [builtFor] { return QVariant(*builtFor); }}};
        setup.orders = {order};
        setup.thumb = engine::ThumbKind::Distributed;
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
        QPushButton *insert = list->button(engine::ListAction::Insert);
        for (QHBoxLayout *row : list->findChildren<QHBoxLayout *>()) {
            if (row->indexOf(insert) >= 0) {
                row->addStretch(1);
                return;
            }
        }
    }

    RecordFormWindow *m_form;
    std::function<qint64()> m_person;
    std::vector<QWidget *> m_pages;
    std::vector<QPointer<BrowseWindow>> m_lists;
    std::vector<std::shared_ptr<qint64>> m_builtFor;
};

} // namespace

RecordFormWindow *runNameRecordForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &nam = def("QKnam");
    auto state = std::make_shared<PersonState>();
    state->request = engine::globalRequest();

    FormWindowSetup setup;
    setup.objectName = QStringLiteral("UpdateQKnam");
    setup.tableName = nam.name;
    setup.uses = store::tablesUsedBy(QStringLiteral("nameform"));
    setup.form.formKey = QStringLiteral("UpdateQKnam");
    setup.form.variant = engine::FormVariant::B;
    setup.form.longConflictMessage = true;
    setup.form.duplicateKeys = {nam.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    const int ctrl = nam.fieldIndex(QStringLiteral("CTRL_NBR"));
    // The person's phones and notes go with it by the table's own rule; its
    // category links would be left naming a person who no longer exists.
    setup.form.deleteRoutine = [ctrl](store::Table &table, QObject *owner) {
        const qint64 person = table.record().integer(ctrl);
        if (!engine::deleteRecord(table, owner))
            return false;
        removeLeftovers(person, {QStringLiteral("QKjnc")}, owner);
        return true;
    };
    setup.fields = {
        entry("&Lname:", "NAM:LNAME", "@S16", "lnameEntry"),
        entry("&Fname:", "NAM:FNAME", "@S14", "fnameEntry"),
        entry("&Addr1:", "NAM:ADDR1", "@S30", "addr1Entry"),
        entry("&Addr2:", "NAM:ADDR2", "@S30", "addr2Entry"),
        entry("&City:", "NAM:CITY", "@S30", "cityEntry"),
        entry("&State:", "NAM:STATE", "@S2", "stateEntry"),
        entry(" &Zip:", "NAM:ZIP", "@S5", "zipEntry"),
        entry("Birthdate:", "NAM:DOB", "@d2b", "dobEntry"),
        entry("Email Address:", "NAM:EMAILADDRESS", "@s30", "emailEntry"),
        entry("Country:", "NAM:COUNTRY", "@s20", "countryEntry"),
    };
    const int last = nam.fieldIndex(QStringLiteral("LNAME"));
    const int first = nam.fieldIndex(QStringLiteral("FNAME"));
    auto lists = std::make_shared<QPointer<PersonLists>>();
    setup.beforeShow = [state, lists, ctrl, last, first](RecordFormWindow *window) {
        const store::Record &person = window->engine().table().record();
        state->window = window;
        state->person = person.integer(ctrl);
        state->openingLast = person.text(last);
        state->openingFirst = person.text(first);
        *lists = new PersonLists(window);
    };

    QPointer<QWidget> owner(caller);
    RecordFormWindow *window =
        RecordFormWindow::run(caller, std::move(setup), [state, owner, done = std::move(done)] {
            // The answer stands whatever the settling shows.
            const Response answer = engine::globalResponse();
            settlePerson(*state, owner.data());
            engine::setGlobalResponse(answer);
            if (done)
                done();
        });
    if (window && *lists)
        (*lists)->followSubWindow();
    return window;
}

} // namespace tabulo::people::gui
