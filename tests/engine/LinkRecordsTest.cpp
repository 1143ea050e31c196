// The category links of people and companies, kept by one set of routines:
// numbered after the highest, found by owner and category, their name
// copies rewritten and deleted for one owner only, the caller's buffer kept.
#include "engine/LinkRecords.h"
#include "engine/RecordRoutines.h"
#include "engine/EngineTestSupport.h"
#include "store/Store.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace tabulo;

namespace {

struct LinkCase {
    const char *name;
    engine::LinkTable links;
    const char *copyField; // a name copy the links carry
};

void PrintTo(const LinkCase &c, std::ostream *os) {
    *os << c.name;
}

const LinkCase kCases[] = {
    {"NameLinks", {"QKjnc", "NAM_CTRL_KEY", "NAM_CTRL", "CAT_CTRL"}, "LNAME"},
    {"CompanyLinks", {"QKjcg", "CMP_CTRL_KEY", "CMP_CTRL", "GRP_CTRL"}, "COMPANY"},
};

class LinkRecords : public test::StoreFixture, public ::testing::WithParamInterface<LinkCase> {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        m_table = &store::Store::instance().use(QString::fromLatin1(GetParam().links.table));
    }
    void TearDown() override {
        store::Store::instance().release(m_table->def().name);
        StoreFixture::TearDown();
    }
    std::function<void(store::Record &)> copy(const QString &name) {
        const QString field = QString::fromLatin1(GetParam().copyField);
        return [field, name](store::Record &link) { link.setValue(field, name); };
    }
    // (number, owner, category, name copy) of every link, in number order.
    std::vector<std::tuple<qint64, qint64, qint64, QString>> all() {
        const LinkCase &c = GetParam();
        std::vector<std::tuple<qint64, qint64, qint64, QString>> rows;
        store::Cursor cursor(*m_table);
        cursor.setOrder(m_table->def().primaryKey());
        cursor.toStart();
        const store::Record &r = m_table->record();
        while (cursor.next().ok())
            rows.emplace_back(r.integer(0), r.value(QString::fromLatin1(c.links.ownerField)).toLongLong(),
                              r.value(QString::fromLatin1(c.links.categoryField)).toLongLong(),
                              r.value(QString::fromLatin1(c.copyField)).toString().trimmed());
        return rows;
    }
    store::Table *m_table = nullptr;
};

TEST_P(LinkRecords, AddFindRewriteAndDeleteTouchOneOwnerAndKeepTheBuffer) {
    const engine::LinkTable &links = GetParam().links;
    ASSERT_TRUE(engine::addLink(links, 7, 0, copy(QStringLiteral("Old"))).ok());
    ASSERT_TRUE(engine::addLink(links, 8, 0, copy(QStringLiteral("Other"))).ok());
    ASSERT_TRUE(engine::addLink(links, 7, 3, copy(QStringLiteral("Old"))).ok());
    using Row = std::tuple<qint64, qint64, qint64, QString>;
    EXPECT_EQ(all(), (std::vector<Row>{{1, 7, 0, QStringLiteral("Old")},
                                       {2, 8, 0, QStringLiteral("Other")},
                                       {3, 7, 3, QStringLiteral("Old")}}));

    // What the window holds in the buffer stays there through every routine.
    m_table->record().clear();
    m_table->record().setInteger(0, 2);
    ASSERT_TRUE(m_table->fetch(*m_table->def().primaryKey()).ok());
    const store::Record held = m_table->record();

    EXPECT_TRUE(engine::hasLink(links, 7, 3));
    EXPECT_TRUE(engine::hasLink(links, 8, 0));
    EXPECT_FALSE(engine::hasLink(links, 8, 3));
    EXPECT_FALSE(engine::hasLink(links, 9, 0));
    ASSERT_TRUE(engine::rewriteLinkCopies(links, 7, copy(QStringLiteral("New"))).ok());
    ASSERT_TRUE(engine::deleteLinks(links, 8).ok());
    EXPECT_EQ(m_table->record().integer(0), held.integer(0));
    EXPECT_EQ(m_table->record().value(QString::fromLatin1(GetParam().copyField)),
              held.value(QString::fromLatin1(GetParam().copyField)));

    EXPECT_EQ(all(), (std::vector<Row>{{1, 7, 0, QStringLiteral("New")}, {3, 7, 3, QStringLiteral("New")}}));

    // A new link is numbered after the highest, not into the gap.
    ASSERT_TRUE(engine::addLink(links, 9, 0, copy(QStringLiteral("Later"))).ok());
    EXPECT_EQ(std::get<0>(all().back()), 4);
    qint64 next = 0;
    ASSERT_TRUE(engine::nextControlNumber(m_table->def().name, next).ok());
    EXPECT_EQ(next, 5);
}

INSTANTIATE_TEST_SUITE_P(LinkRecords, LinkRecords, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<LinkCase> &info) {
                             return std::string(info.param.name);
                         });

} // namespace
