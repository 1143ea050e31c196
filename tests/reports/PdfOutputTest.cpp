// Reports written to PDF through the command line's routine, read back
// with pdftotext: the text is there as text, and the labels sit where the
// label geometry puts them.
#include "host/BatchCommands.h"
#include "reports/ReportLayout.h"
#include "reports/ReportTestSupport.h"
#include "reports/gui/ReportCommands.h"
#include "support/QStringPrinter.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace tabulo;

namespace {

struct Word {
    int page;
    double xMin, yMin;
    QString text;
    double height = 0;
};

// The words of a PDF with their boxes, in points.
std::vector<Word> wordsOf(const QString &pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    p.waitForFinished(60000);
    const QString html = QString::fromUtf8(p.readAllStandardOutput());
    std::vector<Word> words;
    int page = 0;
    static const QRegularExpression tag(QString::fromLatin1(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page")))
            ++page;
        else
            words.push_back({page, m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(4),
                             m.captured(3).toDouble() - m.captured(2).toDouble()});
    }
    return words;
}

// The fonts a PDF embeds, by their names without the subset tag.
QStringList fontsOf(const QString &pdf) {
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {pdf});
    p.waitForFinished(60000);
    QStringList fonts;
    const QStringList lines = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (qsizetype i = 2; i < lines.size(); ++i) { // after the heading and its rule
        QString name = lines[i].section(QLatin1Char(' '), 0, 0);
        name = name.mid(name.indexOf(QLatin1Char('+')) + 1);
        if (!name.isEmpty() && !fonts.contains(name))
            fonts.append(name);
    }
    fonts.sort();
    return fonts;
}

class PdfOutput : public test::ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        static const bool registered = [] {
            reports::gui::registerReportCommands();
            return true;
        }();
        (void)registered;
    }
    int report(const QString &kind, const QString &category, const QString &file, QString *errors = nullptr) {
        host::BatchRequest request;
        request.value = kind;
        if (!category.isEmpty())
            request.options[QStringLiteral("category")] = category;
        request.options[QStringLiteral("pdf")] = file;
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        const int status = host::findBatchCommand(QStringLiteral("report"))->run(request, out, err);
        out.flush();
        err.flush();
        if (errors)
            *errors = errText;
        return status;
    }
    test::TempDataDir m_out;
};

TEST_F(PdfOutput, LabelsLieOnTheLabelGeometry) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    for (int i = 1; i <= 31; ++i) {
        test::Person p{QStringLiteral("Pat"), QStringLiteral("Person%1").arg(i, 3, 10, QLatin1Char('0'))};
        if (i == 2)
            p.addr1 = QStringLiteral("123 Very Long Street Name Boulevard");
        if (i == 4)
            p.addr2 = QStringLiteral("Apt 4");
        addPerson(p);
    }
    const QString pdf = m_out.file(QStringLiteral("labels.pdf"));
    ASSERT_EQ(report(QStringLiteral("name-labels"), {}, pdf), 0);
    const std::vector<Word> words = wordsOf(pdf);
    ASSERT_FALSE(words.empty()) << "no text in the PDF";

    const reports::LabelGeometry g = reports::LabelGeometry::forKind(reports::ReportKind::NameLabels);
    auto find = [&](int page, double x, double y, const QString &text) {
        for (const Word &w : words)
            if (w.page == page && w.text == text && std::abs(w.xMin - x) <= 0.72 &&
                std::abs(w.yMin - y) <= 0.72)
                return true;
        return false;
    };
    struct Line {
        int label, line;
        const char *firstWord;
    } lines[] = {{0, 0, "Pat"}, {0, 1, "1"},           {0, 2, "Springfield"}, {1, 0, "Pat"},
                 {1, 1, "123"}, {1, 2, "Springfield"}, {3, 0, "Pat"},         {3, 1, "1"},
                 {3, 2, "Apt"}, {3, 3, "Springfield"}};
    for (const Line &l : lines) {
        const auto slot = g.slot(l.label);
        const double x = (slot.x + g.lineLeft) * 72.0 / 1000.0;
        const double y = (slot.y + g.lineTops[static_cast<size_t>(l.line)]) * 72.0 / 1000.0;
        EXPECT_TRUE(find(1, x, y, QString::fromLatin1(l.firstWord)))
            << "label " << l.label + 1 << " line " << l.line + 1 << " expected at " << x << "," << y;
    }
    // The long street is cut at 30 characters; the 31st label opens page 2.
    auto has = [&](int page, const QString &text) {
        return std::any_of(words.begin(), words.end(),
                           [&](const Word &w) { return w.page == page && w.text == text; });
    };
    EXPECT_TRUE(has(1, QStringLiteral("Boul")));
    EXPECT_FALSE(has(1, QStringLiteral("Boulevard")));
    EXPECT_TRUE(has(2, QStringLiteral("Person031")));
    EXPECT_FALSE(has(1, QStringLiteral("Person031")));
    EXPECT_FALSE(has(3, QStringLiteral("Pat")));
}

TEST_F(PdfOutput, TheCommandReportsWhatItCannotDo) {
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")});
    const qint64 friends = addCategory(QStringLiteral("Friends"));
    addPerson({QStringLiteral("Bo"), QStringLiteral("Friend")}, {friends});
    QString errors;
    EXPECT_NE(report(QStringLiteral("name-labels"), QStringLiteral("Strangers"),
                     m_out.file(QStringLiteral("a.pdf")), &errors),
              0);
    EXPECT_TRUE(errors.contains(QLatin1String("Strangers"))) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(m_out.file(QStringLiteral("a.pdf"))));

    EXPECT_NE(
        report(QStringLiteral("name-phones"), {}, m_out.file(QStringLiteral("missing/dir/b.pdf")), &errors),
        0);
    EXPECT_FALSE(errors.isEmpty());

    EXPECT_NE(report(QStringLiteral("addresses"), {}, m_out.file(QStringLiteral("c.pdf")), &errors), 0);

    const QString pdf = m_out.file(QStringLiteral("friends.pdf"));
    EXPECT_EQ(report(QStringLiteral("name-phones"), QStringLiteral("Friends"), pdf, &errors), 0)
        << errors.toStdString();
    EXPECT_TRUE(QFile::exists(pdf));
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        QStringList texts;
        for (const Word &w : wordsOf(pdf))
            texts << w.text;
        EXPECT_TRUE(texts.contains(QStringLiteral("Friend")));
        EXPECT_FALSE(texts.contains(QStringLiteral("Lee")));
        EXPECT_TRUE(texts.contains(QStringLiteral("Friends")));
    }
}

// The phone lists' headings carry their own fonts: Arial (the metric twin
// Liberation Sans) for the title, the address lines and the phone lines,
// MS Sans Serif (given as DejaVu Sans, so that it stays apart from Arial)
// for the category line, the company name and whatever takes the base
// font; bold where the layout says bold. Sizes are compared through the
// word boxes: two words of one family stand in the ratio of their sizes.
TEST_F(PdfOutput, PhoneListHeadingsUseTheirFontsSizesAndWeights) {
    for (const char *tool : {"pdffonts", "pdftotext"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            GTEST_SKIP() << tool << " (poppler-utils) is not installed";
    addPerson({QStringLiteral("Ann"), QStringLiteral("Lee")}, {},
              {{QStringLiteral("Home"), QStringLiteral("6145550100")}});
    addCompany(QStringLiteral("Acme"), QStringLiteral("Springfield"), QStringLiteral("IL"),
               QStringLiteral("62701"), {{QStringLiteral("Main"), QStringLiteral("6145550101")}});
    const struct {
        const char *report;
        QStringList fonts;
        // Word, word, and the ratio of their sizes.
        std::vector<std::tuple<const char *, const char *, double>> sizes;
    } cases[] = {
        {"name-phones",
         {QStringLiteral("DejaVuSans"), QStringLiteral("DejaVuSans-Bold"), QStringLiteral("LiberationSans"),
          QStringLiteral("LiberationSans-Bold")},
         {{"Name", "Page", 14.0 / 8.0}, {"Categories", "Ann", 10.0 / 8.0}}},
        {"company-phones",
         {QStringLiteral("DejaVuSans"), QStringLiteral("DejaVuSans-Bold"), QStringLiteral("LiberationSans"),
          QStringLiteral("LiberationSans-Bold")},
         {{"Company", "Page", 14.0 / 8.0},
          {"Groups", "Acme", 12.0 / 10.0},
          {"Springfield", "Page", 10.0 / 8.0}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.report);
        const QString pdf = m_out.file(QString::fromLatin1(c.report) + QStringLiteral(".pdf"));
        ASSERT_EQ(report(QString::fromLatin1(c.report), {}, pdf), 0);
        EXPECT_EQ(fontsOf(pdf), c.fonts);
        const std::vector<Word> words = wordsOf(pdf);
        const auto height = [&](const char *text) {
            for (const Word &w : words)
                if (w.text == QString::fromLatin1(text))
                    return w.height;
            ADD_FAILURE() << text << " is not in the PDF";
            return 1.0;
        };
        for (const auto &[a, b, ratio] : c.sizes)
            EXPECT_NEAR(height(a) / height(b), ratio, 0.03) << a << " against " << b;
    }
}

} // namespace
