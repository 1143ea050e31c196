// The companies list's controls: the icon bar, the main list and the
// detail tabs, and the buttons under them.
#include "companies/gui/CompaniesListWindow.h"
#include "base/Text.h"
#include "companies/CompanyRecords.h"
#include "companies/GroupMembership.h"
#include "companies/gui/CompanyPhoneNoteWindows.h"
#include "companies/gui/GroupWindows.h"
#include "engine/FieldText.h"
#include "engine/Globals.h"
#include "engine/LinkRecords.h"
#include "engine/RecordRoutines.h"
#include "engine/gui/AlphabetBar.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/DetailTabs.h"
#include "engine/gui/IconBar.h"
#include "engine/gui/InPlaceEditor.h"
#include "engine/gui/LocateRecord.h"
#include "engine/gui/PageView.h"
#include "engine/gui/RecordEditor.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "host/CityIndex.h"
#include "host/Dialer.h"
#include "host/FrameEvents.h"
#include "host/StoreSetupSource.h"
#include "host/gui/AddressCity.h"
#include "host/gui/FeatureWindows.h"
#include "host/gui/WindowOpeners.h"
#include "store/ChangeRules.h"
#include "store/MessageService.h"
#include "store/Messages.h"
#include "store/UnitOfWork.h"
#include <QApplication>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <optional>

namespace tabulo::companies::gui {

using engine::gui::ListSetup;
using engine::gui::listButton;
using host::gui::openFrameWindow;
using store::table;

namespace {

QString textOf(const store::Record &r, const char *field) {
    return r.value(QString::fromLatin1(field)).toString();
}

void frameEvent(host::FrameEvent event) {
    host::postFrameEvent(event);
}

ListSetup detailSetup(QWidget *parent, const char *name, const char *tableName, const char *keyName,
                      const QString &filter, const QString &format, std::vector<engine::ListColumn> columns) {
    return engine::gui::detailListSetup(parent, name, tableName, keyName, filter, format, std::move(columns),
                                        "QKcmp", store::tablesUsedBy(QStringLiteral("companies")));
}
} // namespace

void CompaniesListWindow::build() {
    auto *outer = new QVBoxLayout(this);
    auto *icons = new QHBoxLayout;
    using host::gui::FrameCommand;
    const engine::gui::IconAction toolbar[] = {
        {"allIcon", "Display All Company Records", "", [this] { showAll(); }},
        {"categoryIcon", "Select Company Category", "", [this] { chooseCategory(); }},
        {"addIcon", "Add Record", "", [this] { onAddressTab(&CompaniesListWindow::addRecord); }},
        {"deleteIcon", "Delete Record", "", [this] { onAddressTab(&CompaniesListWindow::deleteRecord); }},
        {"assignIcon", "Assign Category", "Assign Company to Category",
         [this] { assignment(QStringLiteral("copy")); }},
        {"moveIcon", "Move To Another Category",
         "Remove Company from assigned Category and assign to another.",
         [this] { assignment(QStringLiteral("move")); }},
        {"removeIcon", "Delete From Category",
         "Remove Company from displayed Category; Company remains in database.",
         [this] { assignment(QStringLiteral("delete")); }},
        {"pendingIcon", "Pending Dates", "", [] { openFrameWindow(FrameCommand::PendingDatesList); }},
        {"callsIcon", "Calls List", "", [] { openFrameWindow(FrameCommand::CallsList); }},
        {"justPhonesIcon", "Phone Numbers Only List", "",
         [] { openFrameWindow(FrameCommand::JustPhonesList); }},
        {"setupIcon", "Setup Update Form", "", [] { openFrameWindow(FrameCommand::Setup); }},
        {"printIcon", "Print Category Records", "", [] { host::gui::featureWindows().openPrintMenu(); }},
        {"namesIcon", "Names Information View", "Open the People Information  Window.",
         [] { frameEvent(host::FrameEvent::OpenNamesList); }},
        {"exitIcon", "Exit application", "Close the application and return to Windows.",
         [this] { window()->close(); }},
        {"findIcon", "Find People, Companies, Notes, Phones and Calls", "",
         [] { openFrameWindow(FrameCommand::Find); }},
    };
    engine::gui::addIconBar(this, icons, toolbar, m_actions);
    icons->addWidget(host::gui::featureWindows().exchangeButton(
        this, host::gui::ContactKind::Companies, [] { return qint64(engine::currentGroup()); },
        [this] { refreshAll(true); }));
    icons->addStretch();
    outer->addLayout(icons);

    auto *middle = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    buildMainList(engine::gui::categoryLinksSetup(
        this, {"companiesMainList",
               "QKjcg",
               "GRP_CTRL_KEY",
               store::tablesUsedBy(QStringLiteral("companies")),
               [] { return qint64(engine::currentGroup()); },
               {{QStringLiteral("JCG:COMPANY"), {}}},
               QStringLiteral("283L(2)|M~Company~@s35@?"),
               {QStringLiteral("JCG:CTRL_NBR"), QStringLiteral("JCG:CMP_CTRL"), QStringLiteral("JCG:GRP_CTRL")},
               {{QStringLiteral("QKcmp"), QStringLiteral("CTRL_KEY"), {QStringLiteral("JCG:CMP_CTRL")}, false, {}}}}));
    left->addWidget(m_mainTab, 1);
    m_letters = new engine::gui::AlphabetBar(this);
    connect(m_letters, &engine::gui::AlphabetBar::letterChosen, this, [this](QChar c) { alphabetJump(c); });
    left->addWidget(m_letters);
    middle->addLayout(left, 2);

    m_details = new QTabWidget(this);
    m_details->setObjectName(QStringLiteral("detailTabs"));
    m_details->addTab(buildAddressTab(), QStringLiteral("&Address"));
    // The other tabs' lists are made when a tab is first shown: the list
    // opens without them.
    for (const char *title : {"&Phones", "&Notes", "&Categories"}) {
        auto *holder = new QWidget;
        auto *box = new QVBoxLayout(holder);
        box->setContentsMargins(0, 0, 0, 0);
        m_details->addTab(holder, QString::fromLatin1(title));
    }
    setDetailLists({{1, &m_phones}, {2, &m_notes}, {3, &m_categories}});
    middle->addWidget(m_details, 3);
    outer->addLayout(middle, 1);

    auto *bottom = new QHBoxLayout;
    m_categoryPanel = new QLabel(QStringLiteral("All"), this);
    m_categoryPanel->setObjectName(QStringLiteral("categoryPanel"));
    m_categoryPanel->setFrameShape(QFrame::StyledPanel);
    bottom->addWidget(m_categoryPanel, 1);
    QPushButton *close = listButton(this, QStringLiteral("&Close"), "closeButton");
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(close);
    m_actions[close->objectName()] = close;
    outer->addLayout(bottom);

    connect(m_list, &engine::gui::BrowseWindow::rowChanged, this, [this] { highlightChanged(); });
    connect(m_list, &engine::gui::BrowseWindow::recordCountReady, this, [this] { showCount(); });
    disconnect(m_list->listControl(), &QTableWidget::cellDoubleClicked, m_list, nullptr);
    connect(m_list->listControl(), &QTableWidget::cellDoubleClicked, this, [this] {
        if (m_picker)
            qobject_cast<QPushButton *>(m_actions.at(QStringLiteral("selectButton")))->click();
    });
    m_list->listControl()->installEventFilter(this);
    connect(m_details, &QTabWidget::currentChanged, this, [this] { refreshDetail(); });
    // "Select" is offered only to a caller that asked for a company.
    engine::MenuItem select{
        QStringLiteral("Select"), engine::ListAction::Command,
        [this] {
            if (m_picker)
                qobject_cast<QPushButton *>(m_actions.at(QStringLiteral("selectButton")))->click();
        },
        true, !m_picker};
    m_list->engine().setContextMenu(engine::ContextMenu{{select}, true});
}

QWidget *CompaniesListWindow::buildAddressTab() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("addressTab"));
    auto *grid = new QGridLayout(page);
    int row = m_record->addFields(grid, 0);
    // The main phone's extension, contact and location, shown, not edited
    // here.
    auto shown = [page](const char *name) {
        auto *value = new QLineEdit(page);
        value->setObjectName(QLatin1String(name));
        value->setReadOnly(true);
        return value;
    };
    auto *extLabel = new QLabel(QStringLiteral("Ext:"), page);
    QLineEdit *ext = shown("extEntry");
    extLabel->setBuddy(ext);
    grid->addWidget(extLabel, row, 0);
    grid->addWidget(ext, row, 1);
    ++row;
    auto *contactLabel = new QLabel(QStringLiteral("Contact:"), page);
    QLineEdit *contact = shown("contactEntry");
    QLineEdit *location = shown("locationEntry");
    contactLabel->setBuddy(contact);
    auto *contactRow = new QHBoxLayout;
    contactRow->addWidget(contact, 1);
    contactRow->addWidget(location, 1);
    grid->addWidget(contactLabel, row, 0);
    grid->addLayout(contactRow, row, 1);
    ++row;
    m_status = new QLabel(page);
    m_status->setObjectName(QStringLiteral("statusText"));
    grid->addWidget(m_status, row++, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    QPushButton *assign = listButton(page, QStringLiteral("A&ssign Category"), "assignCategoryButton");
    connect(assign, &QPushButton::clicked, this, [this] { assignment(QStringLiteral("copy")); });
    QPushButton *add = listButton(page, QStringLiteral("&Add Record"), "addRecordButton",
                                  QStringLiteral("Add a company record"));
    connect(add, &QPushButton::clicked, this, [this] { addRecord(); });
    QPushButton *del = listButton(page, QStringLiteral("&Delete Record"), "deleteRecordButton",
                                  QStringLiteral("Remove company record from list"));
    connect(del, &QPushButton::clicked, this, [this] { deleteRecord(); });
    QPushButton *ok = listButton(page, QStringLiteral("&OK"), "okButton");
    connect(ok, &QPushButton::clicked, this, [this] { finishAdding(true); });
    QPushButton *cancel = listButton(page, QStringLiteral("&Cancel"), "cancelButton");
    connect(cancel, &QPushButton::clicked, this, [this] { finishAdding(false); });
    QPushButton *select = listButton(page, QStringLiteral("Select"), "selectButton",
                                     QStringLiteral("Select company for name list"));
    connect(select, &QPushButton::clicked, this, [this] {
        if (!m_picker || m_list->engine().rowCount() == 0)
            return;
        readCompany();
        m_selected = true;
        close();
    });
    for (QPushButton *b : {assign, add, del, ok, cancel, select}) {
        buttons->addWidget(b);
        m_actions[b->objectName()] = b;
    }
    buttons->addStretch();
    grid->addLayout(buttons, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget *CompaniesListWindow::buildPhonesTab() {
    return engine::gui::phonesTab(
        "phonesTab",
        [](QWidget *page) {
            ListSetup setup = detailSetup(
                page, "companyPhonesList", "QKfon", "CMP_CTRL_KEY",
                QStringLiteral("fon:cmp_ctrl = cmp:ctrl_nbr"),
                QStringLiteral(
                    "62L(2)|M~Location~@S25@55L(2)|M~Name~@s25@56L(2)|M~Number~@P(###) ###-####P@24L(2)|"
                    "M~EXT~@s6@"),
                engine::gui::phoneColumns());
            setup.form = [](QWidget *over, std::function<void()> done) {
                runCompanyPhoneForm(over, std::move(done));
            };
            return setup;
        },
        m_phones, {},
        [this] {
            const store::Record &cmp = table("QKcmp").record();
            const store::Record &fon = table("QKfon").record();
            const QString location = fon.value(QStringLiteral("LOCATION")).toString();
            host::gui::featureWindows().dial(
                this, host::companyCallerLabel(cmp.value(QStringLiteral("NAME")).toString(), location),
                location, fon.value(QStringLiteral("NUMBER")).toString());
        });
}

QWidget *CompaniesListWindow::buildNotesTab() {
    return engine::gui::notesTab(
        "notesTab",
        [](QWidget *page) {
            ListSetup setup =
                detailSetup(page, "companyNotesList", "QKmem", "CMP_CTRL_KEY",
                            QStringLiteral("mem:cmp_ctrl = cmp:ctrl_nbr"),
                            QStringLiteral("38L(2)|M~Dated~@d1@37L(2)|M~Updated~@d1b@"),
                            {{QStringLiteral("MEM:DATE"), {}}, {QStringLiteral("MEM:UPDATE"), {}}});
            setup.form = [](QWidget *over, std::function<void()> done) {
                runCompanyNoteForm(over, std::move(done));
            };
            return setup;
        },
        m_notes, m_memo);
}

QWidget *CompaniesListWindow::buildCategoriesTab() {
    QWidget *page = engine::gui::categoriesTab(
        "categoriesTab",
        [](QWidget *page) {
            ListSetup setup =
                detailSetup(page, "companyCategoriesList", "QKjcg", "CMP_CTRL_KEY",
                            QStringLiteral("jcg:cmp_ctrl = cmp:ctrl_nbr AND (jcg:grp_ctrl)"),
                            QStringLiteral("213L(2)|M~Group~@s35@"), {{QStringLiteral("GRP:GROUP"), {}}});
            setup.carriedFields = {QStringLiteral("JCG:CTRL_NBR"), QStringLiteral("JCG:GRP_CTRL")};
            setup.joins = {{QStringLiteral("QKgrp"),
                            QStringLiteral("CTRL_KEY"),
                            {QStringLiteral("JCG:GRP_CTRL")},
                            false,
                            {}}};
            return setup;
        },
        m_categories,
        {QStringLiteral("&Display Category"),
         {},
         QStringLiteral("De&lete from Category"),
         [this] {
             const store::Record &grp = table("QKgrp").record();
             displayCategory(grp.integer(0), textOf(grp, "GROUP"));
         },
         [this] {
             setGroupActionWord(QStringLiteral("delete"));
             runCategoryAssignment(this, [this] { refreshAll(); });
         }});
    m_categories->listControl()->setToolTip(QStringLiteral("Selected company is member of these Categories"));
    return page;
}

} // namespace tabulo::companies::gui
