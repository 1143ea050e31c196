// The texts and geometry of labels and phone lists, without the store.
#include "reports/ReportLayout.h"
#include "engine/gui/ProgressWindow.h"
#include "reports/ReportTexts.h"
#include "support/CaseName.h"

#include <gtest/gtest.h>

using namespace tabulo::reports;

namespace {

QStringList strings(std::initializer_list<const char *> items) {
    QStringList list;
    for (const char *item : items)
        list << QString::fromUtf8(item);
    return list;
}

MemberFields person(QString first, QString last, QString addr2 = {}) {
    return {std::move(first),
            std::move(last),
            QStringLiteral("12 Oak Ave"),
            std::move(addr2),
            QStringLiteral(" Springfield "),
            QStringLiteral("IL"),
            QStringLiteral("62701")};
}

struct LabelCase {
    const char *what;
    MemberFields fields;
    QStringList lines;
};

void PrintTo(const LabelCase &c, std::ostream *os) {
    *os << c.what;
}

class NameLabelLines : public ::testing::TestWithParam<LabelCase> {};

TEST_P(NameLabelLines, AreBuiltFromTheRecord) {
    EXPECT_EQ(nameLabelLines(GetParam().fields), GetParam().lines) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NameLabelLines,
    ::testing::Values(
        LabelCase{"no second address line: the city moves up, no comma",
                  person(QStringLiteral("Ann"), QStringLiteral("Lee")),
                  strings({"Ann Lee", "12 Oak Ave", "Springfield IL 62701", "", ""})},
        LabelCase{"both address lines give four filled lines",
                  person(QStringLiteral(" Ann "), QStringLiteral("Lee"), QStringLiteral("Apt 4")),
                  strings({"Ann Lee", "12 Oak Ave", "Apt 4", "Springfield IL 62701", ""})},
        LabelCase{"an empty first name leaves a leading blank", person(QString(), QStringLiteral("Lee")),
                  strings({" Lee", "12 Oak Ave", "Springfield IL 62701", "", ""})},
        LabelCase{"a blank second line counts as empty",
                  person(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("   ")),
                  strings({"Ann Lee", "12 Oak Ave", "Springfield IL 62701", "", ""})}),
    [](const ::testing::TestParamInfo<LabelCase> &info) { return tabulo::test::caseName(info.param.what); });

TEST(CompanyLabelLines, HaveFourLinesAndTheCityLineWithBlanks) {
    MemberFields company{QString(),
                         QStringLiteral("Acme Tools"),
                         QStringLiteral("9 Elm Rd"),
                         QString(),
                         QStringLiteral("Springfield"),
                         QStringLiteral("IL"),
                         QStringLiteral("62701")};
    EXPECT_EQ(companyLabelLines(company), strings({"Acme Tools", "9 Elm Rd", "Springfield IL 62701", ""}));
    company.addr2 = QStringLiteral("Suite 5");
    EXPECT_EQ(companyLabelLines(company),
              strings({"Acme Tools", "9 Elm Rd", "Suite 5", "Springfield IL 62701"}));
}

TEST(LabelGeometry, PlacesThreeAcrossTenDownThenANewPage) {
    const LabelGeometry names = LabelGeometry::forKind(ReportKind::NameLabels);
    EXPECT_EQ(names.perPage(), 30);
    struct {
        int index, page, x, y;
    } cases[] = {{0, 0, 177, 500},  {1, 0, 2927, 500},   {2, 0, 5677, 500},
                 {3, 0, 177, 1500}, {29, 0, 5677, 9500}, {30, 1, 177, 500}};
    for (const auto &c : cases) {
        const auto slot = names.slot(c.index);
        EXPECT_EQ(slot.page, c.page) << c.index;
        EXPECT_EQ(slot.x, c.x) << c.index;
        EXPECT_EQ(slot.y, c.y) << c.index;
    }
    const LabelGeometry companies = LabelGeometry::forKind(ReportKind::CompanyLabels);
    EXPECT_EQ(companies.across(), 3);
    EXPECT_EQ(companies.slot(1).x, 177 + 2562 + 208);
}

TEST(LabelPages, CutLinesAtThirtyCharactersAndPutTheThirtyFirstOnPageTwo) {
    LabelPages pages(ReportKind::NameLabels);
    const QString longLine = QStringLiteral("123456789012345678901234567890XYZ");
    for (int i = 0; i < 31; ++i)
        pages.add({QStringLiteral("Label %1").arg(i + 1), longLine, QStringLiteral("City ST 12345"), {}, {}});
    const ReportDocument doc = pages.take();
    ASSERT_EQ(doc.pageCount(), 2);
    ASSERT_EQ(doc.pages[1].texts.size(), 3u);
    EXPECT_EQ(doc.pages[1].texts[0].text, QStringLiteral("Label 31"));
    EXPECT_EQ(doc.pages[0].texts[1].text, longLine.left(30));
    // Lines sit at the label's line offsets; empty lines draw nothing.
    EXPECT_EQ(doc.pages[0].texts[0].x, 177 + 177);
    EXPECT_EQ(doc.pages[0].texts[0].y, 500 + 10);
    EXPECT_EQ(doc.pages[0].texts[2].y, 500 + 427);
}

TEST(PhoneListTexts, FollowTheirPictures) {
    const PhoneHeading heading =
        namePhoneHeading(person(QStringLiteral("Ann"), QStringLiteral("Lee"), QStringLiteral("Apt 4")));
    EXPECT_EQ(heading.name, QStringLiteral("Ann Lee"));
    EXPECT_EQ(heading.address, QStringList{QStringLiteral("12 Oak Ave, Apt 4, Springfield, IL 62701")});
    MemberFields company{QString(),
                         QStringLiteral("Acme"),
                         QStringLiteral("9 Elm Rd"),
                         QString(),
                         QStringLiteral("Springfield"),
                         QStringLiteral("IL"),
                         QStringLiteral("62701")};
    EXPECT_EQ(companyPhoneHeading(company).address.value(1), QStringLiteral("Springfield IL 62701"));
    const PhoneFields phone{QStringLiteral("Home"), QStringLiteral("5551234567"), QStringLiteral("12"),
                            QStringLiteral("Desk")};
    EXPECT_EQ(namePhoneLine(phone), strings({"Home", "(555) 123-4567", "12"}));
    EXPECT_EQ(companyPhoneLine(phone), strings({"(555) 123-4567", "12", "Home", "Desk"}));
    EXPECT_EQ(categoryLine(ReportKind::NamePhoneList, QStringLiteral("All")),
              QStringLiteral("All Categories"));
    EXPECT_EQ(categoryLine(ReportKind::CompanyPhoneList, QStringLiteral("All")),
              QStringLiteral("All Groups"));
    EXPECT_EQ(categoryLine(ReportKind::NamePhoneList, QStringLiteral("Friends")), QStringLiteral("Friends"));
    EXPECT_EQ(tabulo::engine::gui::ProgressWindow::completedText(4), QStringLiteral("  4% Completed"));
    EXPECT_EQ(tabulo::engine::gui::ProgressWindow::completedText(100), QStringLiteral("100% Completed"));
    EXPECT_EQ(pageFooter(12), QStringLiteral("Page 12"));
}

TEST(PhoneListPages, KeepAHeadingWithItsFirstLine) {
    PhoneListPages pages(ReportKind::NamePhoneList, QStringLiteral("All Categories"));
    const PhoneListGeometry g = PhoneListGeometry::forKind(ReportKind::NamePhoneList);
    // Fill a page with members of one phone each until the next heading
    // would be left alone at the foot.
    const int perMember = g.headingHeight + g.lineHeight;
    const int fit = g.body.height / perMember;
    for (int m = 1; m <= fit + 1; ++m)
        pages.add({m,
                   {QStringLiteral("Member %1").arg(m), {QStringLiteral("Street")}},
                   true,
                   strings({"Home", "(555) 123-4567", ""})});
    const ReportDocument doc = pages.take();
    ASSERT_EQ(doc.pageCount(), 2);
    auto has = [](const ReportPage &page, const QString &text) {
        return std::any_of(page.texts.begin(), page.texts.end(),
                           [&](const PageText &t) { return t.text == text; });
    };
    EXPECT_TRUE(has(doc.pages[1], QStringLiteral("Member %1").arg(fit + 1)));
    EXPECT_FALSE(has(doc.pages[0], QStringLiteral("Member %1").arg(fit + 1)));
    for (const ReportPage &page : doc.pages) {
        EXPECT_TRUE(has(page, QStringLiteral("Name Phone List")));
        EXPECT_TRUE(has(page, QStringLiteral("All Categories")));
        for (const PageText &t : page.texts)
            if (t.text.startsWith(QLatin1String("Member")))
                EXPECT_LE(t.y + g.headingHeight + g.lineHeight, g.body.top + g.body.height + 60);
    }
    EXPECT_TRUE(has(doc.pages[1], QStringLiteral("Page 2")));
}

} // namespace
