#include "phones/gui/JustPhonesWindows.h"

#include "engine/gui/RecordFormWindow.h"
#include "engine/gui/WindowHost.h"
#include "host/Dialer.h"
#include "phones/gui/DialWindow.h"
#include "store/ChangeRules.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Messages.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

namespace tabulo::phones::gui {

using engine::gui::BrowseWindow;
using engine::gui::FormWindowSetup;
using engine::gui::ListSetup;
using engine::gui::RecordFormWindow;

namespace {

// l:justphones: the directory's mark, the range of its two orders.
constexpr int kDirectory = 100;
// The orders that show every number, whose building repairs the table.
constexpr int kFirstAllOrder = 2;

QPointer<JustPhonesListWindow> s_list;

ListSetup listSetup() {
    const store::TableDef &fon = store::tableDef("QKfon");
    ListSetup setup;
    setup.objectName = QStringLiteral("fonJustPhonesBrowse");
    setup.title = QStringLiteral("Just Phones List");
    setup.placementKey = QStringLiteral("fonJustPhonesBrowse");
    setup.tableName = QStringLiteral("QKfon");
    setup.uses = store::tablesUsedBy(QStringLiteral("justphones"));
    setup.columns = {{QStringLiteral("FON:JUSTPHONESNAME"), QStringLiteral("@s35")},
                     {QStringLiteral("FON:NUMBER"), QStringLiteral("@P(###) ###-####P")},
                     {QStringLiteral("FON:LOCATION"), QStringLiteral("@s25")},
                     {QStringLiteral("FON:NAME"), QStringLiteral("@s25")},
                     {QStringLiteral("FON:CTRL_NBR"), QStringLiteral("@N13")}};
    setup.columnFormat = QStringLiteral("140L(2)|M~Just Phones Name~@s35@60L(2)|M~Number~@P(###) ###-####P@"
                                        "100L(2)|M~Name Location or Company Dept~@s25@100L(2)|M~Name~@s25@"
                                        "56R(2)|M~Record Number~C(0)@N13@");
    // The directory orders are ranged on the directory's mark: exactly what
    // "fon:JustPhonesByte = l:justphones" selects.
    auto directory = [](const char *key) {
        engine::SortOrder order{store::tableDef("QKfon").key(QString::fromLatin1(key))};
        order.rangeValues = [] { return std::vector<QVariant>{QVariant(kDirectory)}; };
        return order;
    };
    setup.orders = {directory("JUSTPHONES_NAMES_KEY"), directory("JUSTPHONES_NUMBER_KEY"),
                    engine::SortOrder{fon.key(QStringLiteral("ALL_KEY"))},
                    engine::SortOrder{fon.key(QStringLiteral("NUMBER_KEY"))},
                    engine::SortOrder{fon.key(QStringLiteral("CTRL_KEY"))}};
    setup.tabTexts = {QStringLiteral("Just Phones by &Name"), QStringLiteral("Just Phones by Num&ber"),
                      QStringLiteral("&All by Just Phones Name"), QStringLiteral("All by Number"),
                      QStringLiteral("Rec Nbr")};
    setup.thumb = engine::ThumbKind::Distributed;
    setup.changeLabel = QStringLiteral("&Change");
    setup.closeLabel = QStringLiteral("Close");
    setup.countsRecords = true;
    setup.visibleRows = 12;
    return setup;
}

} // namespace

JustPhonesListWindow *JustPhonesListWindow::open(QWidget *caller, std::function<void()> done) {
    if (s_list && !caller) {
        engine::setGlobalRequest(engine::Request::None);
        engine::gui::WindowHost::bringToFront(s_list);
        return s_list;
    }
    auto *window = new JustPhonesListWindow(caller, std::move(done));
    if (!caller)
        s_list = window;
    engine::gui::WindowHost::present(window, caller);
    return window;
}

JustPhonesListWindow::JustPhonesListWindow(QWidget *caller, std::function<void()> done)
    : BrowseWindow(
          [this] {
              ListSetup setup = listSetup();
              // Every action ends with the order built again, the repair
              // pass first.
              setup.form = [this](QWidget *over, std::function<void()> formDone) {
                  runJustPhoneForm(over, [this, formDone = std::move(formDone)] {
                      repair(engine().activeSortOrder() - 1);
                      formDone();
                  });
              };
              return setup;
          }(),
          caller, std::move(done)) {
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("recordCount"));
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Count: 0000000")));
    if (QPushButton *close = button(engine::ListAction::Close)) {
        for (QHBoxLayout *row : findChildren<QHBoxLayout *>()) {
            const int at = row->indexOf(close);
            if (at >= 0) {
                row->insertStretch(at, 1);
                row->insertWidget(at, m_count);
                break;
            }
        }
    }
    for (auto [text, name] : {std::pair{"&Dial", "dialButton"}, std::pair{"Help", "helpButton"}}) {
        auto *b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QLatin1String(name));
        b->hide();
    }
    connect(findChild<QPushButton *>(QStringLiteral("dialButton")), &QPushButton::clicked, this,
            [this] { dialHighlighted(); });
    engine().setBeforeRebuild([this](int sortOrder) { repair(sortOrder); });
}

bool JustPhonesListWindow::locate(qint64 phone) {
    store::Table &fon = engine().table();
    const store::TableDef &def = fon.def();
    const auto readPhone = [&fon, &def, phone] {
        fon.record().clear();
        fon.record().setInteger(def.fieldIndex(QStringLiteral("CTRL_NBR")), phone);
        return fon.fetch(*def.key(QStringLiteral("CTRL_KEY"))).ok();
    };
    if (phone <= 0 || !readPhone())
        return false;
    const bool inDirectory =
        fon.record().integer(def.fieldIndex(QStringLiteral("JUSTPHONESBYTE"))) == kDirectory;
    const int order = inDirectory ? 0 : kFirstAllOrder;
    if (tabs() && tabs()->currentIndex() != order)
        tabs()->setCurrentIndex(order); // rebuilds the order
    else
        engine().refresh(order);
    if (!readPhone())
        return false;
    engine().locate(engine::BrowseList::LocateMode::ExactPosition);
    return true;
}

void JustPhonesListWindow::repair(int sortOrder) {
    if (sortOrder < kFirstAllOrder)
        return; // the directory's numbers have nothing to repair
    store::Store &store = store::Store::instance();
    QObject *owner = this;
    auto tell = [owner](const QString &text) {
        store::MessageBox box;
        box.text = text;
        box.owner = owner;
        store::MessageService::current().show(box);
    };
    setWaitCursor(true);
    // The messages follow the order being built, as the list reads it.
    const store::KeyDef *order = listSetup().orders.at(static_cast<size_t>(sortOrder)).key;
    m_lastRepair = repairPhones({store.table(QStringLiteral("QKfon")), store.table(QStringLiteral("QKnam")),
                                 store.table(QStringLiteral("QKcmp"))},
                                order, tell, tell);
    setWaitCursor(false);
    if (!m_lastRepair.failure.isEmpty()) {
        // A table the list cannot read through is no list to browse.
        store::standardMessage(owner, 35, QStringLiteral("QKfon"));
        closeList();
    }
}

void JustPhonesListWindow::dialHighlighted() {
    if (engine().formRunning() || engine().highlighted() < 1 || !engine().fetchHighlighted())
        return;
    const store::Record &fon = engine().table().record();
    const QString label = fon.value(QStringLiteral("FON:JUSTPHONESNAME")).toString();
    host::setLastCallerLabel(label);
    dial(this, label, fon.value(QStringLiteral("FON:LOCATION")).toString(),
         fon.value(QStringLiteral("FON:NUMBER")).toString());
}

void JustPhonesListWindow::pageChanged() {
    BrowseWindow::pageChanged();
    const qint64 count = engine().recordCount();
    m_count->setText(count >= 0 ? QString::number(count) : QString());
}

RecordFormWindow *runJustPhoneForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &fon = store::tableDef("QKfon");
    FormWindowSetup setup = engine::gui::numberedFormSetup(
        "fonJustUpdate", "QKfon", store::tablesUsedBy(QStringLiteral("justphoneform")),
        engine::FormVariant::B);
    const int byte = fon.fieldIndex(QStringLiteral("JUSTPHONESBYTE"));
    const int name = fon.fieldIndex(QStringLiteral("JUSTPHONESNAME"));
    const int person = fon.fieldIndex(QStringLiteral("NAM_CTRL"));
    const int company = fon.fieldIndex(QStringLiteral("CMP_CTRL"));
    // Every number added here is a directory entry, whichever order is shown.
    setup.form.prime = [byte](store::Record &r) { r.setInteger(byte, kDirectory); };
    // A person's or company's number leaves the directory; it stays theirs.
    const QPointer<QWidget> caller_(caller);
    setup.form.refuseDelete = [=](const store::Record &stored) {
        if (stored.integer(person) == 0 && stored.integer(company) == 0)
            return false;
        store::Table &table = store::Store::instance().table(QStringLiteral("QKfon"));
        if (store::standardMessage(caller_.data(), 32) != store::Button::Ok)
            return true;
        // The list left the shared table on the highlighted number: read it
        // again, watched, and take it out of the directory.
        const QString at = table.position();
        table.watch();
        if (at.isEmpty() || !table.reget(at).ok()) {
            store::standardMessage(caller_.data(), 35, QStringLiteral("QKfon"));
            return true;
        }
        table.record().setInteger(byte, 0);
        table.record().setText(name, QString());
        store::changeRecord(table, store::ConflictMessage::Long, caller_.data());
        return true;
    };
    using engine::gui::lineEntry;
    setup.fields = {
        lineEntry("&Name", "FON:JUSTPHONESNAME", "@s35", "justPhonesNameEntry"),
        lineEntry("&Number:", "FON:NUMBER", "@P(###) ###-####P", "numberEntry"),
        lineEntry("Record Number:", "FON:CTRL_NBR", "@n-13", "recordNumberEntry"),
    };
    setup.beforeShow = [](RecordFormWindow *window) {
        window->entry(2)->setReadOnly(true);
        window->entry(2)->setFocusPolicy(Qt::NoFocus);
        auto *help = new QPushButton(QStringLiteral("Help"), window);
        help->setObjectName(QStringLiteral("helpButton"));
        help->hide();
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

} // namespace tabulo::phones::gui
