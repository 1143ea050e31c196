#include "engine/EngineTestSupport.h"

#include "companies/CompanyRecords.h"
#include "store/Store.h"

#include <QFile>

using namespace tabulo;

namespace {

class CompanyRecords : public test::StoreFixture {
protected:
    QString linksFile() const {
        return m_dir.file(store::Table::fileNameFor(store::tableDef("QKjcg")));
    }
};

// A company typed by name is found through its link to "All"; a directory
// whose company links were never made finds none and makes none.
TEST_F(CompanyRecords, ACompanyIsFoundByNameWithoutMakingTheLinksTable) {
    EXPECT_EQ(companies::companyNamed(QStringLiteral("Acme")), 0);
    EXPECT_FALSE(QFile::exists(linksFile()));

    {
        const store::TableUse use({QStringLiteral("QKjcg")});
        store::Table &jcg = use[QStringLiteral("QKjcg")];
        for (const auto &[ctrl, company, cmp, group] : std::vector<std::tuple<int, const char *, int, int>>{
                 {1, "Acme", 11, 0}, {2, "Globex", 12, 0}, {3, "Initech", 13, 5}}) {
            jcg.record().clear();
            jcg.record().setValue(QStringLiteral("JCG:CTRL_NBR"), ctrl);
            jcg.record().setValue(QStringLiteral("JCG:COMPANY"), QString::fromLatin1(company));
            jcg.record().setValue(QStringLiteral("JCG:CMP_CTRL"), cmp);
            jcg.record().setValue(QStringLiteral("JCG:GRP_CTRL"), group);
            ASSERT_TRUE(jcg.insert().ok());
        }
        // A window's highlighted link stays in the buffer.
        jcg.record().setValue(QStringLiteral("JCG:COMPANY"), QStringLiteral("Highlighted"));
        const struct {
            const char *typed;
            qint64 company;
        } cases[] = {{"Acme", 11}, {"  Globex ", 12}, {"Initech", 0}, {"Nobody", 0}, {"", 0}};
        for (const auto &c : cases) {
            SCOPED_TRACE(c.typed);
            EXPECT_EQ(companies::companyNamed(QString::fromLatin1(c.typed)), c.company);
            EXPECT_EQ(jcg.record().value(QStringLiteral("JCG:COMPANY")).toString().trimmed(),
                      QStringLiteral("Highlighted"));
        }
    }
    // The look-up's own use ends with it.
    EXPECT_EQ(store::Store::instance().useCount(QStringLiteral("QKjcg")), 0);
    EXPECT_EQ(companies::companyNamed(QStringLiteral("Acme")), 11);
    EXPECT_EQ(store::Store::instance().useCount(QStringLiteral("QKjcg")), 0);
}

} // namespace
