#include "store/Store.h"
#include "store/TableTestSupport.h"
#include "store/View.h"

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::keyOf;
using tabulo::test::TempDataDir;

namespace {

class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Store::instance().setDirectory(m_dir.path());
        for (const char *t : {"QKnam", "QKjnc"}) {
            ASSERT_EQ(Store::instance().table(QString::fromLatin1(t)).create().code, 0);
            ASSERT_EQ(Store::instance().table(QString::fromLatin1(t)).open().code, 0);
        }
        Table &nam = Store::instance().table(QStringLiteral("QKnam"));
        Table &jnc = Store::instance().table(QStringLiteral("QKjnc"));
        const struct
        {
            int ctrl;
            const char *last;
            const char *city;
            int category;
        } people[] = {{1, "Adams", "Springfield", 3}, {2, "Baker", "Shelbyville", 3}, {3, "Cole", "Springfield", 4},
                      {4, "Drake", "Springfield", 3}, {5, "Evans", "Ogdenville", 4}};
        int link = 0;
        for (const auto &p : people) {
            nam.record().clear();
            nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), p.ctrl);
            nam.record().setValue(QStringLiteral("NAM:LNAME"), QString::fromLatin1(p.last));
            nam.record().setValue(QStringLiteral("NAM:CITY"), QString::fromLatin1(p.city));
            ASSERT_EQ(nam.insert().code, 0);
            for (int cat : {0, p.category}) {
                jnc.record().clear();
                jnc.record().setValue(QStringLiteral("JNC:CTRL_NBR"), ++link);
                jnc.record().setValue(QStringLiteral("JNC:LNAME"), QString::fromLatin1(p.last));
                jnc.record().setValue(QStringLiteral("JNC:NAM_CTRL"), p.ctrl);
                jnc.record().setValue(QStringLiteral("JNC:CAT_CTRL"), cat);
                ASSERT_EQ(jnc.insert().code, 0);
            }
        }
        // A person whose category link points nowhere.
        jnc.record().setValue(QStringLiteral("JNC:CTRL_NBR"), ++link);
        jnc.record().setValue(QStringLiteral("JNC:NAM_CTRL"), 99);
        jnc.record().setValue(QStringLiteral("JNC:LNAME"), QStringLiteral("Ghost"));
        jnc.record().setValue(QStringLiteral("JNC:CAT_CTRL"), 3);
        ASSERT_EQ(jnc.insert().code, 0);
    }
    void TearDown() override
    {
        unbindGlobal(QStringLiteral("glo:cat_ctrl"));
        Store::instance().closeAll();
    }

    QStringList names(View &view, bool forward = true)
    {
        QStringList out;
        EXPECT_EQ((forward ? view.toStart() : view.toEnd()).code, 0);
        Table &jnc = view.table();
        while ((forward ? view.next() : view.previous()).code == 0)
            out << jnc.record().value(QStringLiteral("JNC:LNAME")).toString();
        return out;
    }

    TempDataDir m_dir;
};

} // namespace

TEST_F(ViewTest, RangeOnLeadingKeyComponent)
{
    Table &jnc = Store::instance().table(QStringLiteral("QKjnc"));
    View view(jnc);
    view.setOrder(&keyOf(jnc, "CAT_CTRL_KEY"));
    view.setRange({qint64(3)});
    view.setReadAhead(2);
    EXPECT_EQ(names(view), (QStringList{QStringLiteral("Adams"), QStringLiteral("Baker"), QStringLiteral("Drake"),
                                        QStringLiteral("Ghost")}));
    EXPECT_EQ(names(view, false), (QStringList{QStringLiteral("Ghost"), QStringLiteral("Drake"),
                                               QStringLiteral("Baker"), QStringLiteral("Adams")}));
}

TEST_F(ViewTest, FilterOverBoundGlobalFollowsItsCurrentValue)
{
    Table &jnc = Store::instance().table(QStringLiteral("QKjnc"));
    qint64 category = 4;
    bindGlobal(QStringLiteral("glo:cat_ctrl"), [&category] { return QVariant(category); });
    View view(jnc);
    view.setOrder(&keyOf(jnc, "CAT_CTRL_KEY"));
    ASSERT_EQ(view.setFilter(QStringLiteral("jnc:cat_ctrl = GLO:CAT_CTRL")).code, 0);
    EXPECT_EQ(names(view), (QStringList{QStringLiteral("Cole"), QStringLiteral("Evans")}));
    category = 0;
    EXPECT_EQ(names(view).size(), 5);
}

TEST_F(ViewTest, JoinedParentFieldsFilterPerRowAndInnerJoinSkipsOrphans)
{
    Table &jnc = Store::instance().table(QStringLiteral("QKjnc"));
    Table &nam = Store::instance().table(QStringLiteral("QKnam"));
    View view(jnc);
    view.setOrder(&keyOf(jnc, "CAT_CTRL_KEY"));
    view.setRange({qint64(3)});
    view.join(nam, keyOf(nam, "CTRL_KEY"), {QStringLiteral("NAM_CTRL")}, true);
    ASSERT_EQ(view.setFilter(QStringLiteral("nam:city = 'Springfield' AND NOT jnc:lname = 'Drake'")).code, 0);
    ASSERT_EQ(view.toStart().code, 0);
    ASSERT_EQ(view.next().code, 0);
    EXPECT_EQ(nam.record().value(QStringLiteral("NAM:LNAME")).toString(), QStringLiteral("Adams"));
    EXPECT_EQ(view.next().code, Code::EndOfFile);
}

TEST_F(ViewTest, ValuesAreBoundNeverPastedAndBadFiltersAreRefused)
{
    Table &jnc = Store::instance().table(QStringLiteral("QKjnc"));
    View view(jnc);
    view.setOrder(&keyOf(jnc, "CAT_CTRL_KEY"));
    QString hostile = QStringLiteral("x' OR 1=1 OR jnc:lname <> '");
    view.bind(QStringLiteral("BRW2::Sort1:Reset:nam:CTRL_NBR"), [&hostile] { return QVariant(hostile); });
    ASSERT_EQ(view.setFilter(QStringLiteral("jnc:lname = BRW2::Sort1:Reset:nam:CTRL_NBR")).code, 0);
    EXPECT_TRUE(names(view).isEmpty());
    hostile = QStringLiteral("Cole");
    EXPECT_EQ(names(view), (QStringList{QStringLiteral("Cole"), QStringLiteral("Cole")}));
    ASSERT_EQ(view.setFilter(QStringLiteral("jnc:lname = 'O''Brien' OR jnc:cat_ctrl > 3")).code, 0);
    EXPECT_EQ(names(view).size(), 2);

    for (const char *bad : {"jnc:nosuch = 1", "jnc:cat_ctrl = ", "(jnc:cat_ctrl = 1", "jnc:cat_ctrl = 'open",
                            "jnc:cat_ctrl ; 1"}) {
        const StoreError e = view.setFilter(QString::fromLatin1(bad));
        EXPECT_NE(e.code, 0) << bad;
        EXPECT_TRUE(e.text.contains(QStringLiteral("Filter error"))) << e.text.toStdString();
    }
    // Nesting deep enough to exhaust the stack is refused; ordinary depth is not.
    const QString deep = QString(5000, QLatin1Char('(')) + QStringLiteral("jnc:cat_ctrl = 1");
    EXPECT_TRUE(view.setFilter(deep).text.contains(QStringLiteral("nested too deeply")));
    EXPECT_TRUE(view.setFilter(QStringLiteral("NOT ").repeated(5000) + QStringLiteral("jnc:cat_ctrl = 1"))
                    .text.contains(QStringLiteral("nested too deeply")));
    EXPECT_EQ(view.setFilter(QString(50, QLatin1Char('(')) + QStringLiteral("jnc:cat_ctrl > 3") +
                             QString(50, QLatin1Char(')')))
                  .code,
              0);
    EXPECT_EQ(names(view).size(), 2);
    ASSERT_NE(view.setFilter(QStringLiteral("jnc:nosuch = 1")).code, 0);
    // A refused filter leaves the view unfiltered.
    EXPECT_EQ(names(view).size(), 11);
}
