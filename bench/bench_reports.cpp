// Name labels and the name phone list for 100,000 people (each with one
// phone) written to PDF, beside a bare QPainter loop that draws the same
// strings at the same positions into a QPdfWriter. The reports' own time
// includes reading the links, people and phones and laying them out.
// Counters: pages, the page images' size, and the process's peak memory.
#include "BenchSupport.h"
#include "engine/Globals.h"
#include "reports/ReportRun.h"
#include "reports/gui/PagePainter.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <benchmark/benchmark.h>

using namespace tabulo;

namespace {

constexpr int kPeople = 100'000;

QString dataDir() {
    return bench::cachedDataDir(QStringLiteral("reports-%1").arg(kPeople));
}
QString pdfFile(const char *name) {
    return QDir::temp().filePath(QString::fromLatin1(name));
}

void buildData() {
    const QString dir = dataDir();
    if (!bench::startBuild(dir))
        return;
    store::Store &store = store::Store::instance();
    store.setDirectory(dir);
    store::Table &nam = store.use(QStringLiteral("QKnam"));
    store::Table &jnc = store.use(QStringLiteral("QKjnc"));
    store::Table &fon = store.use(QStringLiteral("QKfon"));
    for (store::Table *t : {&nam, &jnc, &fon})
        t->lock(60);
    for (qint64 i = 1; i <= kPeople; ++i) {
        const QString last = QStringLiteral("Last%1").arg(i, 6, 10, QLatin1Char('0'));
        const QString first = QStringLiteral("First%1").arg(i % 5000);
        bench::addPerson(nam, i, last, first,
                         {{"NAM:ADDR1", QStringLiteral("%1 Main Street").arg(i % 9999)},
                          {"NAM:ADDR2", i % 3 == 0 ? QStringLiteral("Apt %1").arg(i % 99) : QString()},
                          {"NAM:CITY", QStringLiteral("Springfield")},
                          {"NAM:STATE", QStringLiteral("IL")},
                          {"NAM:ZIP", QStringLiteral("62701")}});
        bench::addNameLink(jnc, i, i, 0, last, first);
        bench::addPhone(fon, i, "FON:NAM_CTRL", i, QStringLiteral("Home"),
                        QStringLiteral("217555%1").arg(i % 10000, 4, 10, QLatin1Char('0')));
        if (i % 20000 == 0)
            for (store::Table *t : {&nam, &jnc, &fon})
                t->flush();
    }
    for (store::Table *t : {&nam, &jnc, &fon})
        t->unlock();
    for (const char *name : {"QKnam", "QKjnc", "QKfon"})
        store.release(QString::fromLatin1(name));
    bench::finishBuild(dir);
}

void useData() {
    static const bool ready = [] {
        buildData();
        store::Store::instance().setDirectory(dataDir());
        engine::setCurrentCategory(0, QStringLiteral("All"));
        return true;
    }();
    (void)ready;
}

// The process's peak resident memory in MB.
double peakMegabytes() {
    const long kb = bench::peakResidentKb();
    return kb < 0 ? -1 : kb / 1024.0;
}

// What the page images hold, in MB.
double documentMegabytes(const reports::ReportDocument &document) {
    double bytes = 0;
    for (const reports::ReportPage &page : document.pages) {
        bytes += sizeof(page) + page.texts.capacity() * sizeof(reports::PageText) +
                 page.rules.capacity() * sizeof(reports::PageRule);
        for (const reports::PageText &t : page.texts)
            bytes += t.text.capacity() * 2.0 + 24;
    }
    return bytes / (1024.0 * 1024.0);
}

const reports::ReportDocument &layout(reports::ReportKind kind) {
    static std::map<reports::ReportKind, reports::ReportDocument> documents;
    auto it = documents.find(kind);
    if (it == documents.end()) {
        std::optional<reports::ReportRun::Failure> failure;
        it = documents.emplace(kind, reports::runReport(kind, failure)).first;
    }
    return it->second;
}

void runReport(benchmark::State &state, reports::ReportKind kind, const char *file) {
    useData();
    int pages = 0;
    double images = 0;
    for (auto _ : state) {
        std::optional<reports::ReportRun::Failure> failure;
        reports::ReportDocument document = reports::runReport(kind, failure);
        const QString problem = reports::gui::writePdf(document, pdfFile(file));
        if (!problem.isEmpty() || failure)
            state.SkipWithError("the report failed");
        pages = document.pageCount();
        images = documentMegabytes(document);
    }
    state.counters["pages"] = pages;
    state.counters["pageImagesMB"] = images;
    state.counters["peakRssMB"] = peakMegabytes();
}

// The same strings at the same positions with the same fonts, drawn by a
// plain loop: what writing the PDF costs by itself.
void bareLoop(benchmark::State &state, reports::ReportKind kind, const char *file) {
    useData();
    const reports::ReportDocument &document = layout(kind);
    for (auto _ : state) {
        QPdfWriter writer(pdfFile(file));
        writer.setResolution(1200);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        painter.scale(1.2, 1.2);
        std::vector<QFont> fonts;
        for (const reports::ReportFont &f : document.fonts) {
            QFont font(QStringLiteral("Liberation Sans"));
            font.setPointSizeF(f.points * 1000.0 / writer.logicalDpiY());
            font.setBold(f.bold);
            fonts.push_back(font);
        }
        bool first = true;
        for (const reports::ReportPage &page : document.pages) {
            if (!first)
                writer.newPage();
            first = false;
            for (const reports::PageText &t : page.texts) {
                painter.setFont(fonts[t.font]);
                painter.drawText(QPointF(t.x, t.y + 150), t.text);
            }
        }
        painter.end();
    }
    state.counters["pages"] = document.pageCount();
    state.counters["peakRssMB"] = peakMegabytes();
}

void BM_NameLabelsToPdf(benchmark::State &state) {
    runReport(state, reports::ReportKind::NameLabels, "tabulo-bench-labels.pdf");
}
void BM_BareLoopLabelsToPdf(benchmark::State &state) {
    bareLoop(state, reports::ReportKind::NameLabels, "tabulo-bench-labels-bare.pdf");
}
void BM_NamePhoneListToPdf(benchmark::State &state) {
    runReport(state, reports::ReportKind::NamePhoneList, "tabulo-bench-phones.pdf");
}
void BM_BareLoopPhoneListToPdf(benchmark::State &state) {
    bareLoop(state, reports::ReportKind::NamePhoneList, "tabulo-bench-phones-bare.pdf");
}
// The pass and layout alone, without the PDF.
void BM_NameLabelsPassOnly(benchmark::State &state) {
    useData();
    for (auto _ : state) {
        std::optional<reports::ReportRun::Failure> failure;
        benchmark::DoNotOptimize(reports::runReport(reports::ReportKind::NameLabels, failure).pageCount());
    }
}

void BM_NamePhoneListPassOnly(benchmark::State &state) {
    useData();
    for (auto _ : state) {
        std::optional<reports::ReportRun::Failure> failure;
        benchmark::DoNotOptimize(reports::runReport(reports::ReportKind::NamePhoneList, failure).pageCount());
    }
}

// The bare loops first, so their peak memory is not the reports'.
BENCHMARK(BM_BareLoopLabelsToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NameLabelsToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BareLoopPhoneListToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NamePhoneListToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NameLabelsPassOnly)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_NamePhoneListPassOnly)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
