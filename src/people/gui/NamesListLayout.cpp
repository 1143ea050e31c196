// The names list's controls: the icon bar, the main list and the detail
// tabs, and the buttons under them.
#include "people/gui/NamesListWindow.h"

#include "engine/Globals.h"
#include "engine/gui/AlphabetBar.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/DetailTabs.h"
#include "engine/gui/IconBar.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordEditor.h"
#include "host/Dialer.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/PhoneNoteForms.h"
#include "host/gui/WindowOpeners.h"
#include "people/TagStore.h"
#include "people/gui/CategoryWindows.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tabulo::people::gui {

using engine::gui::ListSetup;
using engine::gui::listButton;
using host::gui::openFrameWindow;
using store::table;

namespace {

ListSetup mainListSetup(QWidget *parent) {
    return engine::gui::categoryLinksSetup(
        parent, {"namesMainList",
                 "QKjnc",
                 "CAT_CTRL_KEY",
                 store::tablesUsedBy(QStringLiteral("names")),
                 [] { return qint64(engine::currentCategory()); },
                 {{QStringLiteral("TAG"), QStringLiteral("@s1")},
                  {QStringLiteral("JNC:LNAME"), QStringLiteral("@s16")},
                  {QStringLiteral("JNC:FNAME"), QStringLiteral("@s14")}},
                 QStringLiteral("10C(2)|M~*~L@s1@64L(2)|M~Last Name~@s16@?56L(2)|M~First Name~@s14@"),
                 {QStringLiteral("JNC:CTRL_NBR"), QStringLiteral("JNC:NAM_CTRL"), QStringLiteral("JNC:CAT_CTRL")},
                 {{QStringLiteral("QKnam"), QStringLiteral("CTRL_KEY"), {QStringLiteral("JNC:NAM_CTRL")}, false, {}},
                  {QStringLiteral("QKcmp"),
                   QStringLiteral("CTRL_KEY"),
                   {QStringLiteral("NAM:CMP_CTRL")},
                   false,
                   QStringLiteral("QKnam")}}});
}

ListSetup detailSetup(QWidget *parent, const char *name, const char *tableName, const char *keyName,
                      const QString &filter, const QString &format, std::vector<engine::ListColumn> columns) {
    return engine::gui::detailListSetup(parent, name, tableName, keyName, filter, format, std::move(columns),
                                        "QKnam", store::tablesUsedBy(QStringLiteral("names")));
}
} // namespace

void NamesListWindow::build() {
    auto *outer = new QVBoxLayout(this);
    auto *icons = new QHBoxLayout;
    buildIconBar(icons);
    outer->addLayout(icons);
    m_letters = new engine::gui::AlphabetBar(this);
    connect(m_letters, &engine::gui::AlphabetBar::letterChosen, this, [this](QChar c) { alphabetJump(c); });
    outer->addWidget(m_letters);

    auto *middle = new QHBoxLayout;
    buildMainList(mainListSetup(this));
    middle->addWidget(m_mainTab, 2);

    m_details = new QTabWidget(this);
    m_details->setObjectName(QStringLiteral("detailTabs"));
    m_details->addTab(buildHomeTab(), QStringLiteral("Home Address"));
    m_details->addTab(buildPhonesTab(), QStringLiteral("Phones"));
    m_details->addTab(buildNotesTab(), QStringLiteral("Notes"));
    m_details->addTab(buildWorkTab(), QStringLiteral("Work Address"));
    m_details->addTab(buildCategoriesTab(), QStringLiteral("Categories"));
    setDetailLists({{1, &m_phones}, {2, &m_notes}, {4, &m_categories}});
    middle->addWidget(m_details, 3);
    outer->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    struct Tag {
        const char *text, *name, *tip;
        std::function<void()> run;
    };
    const Tag tags[] = {{"Unta&g All", "untagAllButton", "Untag all items", [this] { tagAll(false); }},
                        {"Tag &All", "tagAllButton", "Tag all items", [this] { tagAll(true); }},
                        {"&Untag", "untagButton", "Untag this item", [this] { tagHighlighted(false); }},
                        {"&Tag", "tagButton", "Tag this item", [this] { tagHighlighted(true); }}};
    for (const Tag &t : tags) {
        QPushButton *b = listButton(this, QString::fromLatin1(t.text), t.name, QString::fromLatin1(t.tip));
        connect(b, &QPushButton::clicked, this, [this, run = t.run] {
            if (beforeAction())
                run();
        });
        bottom->addWidget(b);
        m_actions[QLatin1String(t.name)] = b;
    }
    bottom->addWidget(host::gui::featureWindows().exchangeButton(
        this, host::gui::ContactKind::People, [] { return qint64(engine::currentCategory()); },
        [this] { displayCategory(engine::currentCategory(), engine::currentCategoryName()); }));
    bottom->addStretch();
    QPushButton *assign = listButton(this, QStringLiteral("A&ssign Category"), "assignCategoryButton",
                                     QStringLiteral("Assign to Category"));
    connect(assign, &QPushButton::clicked, this, [this] {
        if (beforeAction())
            membership(MembershipOp::Copy);
    });
    QPushButton *del = listButton(this, QStringLiteral("&Delete Record"), "deleteRecordButton",
                                  QStringLiteral("Delete current record"),
                                  QStringLiteral("Delete the highlighted name from the database."));
    connect(del, &QPushButton::clicked, this, [this] {
        if (!beforeAction())
            return;
        m_details->setCurrentIndex(0);
        deleteRecord();
    });
    QPushButton *add = listButton(this, QStringLiteral("&Add Record"), "addRecordButton",
                                  QStringLiteral("Add a record"), QStringLiteral("Add record to database."));
    connect(add, &QPushButton::clicked, this, [this] {
        m_details->setCurrentIndex(0);
        addRecord();
    });
    QPushButton *close = listButton(this, QStringLiteral("&Close"), "closeButton");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    for (QPushButton *b : {assign, del, add, close}) {
        bottom->addWidget(b);
        m_actions[b->objectName()] = b;
    }
    outer->addLayout(bottom);

    // Defined, never shown.
    for (const char *hidden :
         {"Select", "&OK", "Ca&ncel", "&Dial", "Help", "&Next Tag", "&Prev Tag", "F&lip All", "&Flip"}) {
        auto *b = new QPushButton(QString::fromLatin1(hidden), this);
        b->setObjectName(QStringLiteral("hidden_") + QString::fromLatin1(hidden).remove(QLatin1Char('&')));
        b->hide();
    }

    connect(m_list, &engine::gui::BrowseWindow::rowChanged, this, [this] { highlightChanged(); });
    connect(m_list, &engine::gui::BrowseWindow::recordCountReady, this, [this] {
        showCount();
        askWhenEmpty();
    });
    // A double click tags the link and moves down; Delete deletes the person.
    disconnect(m_list->listControl(), &QTableWidget::cellDoubleClicked, m_list, nullptr);
    connect(m_list->listControl(), &QTableWidget::cellDoubleClicked, this, [this] { tagHighlighted(true); });
    m_list->listControl()->installEventFilter(this);
    connect(m_details, &QTabWidget::currentChanged, this, [this] { refreshDetail(); });
}

void NamesListWindow::buildIconBar(QBoxLayout *into) {
    using host::gui::FrameCommand;
    const engine::gui::IconAction icons[] = {
        {"companiesIcon", "Company Information View", "Open the Company Information  Window.",
         [] { openFrameWindow(FrameCommand::CompaniesList); }},
        {"assignIcon", "Assign Category",
         "Assign Person to Category.  Name may be assigned to as many Categories as desired.",
         [this] { membership(MembershipOp::Copy); }},
        {"moveIcon", "Move To Another Category",
         "Remove Person from displayed Category and assign to another.",
         [this] { membership(MembershipOp::Move); }},
        {"removeIcon", "Delete From Category",
         "Remove Person from displayed Category; name remains in database.",
         [this] { membership(MembershipOp::Delete); }},
        // As its texts say: the program ends (the frame closes every window).
        {"exitIcon", "Exit Program", "Close the application and return to Windows.",
         [this] { window()->close(); }},
        {"callsIcon", "Calls List", "", [] { openFrameWindow(FrameCommand::CallsList); }},
        {"pendingIcon", "Pending Dates", "", [] { openFrameWindow(FrameCommand::PendingDatesList); }},
        {"setupIcon", "Setup Data", "", [] { openFrameWindow(FrameCommand::Setup); }},
        {"deleteIcon", "Delete Record", "", [this] { onHomeTab(&NamesListWindow::deleteRecord); }},
        {"addIcon", "Add Record", "", [this] { onHomeTab(&NamesListWindow::addRecord); }},
        {"justPhonesIcon", "Phone Numbers Only List", "",
         [] { host::gui::featureWindows().openJustPhonesList(); }},
        {"printIcon", "Print Category Records", "", [] { host::gui::featureWindows().openPrintMenu(); }},
        {"allIcon", "All  Records", "", [this] { showAll(); }},
        {"categoryIcon", "Selected Category Records", "", [this] { chooseCategory(); }},
        {"findIcon", "Find People, Companies, Notes, Phones and Calls", "",
         [] { openFrameWindow(FrameCommand::Find); }},
    };
    engine::gui::addIconBar(this, into, icons, m_actions, [this] { return beforeAction(); });
    into->addStretch();
}

void NamesListWindow::onHomeTab(void (NamesListWindow::*action)()) {
    m_details->setCurrentIndex(0);
    (this->*action)();
}

QWidget *NamesListWindow::buildHomeTab() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("homeTab"));
    auto *grid = new QGridLayout(page);
    int row = m_record->addFields(
        grid, 0, [this](const engine::gui::EditField &f, QLineEdit *edit, QLabel *prompt, QPushButton *pick) {
            if (f.lookup == engine::gui::Lookup::Date)
                m_ageControls.insert(m_ageControls.end(), {pick, prompt, edit});
        });
    // Age, its reference date and the switch that shows them.
    auto *agePrompt = new QLabel(QStringLiteral("A&ge:"), page);
    auto *age = new QLineEdit(page);
    age->setObjectName(QStringLiteral("ageEntry"));
    age->setReadOnly(true);
    agePrompt->setBuddy(age);
    auto *reference = new QLineEdit(page);
    reference->setObjectName(QStringLiteral("ageDateEntry"));
    reference->setReadOnly(true);
    QPushButton *referenceButton = listButton(page, QStringLiteral("..."), "ageDateButton", {},
                                              QStringLiteral("Calculate age at different date than today."));
    referenceButton->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    connect(referenceButton, &QPushButton::clicked, this, [this] { pickAgeDate(); });
    auto *ageRow = new QHBoxLayout;
    ageRow->addWidget(age);
    ageRow->addWidget(reference);
    grid->addWidget(agePrompt, row, 0);
    grid->addLayout(ageRow, row, 1);
    grid->addWidget(referenceButton, row, 2);
    m_ageControls.insert(m_ageControls.end(), {agePrompt, age, reference, referenceButton});
    ++row;
    auto *switchRow = new QHBoxLayout;
    QPushButton *toggle = listButton(page, QStringLiteral("..."), "ageSwitchButton", {},
                                     QStringLiteral("Toggle age fields on/off"));
    toggle->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    connect(toggle, &QPushButton::clicked, this, [this] { toggleAge(); });
    m_ageLabel = new QLabel(page);
    m_ageLabel->setObjectName(QStringLiteral("ageSwitchLabel"));
    auto *recordPrompt = new QLabel(QStringLiteral("Record:"), page);
    auto *record = new QLabel(page);
    record->setObjectName(QStringLiteral("recordNumber"));
    switchRow->addWidget(toggle);
    switchRow->addWidget(m_ageLabel);
    switchRow->addStretch();
    switchRow->addWidget(recordPrompt);
    switchRow->addWidget(record);
    grid->addLayout(switchRow, row, 0, 1, 3);
    grid->setRowStretch(row + 1, 1);
    return page;
}

QWidget *NamesListWindow::buildPhonesTab() {
    return engine::gui::phonesTab(
        "phonesTab",
        [](QWidget *page) {
            ListSetup setup = detailSetup(
                page, "namesPhonesList", "QKfon", "NAM_CTRL_KEY",
                QStringLiteral("fon:nam_ctrl = nam:CTRL_NBR"),
                QStringLiteral(
                    "65L(2)|M~Location~@S25@71L(2)|M~Name~@s25@56L(2)|M~Number~@P(###) ###-####P@24L(2)|"
                    "M~EXT~@s6@"),
                engine::gui::phoneColumns());
            setup.form = [](QWidget *over, std::function<void()> done) {
                host::gui::runNamePhoneForm(over, std::move(done));
            };
            return setup;
        },
        m_phones,
        [this](QWidget *page, QBoxLayout *row) {
            QPushButton *toList = listButton(page, QStringLiteral("&To Phones List"), "toPhonesListButton",
                                             QStringLiteral("Add To Just Phones List"));
            connect(toList, &QPushButton::clicked, this, [this] { toPhonesList(); });
            row->addWidget(toList);
        },
        [this] {
            const store::Record &nam = table("QKnam").record();
            const store::Record &fon = table("QKfon").record();
            host::gui::featureWindows().dial(
                this,
                host::personCallerLabel(nam.value(QStringLiteral("FNAME")).toString(),
                                        nam.value(QStringLiteral("LNAME")).toString(),
                                        fon.value(QStringLiteral("LOCATION")).toString()),
                fon.value(QStringLiteral("LOCATION")).toString(),
                fon.value(QStringLiteral("NUMBER")).toString());
        });
}

QWidget *NamesListWindow::buildNotesTab() {
    return engine::gui::notesTab(
        "notesTab",
        [](QWidget *page) {
            ListSetup setup =
                detailSetup(page, "namesNotesList", "QKmem", "NAM_CTRL_KEY",
                            QStringLiteral("mem:nam_ctrl = nam:CTRL_NBR"),
                            QStringLiteral("37L(2)|M~Created~@d1@37L(2)|M~Updated~@d1b@"),
                            {{QStringLiteral("MEM:DATE"), {}}, {QStringLiteral("MEM:UPDATE"), {}}});
            setup.form = [](QWidget *over, std::function<void()> done) {
                host::gui::runNameNoteForm(over, std::move(done));
            };
            return setup;
        },
        m_notes, m_memo);
}

QWidget *NamesListWindow::buildWorkTab() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("workTab"));
    auto *form = new QFormLayout(page);
    const std::pair<const char *, const char *> fields[] = {
        {"CMP:NAME", "Company:"}, {"CMP:BUSINESS", "Business:"}, {"CMP:ADDR1", "Address:"},
        {"CMP:ADD2", "Address:"}, {"CMP:COUNTRY", "Country:"},   {"CMP:EMAILADDRESS", "Email:"}};
    for (const auto &[field, prompt] : fields) {
        auto *value = new QLabel(page);
        value->setObjectName(QStringLiteral("work") +
                             QString::fromLatin1(field).section(QLatin1Char(':'), -1));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setProperty("field", QString::fromLatin1(field));
        form->addRow(QString::fromLatin1(prompt), value);
    }
    m_cityLine = new QLabel(page);
    m_cityLine->setObjectName(QStringLiteral("workCityLine"));
    form->addRow(QString(), m_cityLine);
    QPushButton *select = listButton(page, QStringLiteral("Se&lect Company"), "selectCompanyButton",
                                     QStringLiteral("Select Company"));
    connect(select, &QPushButton::clicked, this,
            [this] { pickCompany(table("QKcmp").record().value(QStringLiteral("NAME")).toString()); });
    form->addRow(QString(), select);
    return page;
}

QWidget *NamesListWindow::buildCategoriesTab() {
    return engine::gui::categoriesTab(
        "categoriesTab",
        [](QWidget *page) {
            ListSetup setup = detailSetup(page, "namesCategoriesList", "QKjnc", "NAM_CTRL_KEY",
                                          QStringLiteral("jnc:nam_ctrl = nam:CTRL_NBR AND (jnc:cat_ctrl)"),
                                          QStringLiteral("120L(2)|M~Category~@s30@"),
                                          {{QStringLiteral("CAT:CATEGORY"), {}}});
            setup.carriedFields = {QStringLiteral("JNC:CTRL_NBR"), QStringLiteral("JNC:CAT_CTRL")};
            setup.joins = {{QStringLiteral("QKcat"),
                            QStringLiteral("CTRL_KEY"),
                            {QStringLiteral("JNC:CAT_CTRL")},
                            false,
                            {}}};
            return setup;
        },
        m_categories,
        {QStringLiteral("Dis&play Category"), QStringLiteral("Select Highlighted Category"),
         QStringLiteral("&Delete from Category"),
         [this] {
             const store::Record &cat = table("QKcat").record();
             displayCategory(static_cast<qint32>(cat.integer(0)),
                             cat.value(QStringLiteral("CATEGORY")).toString());
         },
         [this] {
             startMembership(this, MembershipOp::Delete, {}, [this](bool) {
                 TagStore::instance().clearAllTags(TagTable::NameLinks, false);
                 refreshAll();
             });
         }});
}

} // namespace tabulo::people::gui
