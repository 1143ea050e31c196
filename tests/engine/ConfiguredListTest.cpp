#include "engine/EngineTestSupport.h"
#include "engine/ListTestHost.h"

#include "engine/BrowseList.h"
#include "store/Store.h"
#include "store/View.h"

#include <memory>

using namespace tabulo;
using engine::BrowseList;
using engine::ListAction;
using engine::ListJoin;
using engine::Request;
using engine::Response;
using test::columnTexts;
using test::list;

namespace {

const QStringList kTables = list({"QKnam", "QKjnc", "QKcmp", "QKcat", "QKjcg"});

// One field's value for a record to add: a number or text.
struct FieldValue {
    FieldValue(const char *name, int number)
        : field(name)
        , value(qint64(number)) {}
    FieldValue(const char *name, const char *text)
        : field(name)
        , value(QString::fromUtf8(text)) {}
    const char *field;
    QVariant value;
};

// People, their companies and categories, linked as the names and companies
// lists read them: every person has a link to "All" (0) and one per category.
class ConfiguredLists : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        for (const QString &t : kTables)
            store::Store::instance().use(t);
        company(1, "Acme", "Dayton");
        company(2, "Globex", "Cypress");
        category(3, "Friends");
        category(4, "Work");
        // Evans works for a company that is gone.
        person(1, "Adams", "Ann", "Springfield", 1, {3});
        person(2, "Baker", "Bob", "Shelbyville", 0, {3, 4});
        person(3, "Cole", "Cy", "Springfield", 2, {4});
        person(4, "Drake", "Di", "Ogdenville", 1, {3});
        person(5, "Evans", "Eve", "Springfield", 77, {});
        for (const auto &[ctrl, company, cmp, group] : std::vector<std::tuple<int, const char *, int, int>>{
                 {1, "Acme", 1, 0}, {2, "Globex", 2, 0}, {3, "Globex", 2, 7}})
            add("QKjcg", {{"CTRL_NBR", ctrl}, {"COMPANY", company}, {"CMP_CTRL", cmp}, {"GRP_CTRL", group}});
    }
    void TearDown() override {
        m_list.reset();
        for (const QString &t : kTables)
            store::Store::instance().release(t);
        StoreFixture::TearDown();
    }

    static store::Table &table(const char *name) {
        return store::Store::instance().table(QString::fromLatin1(name));
    }
    static QString text(const char *field) {
        const QString name = QString::fromLatin1(field);
        return table(qPrintable(QStringLiteral("QK") + name.left(3).toLower()))
            .record()
            .value(name)
            .toString();
    }

    void add(const char *tableName, std::initializer_list<FieldValue> values) {
        store::Table &t = table(tableName);
        t.record().clear();
        for (const FieldValue &v : values)
            t.record().setValue(QString::fromLatin1(v.field), v.value);
        ASSERT_TRUE(t.insert().ok()) << tableName;
    }
    void company(int ctrl, const char *name, const char *city) {
        add("QKcmp", {{"CTRL_NBR", ctrl}, {"NAME", name}, {"CITY", city}});
    }
    void category(int ctrl, const char *name) { add("QKcat", {{"CTRL_NBR", ctrl}, {"CATEGORY", name}}); }
    void link(int person, const char *last, const char *first, int category) {
        add("QKjnc", {{"CTRL_NBR", ++m_links},
                      {"NAM_CTRL", person},
                      {"LNAME", last},
                      {"FNAME", first},
                      {"CAT_CTRL", category}});
    }
    void person(int ctrl, const char *last, const char *first, const char *city, int cmp,
                std::vector<int> categories) {
        add("QKnam",
            {{"CTRL_NBR", ctrl}, {"LNAME", last}, {"FNAME", first}, {"CITY", city}, {"CMP_CTRL", cmp}});
        categories.insert(categories.begin(), 0);
        for (int c : categories)
            link(ctrl, last, first, c);
    }

    // The names list: links of the current category with each person and the
    // person's company, counted at every rebuild.
    BrowseList &namesList(const QString &filter = QStringLiteral("jnc:cat_ctrl = glo:cat_ctrl"),
                          bool personMustExist = false, const QStringList &carried = {}) {
        engine::SortOrder order{table("QKjnc").def().key(QStringLiteral("CAT_CTRL_KEY"))};
        order.filter = filter;
        m_list = std::make_unique<BrowseList>(
            table("QKjnc"),
            std::vector<engine::ListColumn>{{QStringLiteral("JNC:LNAME"), QStringLiteral("@s16")},
                                            {QStringLiteral("FNAME"), QStringLiteral("@s14")},
                                            {QStringLiteral("NAM:CITY"), QStringLiteral("@s30")},
                                            {QStringLiteral("CMP:NAME"), QStringLiteral("@s35")}},
            std::vector<engine::SortOrder>{order}, engine::ThumbKind::Fixed, m_host);
        EXPECT_TRUE(m_list->setJoins({{QStringLiteral("QKnam"),
                                       QStringLiteral("CTRL_KEY"),
                                       {QStringLiteral("JNC:NAM_CTRL")},
                                       personMustExist},
                                      {QStringLiteral("QKcmp"),
                                       QStringLiteral("CTRL_KEY"),
                                       {QStringLiteral("NAM:CMP_CTRL")},
                                       false,
                                       QStringLiteral("QKnam")}}));
        m_list->setCarriedFields(carried);
        m_list->setCountsRecords(true);
        m_list->open();
        m_list->refresh(0);
        return *m_list;
    }

    // The links of the current category, without parents.
    BrowseList &categoryMembers() {
        engine::SortOrder order{table("QKjnc").def().key(QStringLiteral("CAT_CTRL_KEY"))};
        order.filter = QStringLiteral("jnc:cat_ctrl = glo:cat_ctrl");
        m_list = std::make_unique<BrowseList>(
            table("QKjnc"),
            std::vector<engine::ListColumn>{{QStringLiteral("LNAME"), QStringLiteral("@s16")}},
            std::vector<engine::SortOrder>{order}, engine::ThumbKind::Fixed, m_host);
        m_list->open();
        m_list->refresh(0);
        return *m_list;
    }

    int m_links = 0;
    test::ListTestHost m_host;
    std::unique_ptr<BrowseList> m_list;
};

// The category shown is process-wide: a list filtered by it shows the members
// with their person's and company's fields, and follows another choice at its
// next refresh without being forced.
TEST_F(ConfiguredLists, ProcessWideCategoryFilterListsItsMembersWithTheirParents) {
    struct Case {
        qint32 category;
        QStringList last, city, company;
    };
    const Case cases[] = {
        {3, list({"Adams", "Baker", "Drake"}), list({"Springfield", "Shelbyville", "Ogdenville"}),
         list({"Acme", "", "Acme"})},
        {4, list({"Baker", "Cole"}), list({"Shelbyville", "Springfield"}), list({"", "Globex"})},
        {0, list({"Adams", "Baker", "Cole"}), list({"Springfield", "Shelbyville", "Springfield"}),
         list({"Acme", "", "Globex"})},
        {9, {}, {}, {}},
        {3, list({"Adams", "Baker", "Drake"}), list({"Springfield", "Shelbyville", "Ogdenville"}),
         list({"Acme", "", "Acme"})},
    };
    const qint64 counts[] = {3, 2, 5, 0, 3};
    m_host.rows = 3; // "All" has more members than fit: one page is held, all are counted
    engine::setCurrentCategory(3, QStringLiteral("Friends"));
    BrowseList &l = namesList();
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case &c = cases[i];
        SCOPED_TRACE(c.category);
        engine::setCurrentCategory(c.category, {});
        l.refresh(0);
        EXPECT_EQ(columnTexts(l, 0), c.last);
        EXPECT_EQ(columnTexts(l, 2), c.city);
        EXPECT_EQ(columnTexts(l, 3), c.company);
        EXPECT_EQ(l.recordCount(), counts[i]);
        EXPECT_LE(l.rowCount(), m_host.rows);
    }
}

// The names are bound once for the process: any filter compiled anywhere
// resolves them, reads them when it runs, and runs in SQL when it names
// nothing but the primary's fields and such values.
TEST_F(ConfiguredLists, ProcessWideNamesResolveInEveryFilterAndRunInSql) {
    store::Table &jnc = table("QKjnc");
    store::View view(jnc);
    view.setOrder(jnc.def().key(QStringLiteral("CAT_CTRL_KEY")));
    ASSERT_TRUE(view.setFilter(QStringLiteral("jnc:cat_ctrl = GLO:CAT_CTRL")).ok());
    EXPECT_TRUE(view.filterInSql());
    qint64 members = 0;
    engine::setCurrentCategory(4, {});
    ASSERT_TRUE(view.count(members).ok());
    EXPECT_EQ(members, 2);
    engine::setCurrentCategory(3, {});
    ASSERT_TRUE(view.count(members).ok());
    EXPECT_EQ(members, 3);

    ASSERT_TRUE(view.join(table("QKnam"), *table("QKnam").def().key(QStringLiteral("CTRL_KEY")),
                          {QStringLiteral("NAM_CTRL")})
                    .ok());
    ASSERT_TRUE(
        view.setFilter(QStringLiteral("nam:city = 'Springfield' AND jnc:cat_ctrl = glo:grp_ctrl")).ok());
    EXPECT_FALSE(view.filterInSql());
    engine::setCurrentGroup(4, {});
    ASSERT_TRUE(view.toStart().ok());
    ASSERT_TRUE(view.next().ok());
    EXPECT_EQ(text("NAM:LNAME"), QStringLiteral("Cole"));
    EXPECT_EQ(view.next().code, store::Code::EndOfFile);
}

// A highlighted row's display fields go back into the buffers they came
// from; fetching the highlighted record reads the primary from its position
// and the parents through the joins as they are stored now.
TEST_F(ConfiguredLists, HighlightCopiesFieldsToTheirTablesAndFetchRereadsThroughTheJoins) {
    // The detail fields beside the list travel with the row, unseen.
    BrowseList &l = namesList(QStringLiteral("jnc:cat_ctrl = glo:cat_ctrl"), false,
                              {QStringLiteral("NAM:CTRL_NBR"), QStringLiteral("CMP:CITY")});
    l.highlightRow(3);
    EXPECT_EQ(text("JNC:LNAME"), QStringLiteral("Cole"));
    EXPECT_EQ(text("NAM:CITY"), QStringLiteral("Springfield"));
    EXPECT_EQ(text("CMP:NAME"), QStringLiteral("Globex"));
    EXPECT_EQ(text("CMP:CITY"), QStringLiteral("Cypress"));
    EXPECT_EQ(table("QKnam").record().value(QStringLiteral("NAM:CTRL_NBR")).toLongLong(), 3);
    l.highlightRow(2); // Baker has no company: the blanks are copied too
    EXPECT_EQ(text("JNC:LNAME"), QStringLiteral("Baker"));
    EXPECT_EQ(text("NAM:CITY"), QStringLiteral("Shelbyville"));
    EXPECT_EQ(text("CMP:NAME"), QString());
    EXPECT_EQ(text("CMP:CITY"), QString());
    EXPECT_EQ(table("QKnam").record().value(QStringLiteral("NAM:CTRL_NBR")).toLongLong(), 2);

    // Another station moves Cole and renames Cole's company.
    for (const auto &[name, ctrl, field, value] :
         std::vector<std::tuple<const char *, int, const char *, const char *>>{
             {"QKnam", 3, "CITY", "Capital City"}, {"QKcmp", 2, "NAME", "Initech"}}) {
        store::Table other(table(name).def(), m_dir.path());
        ASSERT_TRUE(other.open().ok());
        other.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
        other.record().setValue(QString::fromLatin1(field), QString::fromLatin1(value));
        ASSERT_TRUE(other.change().ok());
    }
    l.highlightRow(3);
    ASSERT_TRUE(l.fetchHighlighted());
    EXPECT_EQ(table("QKjnc").position(), l.row(3).position);
    EXPECT_EQ(text("NAM:CITY"), QStringLiteral("Capital City"));
    EXPECT_EQ(text("NAM:FNAME"), QStringLiteral("Cy"));
    EXPECT_EQ(text("CMP:NAME"), QStringLiteral("Initech"));
    EXPECT_EQ(text("CMP:CITY"), QStringLiteral("Cypress"));
    // The page is not read again for that.
    EXPECT_EQ(l.row(3).texts.at(2).trimmed(), QStringLiteral("Springfield"));
}

// A link whose person is gone shows blank person and company fields, or is
// left out (and not counted) when the person must exist; a filter over a
// parent's field is tested per row and counted through the view.
TEST_F(ConfiguredLists, MissingParentsAndParentFiltersAreListedAndCountedAlike) {
    person(6, "Frost", "Fay", "Ogdenville", 2, {});
    link(99, "Ghost", "Gus", 0);
    struct Case {
        const char *filter;
        bool personMustExist;
        QStringList last, company;
    };
    const Case cases[] = {
        {"jnc:cat_ctrl = glo:cat_ctrl", false,
         list({"Adams", "Baker", "Cole", "Drake", "Evans", "Frost", "Ghost"}),
         list({"Acme", "", "Globex", "Acme", "", "Globex", ""})},
        {"jnc:cat_ctrl = glo:cat_ctrl", true, list({"Adams", "Baker", "Cole", "Drake", "Evans", "Frost"}),
         list({"Acme", "", "Globex", "Acme", "", "Globex"})},
        {"nam:city = 'Springfield' AND jnc:cat_ctrl = glo:cat_ctrl", false, list({"Adams", "Cole", "Evans"}),
         list({"Acme", "Globex", ""})},
        {"cmp:name = 'Globex'", false, list({"Cole", "Frost", "Cole"}), list({"Globex", "Globex", "Globex"})},
    };
    m_host.rows = 10;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.filter);
        BrowseList &l = namesList(QString::fromLatin1(c.filter), c.personMustExist);
        EXPECT_EQ(columnTexts(l, 0), c.last);
        EXPECT_EQ(columnTexts(l, 3), c.company);
        EXPECT_EQ(l.recordCount(), c.last.size());
    }
}

// The company links read their company, and a person's category links their
// category; each list follows the value its filter reads (the company group
// chosen, the person in the names list's buffer) at its next refresh.
TEST_F(ConfiguredLists, OtherJoinsFollowTheValuesTheirFiltersRead) {
    struct Step {
        qint32 value;
        QStringList first, second;
    };
    struct Case {
        const char *primary, *key, *filter;
        ListJoin join;
        const char *column1, *column2;
        std::function<void(qint32)> choose;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"QKjcg",
         "GRP_CTRL_KEY",
         "jcg:grp_ctrl = glo:grp_ctrl",
         {QStringLiteral("QKcmp"), QStringLiteral("CTRL_KEY"), {QStringLiteral("JCG:CMP_CTRL")}},
         "JCG:COMPANY",
         "CMP:CITY",
         [](qint32 v) { engine::setCurrentGroup(v, {}); },
         {{0, list({"Acme", "Globex"}), list({"Dayton", "Cypress"})},
          {7, list({"Globex"}), list({"Cypress"})}}},
        {"QKjnc",
         "NAM_CTRL_KEY",
         "jnc:nam_ctrl = nam:CTRL_NBR AND (jnc:cat_ctrl)",
         {QStringLiteral("QKcat"), QStringLiteral("CTRL_KEY"), {QStringLiteral("JNC:CAT_CTRL")}, true},
         "CAT:CATEGORY",
         "JNC:LNAME",
         [](qint32 v) { table("QKnam").record().setValue(QStringLiteral("NAM:CTRL_NBR"), v); },
         {{2, list({"Friends", "Work"}), list({"Baker", "Baker"})},
          {3, list({"Work"}), list({"Cole"})},
          {5, {}, {}}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.primary);
        c.choose(c.steps.front().value);
        engine::SortOrder order{table(c.primary).def().key(QString::fromLatin1(c.key))};
        order.filter = QString::fromLatin1(c.filter);
        m_list = std::make_unique<BrowseList>(
            table(c.primary),
            std::vector<engine::ListColumn>{{QString::fromLatin1(c.column1), QStringLiteral("@s35")},
                                            {QString::fromLatin1(c.column2), QStringLiteral("@s30")}},
            std::vector<engine::SortOrder>{order}, engine::ThumbKind::Fixed, m_host);
        ASSERT_TRUE(m_list->setJoins({c.join}));
        m_list->setCountsRecords(true);
        m_list->open();
        for (const Step &s : c.steps) {
            c.choose(s.value);
            m_list->refresh(0);
            EXPECT_EQ(columnTexts(*m_list, 0), s.first) << s.value;
            EXPECT_EQ(columnTexts(*m_list, 1), s.second) << s.value;
            EXPECT_EQ(m_list->recordCount(), s.first.size()) << s.value;
        }
    }
}

// A join that does not fit the dictionary is reported (message 36 with the
// reason) and left out; the list still shows its own fields.
TEST_F(ConfiguredLists, JoinsThatDoNotFitAreReportedAndLeftOut) {
    struct Case {
        std::vector<ListJoin> joins;
        const char *reason;
    };
    const QString nam = QStringLiteral("QKnam"), ctrlKey = QStringLiteral("CTRL_KEY");
    const QStringList byPerson{QStringLiteral("JNC:NAM_CTRL")};
    const Case cases[] = {
        {{{QStringLiteral("QKxyz"), ctrlKey, byPerson}}, "cannot join QKxyz by CTRL_KEY from QKjnc"},
        {{{nam, QStringLiteral("NO_KEY"), byPerson}}, "cannot join QKnam by NO_KEY"},
        {{{nam, ctrlKey, {QStringLiteral("JNC:NOSUCH")}}}, "JNC:NOSUCH is no field of QKjnc"},
        {{{nam, ctrlKey, {QStringLiteral("NAM_CTRL"), QStringLiteral("CAT_CTRL")}}},
         "NAM:CTRL_KEY needs 1 fields of QKjnc"},
        {{{QStringLiteral("QKcmp"), ctrlKey, {QStringLiteral("NAM:CMP_CTRL")}, false, nam}},
         "QKcmp is joined to QKnam, which is not joined before it"},
        {{{QStringLiteral("QKjnc"), ctrlKey, {QStringLiteral("CTRL_NBR")}}}, "QKjnc is joined twice"},
        {{{nam, ctrlKey, byPerson}, {nam, ctrlKey, byPerson}}, "QKnam is joined twice"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.reason);
        m_messages.clear();
        m_messages.answer(36, store::Button::Ok);
        BrowseList l(table("QKjnc"),
                     {{QStringLiteral("LNAME"), QStringLiteral("@s16")},
                      {QStringLiteral("NAM:CITY"), QStringLiteral("@s30")}},
                     {engine::SortOrder{table("QKjnc").def().key(QStringLiteral("CAT_CTRL_KEY"))}},
                     engine::ThumbKind::Fixed, m_host);
        EXPECT_FALSE(l.setJoins(c.joins));
        ASSERT_EQ(m_messages.shownNumbers(), std::vector<int>{36});
        EXPECT_TRUE(m_messages.last().text.contains(QString::fromLatin1(c.reason)))
            << m_messages.last().text.toStdString();
        l.open();
        l.refresh(0);
        EXPECT_EQ(columnTexts(l, 0).first(), QStringLiteral("Adams"));
        // A joined copy would overwrite the row; with the failed join alone, nothing is read.
        if (c.joins.size() == 1) {
            EXPECT_EQ(columnTexts(l, 1).first(), QString());
        }
    }
}

// The count follows every refill after an action, and lists that do not
// count say so.
TEST_F(ConfiguredLists, TheCountFollowsInsertAndDelete) {
    engine::setCurrentCategory(3, QStringLiteral("Friends"));
    BrowseList &l = namesList();
    ASSERT_EQ(l.recordCount(), 3);
    m_host.form = test::answeringForm(Response::RequestCompleted, [this] {
        store::Table &jnc = table("QKjnc");
        jnc.record().setValue(QStringLiteral("CTRL_NBR"), 50);
        jnc.record().setValue(QStringLiteral("NAM_CTRL"), 5);
        jnc.record().setValue(QStringLiteral("LNAME"), QStringLiteral("Evans"));
        jnc.record().setValue(QStringLiteral("CAT_CTRL"), 3);
        ASSERT_TRUE(jnc.insert().ok());
    });
    l.perform(ListAction::Insert);
    EXPECT_EQ(l.recordCount(), 4);
    EXPECT_EQ(l.row(l.highlighted()).texts.at(0).trimmed(), QStringLiteral("Evans"));
    EXPECT_EQ(l.row(l.highlighted()).texts.at(2).trimmed(), QStringLiteral("Springfield"));

    m_host.form = test::answeringForm(Response::RequestCompleted,
                                      [this] { ASSERT_TRUE(table("QKjnc").remove().ok()); });
    l.perform(ListAction::Delete);
    EXPECT_EQ(l.recordCount(), 3);
    EXPECT_EQ(columnTexts(l, 0), list({"Adams", "Baker", "Drake"}));

    BrowseList plain(table("QKcat"), {{QStringLiteral("CATEGORY"), QStringLiteral("@s30")}}, {},
                     engine::ThumbKind::Fixed, m_host);
    plain.open();
    plain.refresh(0);
    EXPECT_EQ(plain.rowCount(), 2);
    EXPECT_EQ(plain.recordCount(), -1);
}

// Every list's context menu comes from its configuration.
TEST_F(ConfiguredLists, ContextMenusComeFromTheirConfiguration) {
    using engine::ContextMenu;
    using engine::MenuItem;
    const auto item = [](const char *text, ListAction action, bool needsRows = false,
                         bool needsSelect = false) {
        return MenuItem{QString::fromUtf8(text), action, {}, needsRows, needsSelect};
    };
    const auto command = [](const char *text, bool needsRows) {
        return MenuItem{QString::fromUtf8(text), ListAction::None, [] {}, needsRows};
    };
    struct Case {
        std::optional<ContextMenu> menu;
        Request opening;
        const char *withRows, *empty;
    };
    const Case cases[] = {
        {ContextMenu{{item("&Insert", ListAction::Insert), item("&Change", ListAction::Change, true),
                      item("&Delete", ListAction::Delete, true)}},
         Request::None, "&Insert|&Change|&Delete", "&Insert|~&Change|~&Delete"},
        {ContextMenu{{item("Add &New", ListAction::Insert), item("&View\\Edit", ListAction::Change, true),
                      item("&Delete", ListAction::Delete, true)}},
         Request::None, "Add &New|&View\\Edit|&Delete", "Add &New|~&View\\Edit|~&Delete"},
        {ContextMenu{
             {command("Copy To...", true), command("Add Record", false), command("Delete Record", true)},
             false},
         Request::None, "Copy To...|Add Record|Delete Record", ""},
        {ContextMenu{{item("&Insert", ListAction::Insert), item("-", ListAction::None),
                      item("&Select", ListAction::Select, true, true)}},
         Request::None, "&Insert|-|~&Select", "&Insert|-|~&Select"},
        {ContextMenu{{item("&Insert", ListAction::Insert), item("-", ListAction::None),
                      item("&Select", ListAction::Select, true, true)}},
         Request::SelectRecord, "&Insert|-|&Select", "&Insert|-|~&Select"},
        {ContextMenu{}, Request::None, "", ""},
        {std::nullopt, Request::None, "&Insert|&Edit|&Delete|-|~&Select",
         "&Insert|~&Edit|~&Delete|-|~&Select"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.withRows);
        for (const qint32 category : {3, 9}) {
            engine::setCurrentCategory(category, {});
            engine::setGlobalRequest(c.opening);
            BrowseList &l = categoryMembers();
            l.setContextMenu(c.menu);
            EXPECT_EQ(l.contextMenuText(), QString::fromUtf8(category == 3 ? c.withRows : c.empty))
                << category;
        }
    }
}

// A chosen item runs its engine action or the window's own button, once, as
// a posted button would; a disabled item does nothing.
TEST_F(ConfiguredLists, ChosenMenuItemsRunTheirActionOrCommandOnce) {
    int copies = 0, adds = 0;
    engine::ContextMenu menu{{{QStringLiteral("Copy To..."), ListAction::None, [&copies] { ++copies; }, true},
                              {QStringLiteral("-")},
                              {QStringLiteral("Add Record"), ListAction::None, [&adds] { ++adds; }},
                              {QStringLiteral("Delete Record"), ListAction::Delete, {}, true}}};
    engine::setCurrentCategory(4, {});
    BrowseList &l = categoryMembers();
    l.setContextMenu(menu);
    ASSERT_EQ(l.contextMenuAction(1), ListAction::Command);
    l.perform(ListAction::Command);
    l.perform(ListAction::Command);
    EXPECT_EQ(copies, 1);
    EXPECT_EQ(l.contextMenuAction(2), ListAction::Command);
    l.perform(ListAction::Command);
    EXPECT_EQ(adds, 1);

    Request asked = Request::None;
    m_host.form = [&asked] {
        asked = engine::globalRequest();
        engine::setGlobalRequest(Request::None);
        engine::setGlobalResponse(Response::RequestCancelled);
    };
    const ListAction del = l.contextMenuAction(3);
    EXPECT_EQ(del, ListAction::Delete);
    l.perform(del);
    EXPECT_EQ(asked, Request::DeleteRecord);
    EXPECT_EQ(l.contextMenuAction(4), ListAction::None);

    engine::setCurrentCategory(9, {});
    l.refresh(0);
    ASSERT_EQ(l.rowCount(), 0);
    EXPECT_EQ(l.contextMenuText(), QStringLiteral("~Copy To...|-|Add Record|~Delete Record"));
    EXPECT_EQ(l.contextMenuAction(1), ListAction::None);
    EXPECT_EQ(l.contextMenuAction(3), ListAction::None);
    l.perform(ListAction::Command);
    EXPECT_EQ(copies, 1);
}

} // namespace
