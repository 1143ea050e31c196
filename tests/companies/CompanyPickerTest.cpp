#include "engine/EngineTestSupport.h"

#include "companies/gui/CompanyPicker.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/RecordFormWindow.h"
#include "store/Store.h"
#include "support/QStringPrinter.h"
#include "support/WindowTour.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tabulo;
using engine::ListAction;
using engine::Request;
using engine::Response;
using engine::gui::BrowseWindow;
using engine::gui::RecordFormWindow;

namespace {

class CompanyPicker : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        store::Store::instance().use(QStringLiteral("QKcmp"));
        store::Store::instance().use(QStringLiteral("QKjcg"));
        // Stored out of name order: the list shows them in name order.
        addCompany(1, "Zenith", "Dayton");
        addCompany(2, "Acme", "Columbus");
        addCompany(3, "Midway", "Akron");
        m_caller.show();
    }
    void TearDown() override {
        if (BrowseWindow *w = picker())
            w->close();
        settle();
        store::Store::instance().release(QStringLiteral("QKjcg"));
        store::Store::instance().release(QStringLiteral("QKcmp"));
        StoreFixture::TearDown();
    }

    static store::Table &table(const char *name) {
        return store::Store::instance().table(QString::fromLatin1(name));
    }
    static void addCompany(qint64 ctrl, const char *name, const char *city) {
        store::Table &t = table("QKcmp");
        t.record().clear();
        t.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        t.record().setValue(QStringLiteral("NAME"), QString::fromLatin1(name));
        t.record().setValue(QStringLiteral("CITY"), QString::fromLatin1(city));
        ASSERT_TRUE(t.insert().ok());
    }

    static BrowseWindow *picker() { return window<BrowseWindow>(QStringLiteral("cmpls")); }

    static QStringList names(BrowseWindow *w) {
        QStringList rows;
        for (int r = 1; r <= w->engine().rowCount(); ++r)
            rows << w->engine().row(r).texts.at(0).trimmed();
        return rows;
    }

    // Opens the picker as a caller naming a company does, with `startAt` as
    // the company's name in the buffer.
    BrowseWindow *choose(const char *startAt) {
        table("QKcmp").record().clear();
        table("QKcmp").record().setValue(QStringLiteral("NAME"), QString::fromLatin1(startAt));
        m_chosen.reset();
        m_answered = false;
        companies::gui::chooseCompany(&m_caller, [this](std::optional<store::Record> chosen) {
            m_chosen = std::move(chosen);
            m_answered = true;
        });
        settle();
        return picker();
    }

    static void click(QWidget *w, const char *button) {
        QTest::mouseClick(w->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
        settle();
    }

    QWidget m_caller;
    std::optional<store::Record> m_chosen;
    bool m_answered = false;
};

struct PickCase {
    const char *name;
    const char *startAt;    // the name in the buffer when the picker opens
    const char *highlights; // the company highlighted at opening
    const char *button;     // how the user leaves
    const char *chosen;     // the company handed back; null for none
    qint64 chosenCtrl;
};
void PrintTo(const PickCase &c, std::ostream *os) {
    *os << c.name;
}

class Picking : public CompanyPicker, public ::testing::WithParamInterface<PickCase> {};

TEST_P(Picking, HandsBackTheChosenCompanyOrNothing) {
    const PickCase &c = GetParam();
    BrowseWindow *w = choose(c.startAt);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Company File"));
    EXPECT_EQ(names(w),
              (QStringList{QStringLiteral("Acme"), QStringLiteral("Midway"), QStringLiteral("Zenith")}));
    ASSERT_GE(w->engine().highlighted(), 1);
    EXPECT_EQ(names(w).at(w->engine().highlighted() - 1), QString::fromLatin1(c.highlights));
    EXPECT_TRUE(w->button(ListAction::Select)->isVisible());

    click(w, c.button);
    EXPECT_TRUE(m_answered);
    EXPECT_EQ(picker(), nullptr);
    if (!c.chosen) {
        EXPECT_FALSE(m_chosen.has_value());
        return;
    }
    ASSERT_TRUE(m_chosen.has_value());
    EXPECT_EQ(m_chosen->value(QStringLiteral("NAME")).toString().trimmed(), QString::fromLatin1(c.chosen));
    EXPECT_EQ(m_chosen->value(QStringLiteral("CTRL_NBR")).toLongLong(), c.chosenCtrl);
    // The whole record, not only the columns shown.
    EXPECT_FALSE(m_chosen->value(QStringLiteral("CITY")).toString().trimmed().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Picking,
    ::testing::Values(PickCase{"SelectAtTheBufferedName", "Midway", "Midway", "selectButton", "Midway", 3},
                      PickCase{"SelectAfterAPartName", "N", "Zenith", "selectButton", "Zenith", 1},
                      PickCase{"Close", "Acme", "Acme", "closeButton", nullptr, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CompanyPicker, SelectIsOfferedOnlyToACallerThatAskedForACompany) {
    engine::setGlobalRequest(Request::None);
    BrowseWindow *w = companies::gui::openCompanyFile(&m_caller);
    settle();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->button(ListAction::Select)->isVisible());
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("~&Select"));

    w->close();
    settle();
    w = choose("Acme");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->engine().contextMenuText(), QStringLiteral("&Select"));
}

TEST_F(CompanyPicker, ACompanyAddedThroughThePickerIsListedAndLinkedToAll) {
    BrowseWindow *w = choose("Acme");
    ASSERT_NE(w, nullptr);
    click(w, "insertButton");
    auto *f = window<RecordFormWindow>(QStringLiteral("UpdateQKcmp"));
    ASSERT_NE(f, nullptr);
    f->entry(1)->setText(QStringLiteral("Beta"));
    click(f, "okButton");
    EXPECT_EQ(window<RecordFormWindow>(QStringLiteral("UpdateQKcmp")), nullptr);
    EXPECT_EQ(names(w), (QStringList{QStringLiteral("Acme"), QStringLiteral("Beta"), QStringLiteral("Midway"),
                                     QStringLiteral("Zenith")}));

    store::Table &jcg = table("QKjcg");
    jcg.record().clear();
    jcg.record().setValue(QStringLiteral("CMP_CTRL"), 4);
    jcg.record().setValue(QStringLiteral("GRP_CTRL"), 0);
    ASSERT_TRUE(jcg.fetch(*jcg.def().key(QStringLiteral("CMP_CTRL_KEY"))).ok());
    EXPECT_EQ(jcg.record().value(QStringLiteral("COMPANY")).toString().trimmed(), QStringLiteral("Beta"));
    EXPECT_EQ(jcg.records(), 1);
}

TEST_F(CompanyPicker, TheWindowIsWholeAtItsOpeningSizeAndAtTwiceIt) {
    BrowseWindow *w = choose("Acme");
    ASSERT_NE(w, nullptr);
    QWidget *outer = test::outerWindow(w);
    const QSize opening = outer->size();
    for (const QSize size : {opening, opening * 2}) {
        outer->resize(size);
        settle();
        const QStringList problems = test::layoutProblems(w);
        EXPECT_TRUE(problems.isEmpty()) << size.width() << "x" << size.height() << ": "
                                        << problems.join(QStringLiteral("; ")).toStdString();
    }
    EXPECT_EQ(w->minimumSize(), opening);
}

} // namespace
