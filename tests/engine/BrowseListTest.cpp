#include "engine/EngineTestSupport.h"

#include "engine/BrowseList.h"
#include "store/Store.h"
#include "support/CaseName.h"

#include <functional>

using namespace tabulo;
using engine::BrowseList;
using engine::Request;
using engine::Response;

namespace {

QStringList names(std::initializer_list<const char *> list) {
    QStringList result;
    for (const char *n : list)
        result << QString::fromLatin1(n);
    return result;
}

// A list window without a window: a page of a fixed size, and a form that
// answers at once.
class FakeListHost final : public engine::BrowseHost {
public:
    int rows = 5;
    int pageChanges = 0;
    int closes = 0;
    std::function<void()> form; // acts as the form: reads GlobalRequest, sets GlobalResponse

    int visibleRows() const override { return rows; }
    void pageChanged() override { ++pageChanges; }
    void runForm(std::function<void()> done) override {
        if (form)
            form();
        done();
    }
    void closeList() override { ++closes; }
};

class BrowseListCore : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_zip = &store::Store::instance().use(QStringLiteral("QKzip"));
    }
    void TearDown() override {
        m_list.reset();
        store::Store::instance().release(QStringLiteral("QKzip"));
        StoreFixture::TearDown();
    }

    void add(const QString &city, const QString &zip) {
        store::Record &r = m_zip->record();
        r.clear();
        r.setValue(QStringLiteral("CTRL_NBR"), ++m_last);
        r.setValue(QStringLiteral("CITY"), city);
        r.setValue(QStringLiteral("ZIP"), zip);
        ASSERT_TRUE(m_zip->insert().ok());
    }

    BrowseList &open(engine::ThumbKind thumb, Request request = Request::None) {
        engine::setGlobalRequest(request);
        const store::TableDef &d = m_zip->def();
        m_list = std::make_unique<BrowseList>(
            *m_zip,
            std::vector<engine::ListColumn>{{QStringLiteral("CITY"), QStringLiteral("@s30")},
                                            {QStringLiteral("ZIP"), QStringLiteral("@s5")}},
            std::vector<engine::SortOrder>{
                engine::SortOrder{d.key(QStringLiteral("CITY_KEY"))},
                engine::SortOrder{
                    d.key(QStringLiteral("ZIP_KEY")), {}, {}, {}, engine::Locator::Incremental}},
            thumb, m_host);
        m_list->open();
        m_list->refresh(0);
        return *m_list;
    }

    QStringList page() const {
        QStringList cities;
        for (int i = 1; i <= m_list->rowCount(); ++i)
            cities << m_list->row(i).texts.at(0);
        return cities;
    }

    QString highlighted() const { return m_list->row(m_list->highlighted()).texts.at(0); }

    store::Table *m_zip = nullptr;
    qint64 m_last = 0;
    FakeListHost m_host;
    std::unique_ptr<BrowseList> m_list;
};

TEST_F(BrowseListCore, AnEmptyTableOffersOnlyInsert) {
    m_zip->record().setValue(QStringLiteral("CITY"), QStringLiteral("left over"));
    BrowseList &l = open(engine::ThumbKind::Fixed, Request::SelectRecord);
    EXPECT_EQ(l.rowCount(), 0);
    EXPECT_EQ(l.highlighted(), 0);
    EXPECT_FALSE(l.changeEnabled());
    EXPECT_TRUE(m_zip->record().text(1).isEmpty());
    EXPECT_EQ(l.contextMenuText(), QStringLiteral("&Insert|~&Edit|~&Delete|-|~&Select"));
    l.scrollPage(true);
    l.typed(QLatin1Char('a'));
    EXPECT_EQ(l.rowCount(), 0);
    l.perform(engine::ListAction::Select);
    EXPECT_EQ(m_host.closes, 0);
    l.finish();
    EXPECT_EQ(engine::globalResponse(), Response::RequestCancelled);
}

TEST_F(BrowseListCore, OpeningTakesOverTheRequest) {
    add(QStringLiteral("Austin"), QStringLiteral("73301"));
    BrowseList &l = open(engine::ThumbKind::Fixed, Request::SelectRecord);
    EXPECT_EQ(engine::globalRequest(), Request::None);
    EXPECT_EQ(l.defaultAction(), engine::ListAction::Select);
    EXPECT_EQ(l.doubleClickAction(), engine::ListAction::Select);
    l.perform(engine::ListAction::Select);
    EXPECT_EQ(m_host.closes, 1);
    l.finish();
    EXPECT_EQ(engine::globalResponse(), Response::RequestCompleted);
    // The whole selected record is in the buffer.
    EXPECT_EQ(m_zip->record().integer(0), 1);
}

TEST_F(BrowseListCore, ScrollingShiftsThePageAndKeepsOnlyOnePage) {
    for (int i = 0; i < 12; ++i)
        add(QStringLiteral("City %1").arg(i, 2, 10, QLatin1Char('0')), QString());
    BrowseList &l = open(engine::ThumbKind::Fixed);
    EXPECT_EQ(page(), names({"City 00", "City 01", "City 02", "City 03", "City 04"}));
    for (int i = 0; i < 5; ++i)
        l.scrollRow(true);
    EXPECT_EQ(page().front(), QStringLiteral("City 01"));
    EXPECT_EQ(highlighted(), QStringLiteral("City 05"));
    EXPECT_EQ(l.thumb(), 50);
    l.scrollPage(false); // only one record above: the highlight moves by the rest
    EXPECT_EQ(page().front(), QStringLiteral("City 00"));
    EXPECT_EQ(l.highlighted(), 1);
    EXPECT_EQ(l.thumb(), 0);
    l.scrollToEnd(true);
    EXPECT_EQ(page(), names({"City 07", "City 08", "City 09", "City 10", "City 11"}));
    EXPECT_EQ(l.thumb(), 100);
    l.scrollPage(false);
    EXPECT_EQ(page().front(), QStringLiteral("City 02"));
    EXPECT_EQ(l.highlighted(), 5);
}

TEST_F(BrowseListCore, ARowDeletedElsewhereIsSkippedOnTheNextFill) {
    for (int i = 0; i < 8; ++i)
        add(QStringLiteral("City %1").arg(i), QString());
    BrowseList &l = open(engine::ThumbKind::Fixed);
    // The boundary row (last on the page) disappears before the next read.
    store::Table other(m_zip->def(), m_dir.path());
    ASSERT_TRUE(other.open().ok());
    other.record().setValue(QStringLiteral("CTRL_NBR"), 5);
    ASSERT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
    ASSERT_TRUE(other.remove().ok());
    l.scrollPage(true);
    EXPECT_EQ(page(), names({"City 3", "City 4", "City 5", "City 6", "City 7"}));
    // A refill drops the stale row and completes the page upwards.
    l.reset(BrowseList::ResetMode::FromFirstRow);
    EXPECT_EQ(page(), names({"City 2", "City 3", "City 5", "City 6", "City 7"}));
    EXPECT_EQ(highlighted(), QStringLiteral("City 5"));
    other.close();
}

TEST_F(BrowseListCore, IncrementalLocatorBuildsItsTextAndScrollingEmptiesIt) {
    for (const char *z : {"10001", "60601", "62701", "62704", "90210"})
        add(QStringLiteral("C") + QString::fromLatin1(z), QString::fromLatin1(z));
    BrowseList &l = open(engine::ThumbKind::Distributed);
    l.refresh(1);
    l.typed(QLatin1Char('6'));
    EXPECT_EQ(highlighted(), QStringLiteral("C60601"));
    l.typed(QLatin1Char('2'));
    l.typed(QLatin1Char('7'));
    l.typed(QLatin1Char('0'));
    l.typed(QLatin1Char('2'));
    EXPECT_EQ(l.locatorText(), QStringLiteral("62702"));
    EXPECT_EQ(highlighted(), QStringLiteral("C62704"));
    l.backspace();
    EXPECT_EQ(highlighted(), QStringLiteral("C62701"));
    l.scrollRow(true);
    EXPECT_TRUE(l.locatorText().isEmpty());
}

TEST_F(BrowseListCore, ActionsRunTheFormAndRepositionOnTheRecord) {
    for (int i = 0; i < 9; ++i)
        add(QStringLiteral("City %1").arg(i), QString());
    BrowseList &l = open(engine::ThumbKind::Fixed);
    l.scrollRow(true);
    Request seen = Request::None;
    m_host.form = [&] {
        seen = engine::globalRequest();
        engine::setGlobalRequest(Request::None);
        // The form renames the record it was given.
        m_zip->record().setValue(QStringLiteral("CITY"), QStringLiteral("City 7b"));
        ASSERT_TRUE(m_zip->change().ok());
        engine::setGlobalResponse(Response::RequestCompleted);
    };
    l.perform(engine::ListAction::Change);
    EXPECT_EQ(seen, Request::ChangeRecord);
    // Fewer than a page follow it: the page is completed upwards.
    EXPECT_EQ(page(), names({"City 5", "City 6", "City 7", "City 7b", "City 8"}));
    EXPECT_EQ(highlighted(), QStringLiteral("City 7b"));
    EXPECT_EQ(l.response(), Response::RequestCancelled);

    m_host.form = [&] {
        engine::setGlobalRequest(Request::None);
        engine::setGlobalResponse(Response::RequestCancelled);
    };
    l.scrollRow(false);
    l.perform(engine::ListAction::Change);
    EXPECT_EQ(highlighted(), QStringLiteral("City 7"));
}

TEST_F(BrowseListCore, DistributedThumbDragLocatesByTheThumbTable) {
    // Cities "AAA City" to "ZZZ City": the thumb table spreads over letters.
    for (int i = 0; i < 26; ++i)
        add(QString(3, QChar(u'A' + i)) + QStringLiteral(" City"), QString());
    BrowseList &l = open(engine::ThumbKind::Distributed);
    ASSERT_EQ(l.thumbTable().size(), 100u);
    EXPECT_EQ(l.thumbTable().front().toString(), QStringLiteral("AAA "));
    EXPECT_EQ(l.thumbTable().back().toString(), QStringLiteral("ZZZ "));
    EXPECT_EQ(l.thumb(), 0);
    l.thumbDragged(50); // about half way through the alphabet
    const QChar first = highlighted().at(0);
    EXPECT_TRUE(first >= QLatin1Char('L') && first <= QLatin1Char('N')) << highlighted().toStdString();
    EXPECT_GT(l.thumb(), 40);
    EXPECT_LT(l.thumb(), 60);
    l.thumbDragged(100);
    EXPECT_EQ(highlighted(), QStringLiteral("ZZZ City"));
    EXPECT_EQ(l.highlighted(), l.rowCount());
    l.thumbDragged(1);
    EXPECT_EQ(highlighted(), QStringLiteral("AAA City"));
    EXPECT_EQ(l.thumb(), 0);
}

TEST_F(BrowseListCore, AThumbTableOfDigitsBehavesAsAFixedThumb) {
    for (int i = 0; i < 30; ++i)
        add(QStringLiteral("C%1").arg(i), QStringLiteral("%1").arg(10000 + i * 1000));
    BrowseList &l = open(engine::ThumbKind::Distributed);
    l.refresh(1); // the Zip order: digits are no letters, the entries do not rise
    ASSERT_EQ(l.thumbTable().size(), 100u);
    EXPECT_EQ(l.thumbTable().front().toString(), QStringLiteral("1000"));
    EXPECT_EQ(l.thumbTable().back().toString(), QStringLiteral("3900"));
    l.scrollPage(true);
    const QStringList before = page();
    EXPECT_EQ(l.thumb(), 50);
    l.thumbDragged(50);
    EXPECT_EQ(page(), before);
    l.thumbDragged(100);
    EXPECT_EQ(highlighted(), QStringLiteral("C29"));
    EXPECT_EQ(l.thumb(), 100);
    l.thumbDragged(1);
    EXPECT_EQ(highlighted(), QStringLiteral("C0"));
    EXPECT_EQ(l.thumb(), 0);
}

TEST_F(BrowseListCore, FixedThumbIgnoresDragsBetweenTheEnds) {
    for (int i = 0; i < 30; ++i)
        add(QStringLiteral("City %1").arg(i, 2, 10, QLatin1Char('0')), QString());
    BrowseList &l = open(engine::ThumbKind::Fixed);
    l.scrollPage(true);
    const QStringList before = page();
    l.thumbDragged(40);
    EXPECT_EQ(page(), before);
    EXPECT_TRUE(l.thumbTable().empty());
    l.thumbDragged(100);
    EXPECT_EQ(highlighted(), QStringLiteral("City 29"));
    EXPECT_EQ(l.thumb(), 100);
}

struct ThumbCase {
    QVariant low, high;
    bool numeric;
    int width;
    QVariant first, second, middle, last;
};

void PrintTo(const ThumbCase &c, std::ostream *os) {
    *os << c.low.toString().toStdString() << " to " << c.high.toString().toStdString();
}

class ThumbTable : public ::testing::TestWithParam<ThumbCase> {};

TEST_P(ThumbTable, SpreadsEntriesFromLowToHigh) {
    const ThumbCase &c = GetParam();
    const auto entries = engine::thumbEntries(c.low, c.high, c.numeric, c.width);
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries[0], c.first);
    if (c.second.isValid())
        EXPECT_EQ(entries[1], c.second);
    if (c.middle.isValid())
        EXPECT_EQ(entries[50], c.middle);
    EXPECT_EQ(entries[99], c.last);
    for (size_t i = 1; i < entries.size(); ++i) {
        if (c.numeric)
            EXPECT_LE(entries[i - 1].toLongLong(), entries[i].toLongLong());
        else
            EXPECT_LE(entries[i - 1].toString(), entries[i].toString());
    }
}

// The alphabet is A to Z and the Latin-1 capitals, 56 letters: four letters
// read as a number in base 57.
INSTANTIATE_TEST_SUITE_P(
    Entries, ThumbTable,
    ::testing::Values(
        ThumbCase{qint64(1), qint64(100), true, 0, qint64(1), qint64(2), qint64(51), qint64(100)},
        ThumbCase{qint64(0), qint64(10), true, 0, qint64(0), qint64(0), qint64(5), qint64(10)},
        ThumbCase{qint64(5), qint64(5), true, 0, qint64(5), qint64(5), qint64(5), qint64(5)},
        // A common prefix stays; the next four letters are spread.
        ThumbCase{QStringLiteral("Springdale"), QStringLiteral("Springfield"), false, 30,
                  QStringLiteral("SpringDALE"), QStringLiteral("SpringDBYN"),
                  QStringLiteral("SpringEE\u00CF\u00DE"), QStringLiteral("SpringFIEL")},
        // A short high value is padded with the last letter.
        ThumbCase{QStringLiteral("Adams"), QStringLiteral("Yo"), false, 16, QStringLiteral("ADAM"),
                  QVariant(), QVariant(), QStringLiteral("YO\u00DE\u00DE")}),
    [](const ::testing::TestParamInfo<ThumbCase> &info) {
        return tabulo::test::caseName(
            (info.param.low.toString() + QStringLiteral(" to ") + info.param.high.toString()).toStdString());
    });

} // namespace

// A list embedded in a form binds the parent value it was built for under a
// name of its own and filters by it; the value is read at every refresh.
TEST_F(BrowseListCore, FilterExpressionOverABoundParentValue) {
    const QStringList states{QStringLiteral("IL"), QStringLiteral("WI"), QStringLiteral("IL")};
    for (int i = 0; i < states.size(); ++i) {
        add(QStringLiteral("City %1").arg(i), QStringLiteral("5000%1").arg(i));
        m_zip->record().setValue(QStringLiteral("STATE"), states[i]);
        ASSERT_TRUE(m_zip->change().ok());
    }
    QString parentState = QStringLiteral("IL");
    engine::SortOrder order{m_zip->def().key(QStringLiteral("CITY_KEY"))};
    order.filter = QStringLiteral("zip:state = BRW2::Sort1:Reset:set:STATE");
    order.bindings = {
        {QStringLiteral("BRW2::Sort1:Reset:set:STATE"), [&parentState] { return QVariant(parentState); }}};
    m_list = std::make_unique<BrowseList>(
        *m_zip, std::vector<engine::ListColumn>{{QStringLiteral("CITY"), QStringLiteral("@s30")}},
        std::vector<engine::SortOrder>{order}, engine::ThumbKind::Fixed, m_host);
    m_list->open();
    m_list->refresh(0);
    EXPECT_EQ(page(), (QStringList{QStringLiteral("City 0"), QStringLiteral("City 2")}));
    parentState = QStringLiteral("WI");
    m_list->forceRefresh();
    m_list->refresh(0);
    EXPECT_EQ(page(), QStringList{QStringLiteral("City 1")});
}

TEST_F(BrowseListCore, ABadFilterExpressionIsReportedAndTheListShowsEverything) {
    add(QStringLiteral("Alpha"), QStringLiteral("10001"));
    add(QStringLiteral("Beta"), QStringLiteral("10002"));
    engine::SortOrder order{m_zip->def().key(QStringLiteral("CITY_KEY"))};
    order.filter = QStringLiteral("zip:state = no:such");
    m_messages.answer(36, store::Button::Ok);
    m_list = std::make_unique<BrowseList>(
        *m_zip, std::vector<engine::ListColumn>{{QStringLiteral("CITY"), QStringLiteral("@s30")}},
        std::vector<engine::SortOrder>{order}, engine::ThumbKind::Fixed, m_host);
    m_list->open();
    m_list->refresh(0);
    ASSERT_FALSE(m_messages.shown().empty());
    EXPECT_TRUE(m_messages.last().text.contains(QStringLiteral("unknown name no:such")))
        << m_messages.last().text.toStdString();
    EXPECT_EQ(page(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));
}
