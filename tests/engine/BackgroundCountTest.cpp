// A list that counts in the background: the page comes first, the count
// when it arrives; an answer to a count asked for again since is dropped,
// and a count that is known is never asked for.
#include "engine/EngineTestSupport.h"
#include "engine/ListTestHost.h"

#include "engine/BrowseList.h"
#include "engine/Globals.h"
#include "store/Store.h"

using namespace tabulo;

namespace {

// Holds the counts it is asked to make until the test runs them.
class QueueingHost final : public engine::BrowseHost {
public:
    struct Pending {
        std::function<CountOutcome()> work;
        std::function<void(CountOutcome)> done;
    };
    std::vector<Pending> pending;
    int arrived = 0;

    int visibleRows() const override { return 5; }
    void pageChanged() override {}
    void runForm(std::function<void()> done) override { done(); }
    void closeList() override {}
    void countInBackground(std::function<CountOutcome()> work,
                           std::function<void(CountOutcome)> done) override {
        pending.push_back({std::move(work), std::move(done)});
    }
    void recordCountChanged() override { ++arrived; }
    void run(size_t index) { pending.at(index).done(pending.at(index).work()); }
};

class BackgroundCount : public test::StoreFixture {};

TEST_F(BackgroundCount, ThePageComesFirstAndOnlyTheNewestAnswerCounts) {
    // Phones ranged by their person: a key whose counts the file does not keep.
    store::Table &fon = store::Store::instance().use(QStringLiteral("QKfon"));
    for (int i = 1; i <= 7; ++i) {
        fon.record().clear();
        fon.record().setValue(QStringLiteral("FON:CTRL_NBR"), i);
        fon.record().setValue(QStringLiteral("FON:NAM_CTRL"), i <= 3 ? 1 : 2);
        fon.record().setValue(QStringLiteral("FON:LOCATION"), QStringLiteral("L%1").arg(i));
        ASSERT_TRUE(fon.insert().ok());
    }
    QueueingHost host;
    engine::SortOrder order{fon.def().key(QStringLiteral("NAM_CTRL_KEY"))};
    order.rangeValues = [] { return std::vector<QVariant>{QVariant(engine::currentCategory())}; };
    engine::BrowseList list(fon, {{QStringLiteral("FON:LOCATION"), QStringLiteral("@s16")}}, {order},
                            engine::ThumbKind::Fixed, host);
    list.setCountsRecords(true);
    list.setCountsInBackground(true);
    list.open();

    engine::setCurrentCategory(1, QStringLiteral("One"));
    list.refresh();
    EXPECT_EQ(list.rowCount(), 3) << "the page does not wait for the count";
    EXPECT_EQ(list.recordCount(), -1);
    engine::setCurrentCategory(2, QStringLiteral("Two"));
    list.refresh();
    ASSERT_EQ(host.pending.size(), 2u);

    // The answer for category 1 arrives late and is dropped.
    host.run(1);
    host.run(0);
    EXPECT_EQ(list.recordCount(), 4);
    EXPECT_EQ(host.arrived, 1);

    // Back and forth: both counts are known now, no thread is asked.
    engine::setCurrentCategory(1, QStringLiteral("One"));
    list.refresh();
    engine::setCurrentCategory(2, QStringLiteral("Two"));
    list.refresh();
    EXPECT_EQ(list.recordCount(), 4);
    EXPECT_EQ(host.pending.size(), 3u) << "category 1 was never answered, so it is asked once";
    host.run(2);
    EXPECT_EQ(list.recordCount(), 4) << "the answer for category 1 came after category 2 was shown";
    list.finish();
    store::Store::instance().release(QStringLiteral("QKfon"));
}

// A category's members are counted by the file as they change: the count
// comes with the page and no thread is asked.
TEST_F(BackgroundCount, ACountTheFileKeepsComesWithThePage) {
    store::Table &jnc = store::Store::instance().use(QStringLiteral("QKjnc"));
    for (int i = 1; i <= 7; ++i) {
        jnc.record().clear();
        jnc.record().setValue(QStringLiteral("JNC:CTRL_NBR"), i);
        jnc.record().setValue(QStringLiteral("JNC:NAM_CTRL"), i);
        jnc.record().setValue(QStringLiteral("JNC:CAT_CTRL"), i <= 3 ? 1 : 2);
        ASSERT_TRUE(jnc.insert().ok());
    }
    QueueingHost host;
    engine::SortOrder order{jnc.def().key(QStringLiteral("CAT_CTRL_KEY"))};
    order.rangeValues = [] { return std::vector<QVariant>{QVariant(engine::currentCategory())}; };
    engine::BrowseList list(jnc, {{QStringLiteral("JNC:LNAME"), QStringLiteral("@s16")}}, {order},
                            engine::ThumbKind::Fixed, host);
    list.setCountsRecords(true);
    list.setCountsInBackground(true);
    list.open();
    for (auto [category, expected] : {std::pair{1, 3}, std::pair{2, 4}, std::pair{9, 0}}) {
        engine::setCurrentCategory(category, QStringLiteral("C"));
        list.refresh();
        EXPECT_EQ(list.recordCount(), expected) << "category " << category;
    }
    EXPECT_TRUE(host.pending.empty());
    list.finish();
    store::Store::instance().release(QStringLiteral("QKjnc"));
}

} // namespace
