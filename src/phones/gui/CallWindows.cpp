#include "phones/gui/CallWindows.h"

#include "base/Clock.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/Dialer.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"
#include "phones/CallStatus.h"
#include "phones/gui/DialWindow.h"
#include "phones/gui/JustPhonesWindows.h"
#include "store/Dictionary.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::phones::gui {

using engine::gui::BrowseWindow;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

namespace {

QPointer<CallsListWindow> s_calls;

// "Add Co&py" hands the form a call to keep as it is: no fresh date and time.
bool s_copying = false;

// The columns the rows carry besides the seven shown, in this order.
enum Carried { FirstName, LastName, CallerDate, CallerTime, ReturnedDate, ReturnedTime, CtrlNbr };

const store::TableDef &incDef() {
    return store::tableDef("QKinc");
}

int intOf(const engine::ListRow &row, Carried c) {
    return row.carried.at(static_cast<size_t>(c)).toInt();
}

ListSetup listSetup() {
    const store::TableDef &inc = incDef();
    ListSetup setup;
    setup.objectName = QStringLiteral("WhoCalled");
    setup.title = QStringLiteral("Calls List");
    setup.placementKey = QStringLiteral("WhoCalled");
    setup.tableName = QStringLiteral("QKinc");
    setup.uses = store::tablesUsedBy(QStringLiteral("calls"));
    // The Name column is the caller's whole name, made per row (pageChanged).
    setup.columns = {{QStringLiteral("INC:CALLERDATE"), QStringLiteral("@d1")},
                     {QStringLiteral("INC:CALLERTIME"), QStringLiteral("@t3")},
                     {QStringLiteral("INC:FIRSTNAME"), QStringLiteral("@s25")},
                     {QStringLiteral("INC:COMPANY"), QStringLiteral("@s40")},
                     {QStringLiteral("INC:NUMBER"), QStringLiteral("@p(###) ###-####p")},
                     {QStringLiteral("INC:FAXNUMBER"), QStringLiteral("@p(###) ###-####p")},
                     {QStringLiteral("INC:SOURCE"), QStringLiteral("@s25")}};
    setup.columnFormat = QStringLiteral("40R(2)|M~Date~C(0)@d1@40R(2)|M~Time~C(0)@t3@100L(2)|M*~Name~@s25@"
                                        "160L(2)|M*~Company~@s40@60L(2)|M~Number~@p(###) ###-####p@"
                                        "60L(2)|M~Fax Number~@p(###) ###-####p@100L(2)|M~Source~@s25@");
    setup.carriedFields = {QStringLiteral("INC:FIRSTNAME"),    QStringLiteral("INC:LASTNAME"),
                           QStringLiteral("INC:CALLERDATE"),   QStringLiteral("INC:CALLERTIME"),
                           QStringLiteral("INC:RETURNEDDATE"), QStringLiteral("INC:RETURNEDTIME"),
                           QStringLiteral("INC:CTRL_NBR")};
    // The calls not returned have a key of their own, so that the order
    // reads only them however few they are among the returned.
    setup.orders = {engine::SortOrder{inc.key(QStringLiteral("CALLDATE_KEY"))},
                    engine::SortOrder{inc.key(QStringLiteral("COMPANY_KEY"))},
                    engine::SortOrder{inc.key(QStringLiteral("LASTNAME_KEY"))},
                    engine::SortOrder{inc.key(QStringLiteral("NUMBER_KEY"))},
                    engine::SortOrder{inc.key(QStringLiteral("SOURCE_KEY"))},
                    engine::SortOrder{inc.key(QStringLiteral("NOTRETURNED_KEY"))}};
    setup.tabTexts = {QStringLiteral("Da&te"),   QStringLiteral("Co&mpany"), QStringLiteral("N&ame"),
                      QStringLiteral("Num&ber"), QStringLiteral("&Source"),  QStringLiteral("Not &Returned")};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.insertLabel = QStringLiteral("Add &New");
    setup.changeLabel = QStringLiteral("&View\\Edit");
    setup.deleteLabel = QStringLiteral("&Delete");
    setup.closeLabel = QStringLiteral("&Close");
    setup.hasSelectButton = false;
    setup.visibleRows = 12;
    setup.form = [](QWidget *over, std::function<void()> formDone) {
        runCallForm(over, std::move(formDone));
    };
    // The caller of a call not returned is named in red; every other cell
    // keeps the list's colours.
    setup.cellTextColour = [](const engine::ListRow &row, int column) {
        if (column == 2 && row.carried.size() > ReturnedDate && callNotReturned(intOf(row, ReturnedDate)))
            return QColor(255, 0, 0);
        return QColor();
    };
    setup.contextMenu =
        engine::ContextMenu{{{QStringLiteral("Add &New"), engine::ListAction::Insert, {}, false, false},
                             {QStringLiteral("&View\\Edit"), engine::ListAction::Change, {}, true, false},
                             {QStringLiteral("&Delete"), engine::ListAction::Delete, {}, true, false}},
                            true};
    return setup;
}

// The call windows dial the caller's office number.
void dialCaller(QWidget *over, const store::Record &call) {
    const QString office = QStringLiteral("Office");
    const QString label =
        host::personCallerLabel(call.value(QStringLiteral("INC:FIRSTNAME")).toString(),
                                call.value(QStringLiteral("INC:LASTNAME")).toString(), office);
    host::setLastCallerLabel(label);
    dial(over, label, office, call.value(QStringLiteral("INC:NUMBER")).toString());
}

// A button beside a form's entry, on the entry's row.
QPushButton *besideEntry(QLineEdit *entry, const QString &text, const char *name) {
    auto *rows = qobject_cast<QFormLayout *>(entry->parentWidget()->layout());
    auto *holder = new QWidget(entry->parentWidget());
    auto *line = new QHBoxLayout(holder);
    line->setContentsMargins(0, 0, 0, 0);
    if (rows)
        delete rows->replaceWidget(entry, holder);
    line->addWidget(entry, 1);
    auto *button = new QPushButton(text, holder);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    line->addWidget(button);
    return button;
}

} // namespace

CallsListWindow *CallsListWindow::open() {
    if (s_calls) {
        engine::setGlobalRequest(engine::Request::None);
        engine::gui::WindowHost::bringToFront(s_calls);
        return s_calls;
    }
    engine::setGlobalRequest(engine::Request::None);
    auto *window = new CallsListWindow;
    s_calls = window;
    engine::gui::WindowHost::present(window);
    return window;
}

CallsListWindow *CallsListWindow::openWindow() {
    return s_calls.data();
}

CallsListWindow::CallsListWindow()
    : BrowseWindow(listSetup()) {
    // Beside the list: the about text over the return status.
    auto *side = new QVBoxLayout;
    m_about = new QPlainTextEdit(this);
    m_about->setObjectName(QStringLiteral("aboutText"));
    m_about->setReadOnly(true);
    // A column of its own: the list keeps the width its format asks for.
    m_about->setFixedWidth(fontMetrics().averageCharWidth() * 30);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("callStatusText"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_status->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 4);
    m_status->setFixedWidth(m_about->width());
    side->addWidget(m_about, 1);
    side->addWidget(m_status);
    listRow()->addLayout(side);

    // "Add Co&py" with the other buttons, after Delete.
    if (QPushButton *remove = button(engine::ListAction::Delete)) {
        auto *copy = new QPushButton(QStringLiteral("Add Co&py"), remove->parentWidget());
        copy->setObjectName(QStringLiteral("addCopyButton"));
        copy->setAutoDefault(false);
        for (QHBoxLayout *row : findChildren<QHBoxLayout *>()) {
            const int at = row->indexOf(remove);
            if (at >= 0) {
                row->insertWidget(at + 1, copy);
                break;
            }
        }
        connect(copy, &QPushButton::clicked, this, [this] { addCopy(); });
    }
    // Present but hidden.
    for (auto [text, name] : {std::pair{"Dia&l", "dialButton"}, std::pair{"Help", "helpButton"}}) {
        auto *b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(name));
        b->hide();
    }
    connect(findChild<QPushButton *>(QStringLiteral("dialButton")), &QPushButton::clicked, this,
            [this] { dialHighlighted(); });
}

void CallsListWindow::dialHighlighted() {
    if (engine().formRunning() || engine().highlighted() < 1 || !engine().fetchHighlighted())
        return;
    dialCaller(this, engine().table().record());
}

void CallsListWindow::addCopy() {
    if (engine().formRunning() || engine().rowCount() == 0)
        return;
    const store::TableDef &inc = incDef();
    const int returnedDate = inc.fieldIndex(QStringLiteral("RETURNEDDATE"));
    const int returnedTime = inc.fieldIndex(QStringLiteral("RETURNEDTIME"));
    s_copying = true;
    engine().insertCopy([=](store::Record &r) {
        r.setInteger(returnedDate, 0);
        r.setInteger(returnedTime, 0);
        r.setMemo({});
    });
    s_copying = false;
}

void CallsListWindow::pageChanged() {
    BrowseWindow::pageChanged();
    const engine::BrowseList &list = engine();
    engine::gui::PageView *view = listControl();
    for (int r = 1; r <= list.rowCount(); ++r) {
        const engine::ListRow &row = list.row(r);
        if (QTableWidgetItem *item = view->item(r - 1, 2))
            item->setText(
                callerName(row.carried.at(FirstName).toString(), row.carried.at(LastName).toString()));
    }
    if (list.highlighted() < 1) {
        m_about->clear();
        m_status->clear();
        return;
    }
    const engine::ListRow &row = list.row(list.highlighted());
    m_status->setText(callStatusText(intOf(row, CallerDate), intOf(row, CallerTime), intOf(row, ReturnedDate),
                                     intOf(row, ReturnedTime)));
    // The about text is not part of the row: it is read with the whole call
    // once the list has finished with the page.
    if (!m_aboutPending) {
        m_aboutPending = true;
        QTimer::singleShot(0, this, [this] { showHighlighted(); });
    }
}

void CallsListWindow::showHighlighted() {
    m_aboutPending = false;
    if (engine().formRunning() || engine().highlighted() < 1)
        return;
    if (engine().fetchHighlighted())
        m_about->setPlainText(engine().table().record().memo());
    else
        m_about->clear();
}

RecordFormWindow *runCallForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &inc = incDef();
    const int callerDate = inc.fieldIndex(QStringLiteral("CALLERDATE"));
    const int callerTime = inc.fieldIndex(QStringLiteral("CALLERTIME"));
    const int returnedDate = inc.fieldIndex(QStringLiteral("RETURNEDDATE"));
    const int returnedTime = inc.fieldIndex(QStringLiteral("RETURNEDTIME"));
    FormWindowSetup setup = engine::gui::numberedFormSetup(
        "incUpdate", "QKinc", store::tablesUsedBy(QStringLiteral("calls")), engine::FormVariant::B);
    const bool copying = s_copying;
    setup.form.prime = [=](store::Record &r) {
        if (copying)
            return; // the copy keeps its caller's date and time
        const dates::Clock &clock = dates::Clock::current();
        r.setInteger(callerDate, clock.today());
        r.setInteger(callerTime, clock.timeOfDay());
        r.setInteger(returnedDate, 0);
    };
    using engine::gui::lineEntry;
    setup.fields = {
        lineEntry("First Name:", "INC:FIRSTNAME", "@s15", "firstNameEntry"),
        lineEntry("Last Name:", "INC:LASTNAME", "@s18", "lastNameEntry"),
        lineEntry("Source:", "INC:SOURCE", "@s25", "sourceEntry"),
        lineEntry("Company:", "INC:COMPANY", "@s40", "companyEntry"),
        lineEntry("Office:", "INC:NUMBER", "@p(###) ###-####pb", "officeEntry"),
        lineEntry("Ext:", "INC:EXT", "@s6", "extEntry"),
        lineEntry("Fax:", "INC:FAXNUMBER", "@p(###) ###-####pb", "faxEntry"),
        lineEntry("Caller Date:", "INC:CALLERDATE", "@d1", "callerDateEntry"),
        lineEntry("Caller Time:", "INC:CALLERTIME", "@t3", "callerTimeEntry"),
        lineEntry("Ret/Ans Date:", "INC:RETURNEDDATE", "@d1b", "returnedDateEntry"),
        lineEntry("Ret/Ans Time:", "INC:RETURNEDTIME", "@t3b", "returnedTimeEntry"),
    };
    engine::gui::FormField about;
    about.kind = engine::gui::FieldKind::Memo;
    about.tab = QStringLiteral("A&bout");
    about.objectName = QStringLiteral("aboutEntry");
    setup.fields.push_back(about);
    setup.beforeShow = [=](RecordFormWindow *window) {
        QPointer<RecordFormWindow> form = window;
        auto record = [form]() -> store::Record & { return form->engine().table().record(); };
        QPushButton *pick = besideEntry(window->entry(3), QStringLiteral("..."), "companyButton");
        QObject::connect(pick, &QPushButton::clicked, window, [form, record] {
            if (!form || !form->acceptAll())
                return;
            store::Table &cmp = store::Store::instance().table(QStringLiteral("QKcmp"));
            cmp.record().clear();
            cmp.record().setValue(QStringLiteral("CMP:NAME"), record().value(QStringLiteral("INC:COMPANY")));
            host::gui::featureWindows().chooseCompany(form, [form,
                                                             record](std::optional<store::Record> chosen) {
                if (!form || !chosen)
                    return;
                record().setValue(QStringLiteral("INC:COMPANY"), chosen->value(QStringLiteral("CMP:NAME")));
                record().setValue(QStringLiteral("INC:CMPID"), chosen->value(QStringLiteral("CMP:CTRL_NBR")));
                form->redisplay();
            });
        });
        QPushButton *dialButton = besideEntry(window->entry(7), QStringLiteral("&Dial"), "dialButton");
        QObject::connect(dialButton, &QPushButton::clicked, window, [form, record] {
            if (!form)
                return;
            // What the entries show, checked or not: dialling saves nothing.
            form->acceptAll();
            dialCaller(form, record());
        });
        QPushButton *answered = besideEntry(window->entry(8), QStringLiteral("&Answered"), "answeredButton");
        QObject::connect(answered, &QPushButton::clicked, window, [=] {
            if (!form || !form->acceptAll())
                return;
            store::Record &r = record();
            r.setInteger(returnedDate, r.integer(callerDate));
            r.setInteger(returnedTime, r.integer(callerTime));
            form->redisplay();
        });
        QPushButton *returned = besideEntry(window->entry(9), QStringLiteral("&Returned"), "returnedButton");
        QObject::connect(returned, &QPushButton::clicked, window, [=] {
            if (!form || !form->acceptAll())
                return;
            const dates::Clock &clock = dates::Clock::current();
            store::Record &r = record();
            r.setInteger(returnedDate, clock.today());
            r.setInteger(returnedTime, clock.timeOfDay());
            form->redisplay();
        });
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

void registerCallWindows(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::CallsList,
                [](const host::gui::FrameContext &) { CallsListWindow::open(); });
    openers.set(host::gui::FrameCommand::JustPhonesList,
                [](const host::gui::FrameContext &) { JustPhonesListWindow::open(); });
}

} // namespace tabulo::phones::gui
