// The companies list over 200,000 companies with 400,000 phones, 20,000 of
// them also in one category: opening with its count, switching to the
// category, an alphabet jump, and an Address-tab rename of a company in five
// categories.
#include "BenchSupport.h"
#include "companies/gui/CompaniesListWindow.h"
#include "engine/BrowseList.h"
#include "engine/gui/BrowseWindow.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <benchmark/benchmark.h>

#include <random>

using namespace tabulo;

namespace {

constexpr int kCompanies = 200'000;
constexpr int kInCategory = 20'000;
constexpr qint64 kCategory = 3;
constexpr qint64 kFiveLinks = 123'457;

QString dataDir() {
    return bench::cachedDataDir(QStringLiteral("companies-%1").arg(kCompanies));
}

const char *const kWords[] = {"Acme",   "Bolt",    "Crest",  "Delta",    "Eagle",  "Forge", "Globe",
                              "Harbor", "Iron",    "Jade",   "Keystone", "Lumen",  "Metro", "North",
                              "Orbit",  "Pioneer", "Quartz", "Ridge",    "Summit", "Tower", "Union",
                              "Vertex", "Willow",  "Xeno",   "Yonder",   "Zenith"};

void buildData() {
    const QString dir = dataDir();
    if (!bench::startBuild(dir))
        return;
    store::Store &store = store::Store::instance();
    store.setDirectory(dir);
    store::Table &cmp = store.use(QStringLiteral("QKcmp"));
    store::Table &jcg = store.use(QStringLiteral("QKjcg"));
    store::Table &fon = store.use(QStringLiteral("QKfon"));
    store::Table &grp = store.use(QStringLiteral("QKgrp"));
    for (store::Table *t : {&cmp, &jcg, &fon, &grp})
        t->lock(60);
    for (qint64 g = 1; g <= 5; ++g)
        bench::insert(grp, {{"GRP:CTRL_NBR", g}, {"GRP:GROUP", QStringLiteral("Group %1").arg(g)}});
    std::mt19937 rng(11);
    qint64 link = 0, phone = 0;
    auto addLink = [&](qint64 company, qint64 group, const QString &name) {
        bench::addGroupLink(jcg, ++link, company, group, name);
    };
    for (qint64 i = 1; i <= kCompanies; ++i) {
        const QString name = QString::fromLatin1(kWords[rng() % 26]) + QLatin1Char(' ') +
                             QString::fromLatin1(kWords[rng() % 26]) + QString::number(rng() % 100000);
        bench::addCompany(cmp, i, name,
                          {{"CMP:CITY", QStringLiteral("Springfield")}, {"CMP:FON_CTRL", phone + 1}});
        for (int k = 0; k < 2; ++k) {
            ++phone;
            bench::addPhone(fon, phone, "FON:CMP_CTRL", i,
                            k ? QStringLiteral("Sales") : QStringLiteral("Office"),
                            QStringLiteral("614%1").arg(1000000 + phone));
        }
        addLink(i, 0, name);
        if (i % (kCompanies / kInCategory) == 0)
            addLink(i, kCategory, name);
        if (i == kFiveLinks)
            for (qint64 g : {1, 2, 4, 5})
                addLink(i, g, name);
        if (i % 50000 == 0)
            for (store::Table *t : {&cmp, &jcg, &fon})
                t->flush();
    }
    for (store::Table *t : {&cmp, &jcg, &fon, &grp})
        t->unlock();
    for (const char *name : {"QKcmp", "QKjcg", "QKfon", "QKgrp"})
        store.release(QString::fromLatin1(name));
    bench::finishBuild(dir);
}

using bench::closeWindow;
using bench::settle;

companies::gui::CompaniesListWindow *companiesList() {
    static companies::gui::CompaniesListWindow *window = [] {
        buildData();
        store::Store::instance().setDirectory(dataDir());
        auto *w = companies::gui::CompaniesListWindow::open();
        settle();
        return w;
    }();
    return window;
}

void BM_OpenWithCount(benchmark::State &state) {
    buildData();
    store::Store::instance().setDirectory(dataDir());
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto *w = companies::gui::CompaniesListWindow::open();
        auto *count = w->findChild<QLabel *>(QStringLiteral("recordCount"));
        while (count->text().isEmpty())
            QCoreApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);

        state.counters["count"] = count->text().toDouble();
        closeWindow(w);
        store::Store::instance().closeAll();
    }
}
BENCHMARK(BM_OpenWithCount)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OpenToFirstPage(benchmark::State &state) {
    buildData();
    store::Store::instance().setDirectory(dataDir());
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto *w = companies::gui::CompaniesListWindow::open();
        const qint64 constructed = timer.nsecsElapsed();
        while (w->mainList()->engine().rowCount() == 0)
            QCoreApplication::processEvents();
        state.SetIterationTime(timer.nsecsElapsed() / 1e9);
        state.counters["constructMs"] = constructed / 1e6;
        closeWindow(w);
        store::Store::instance().closeAll();
    }
}
BENCHMARK(BM_OpenToFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SwitchToCategory(benchmark::State &state) {
    auto *w = companiesList();
    for (auto _ : state) {
        w->displayCategory(kCategory, QStringLiteral("Group 3"));
        state.PauseTiming();
        w->showAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SwitchToCategory)->Unit(benchmark::kMillisecond);

void BM_AlphabetJump(benchmark::State &state) {
    auto *w = companiesList();
    const char letters[] = "MSBW";
    int i = 0;
    for (auto _ : state)
        w->alphabetJump(QLatin1Char(letters[i++ % 4]));
}
BENCHMARK(BM_AlphabetJump)->Unit(benchmark::kMicrosecond);

void BM_RenameCompanyInFiveCategories(benchmark::State &state) {
    auto *w = companiesList();
    w->showAll();
    store::Table &cmp = store::Store::instance().table(QStringLiteral("QKcmp"));
    cmp.record().clear();
    cmp.record().setValue(QStringLiteral("CMP:CTRL_NBR"), kFiveLinks);
    cmp.fetch(*cmp.def().key(QStringLiteral("CTRL_KEY")));
    const QString name = cmp.record().value(QStringLiteral("NAME")).toString();
    QLineEdit *edit = w->entry(QStringLiteral("CMP:NAME"));
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        store::Record &link = store::Store::instance().table(QStringLiteral("QKjcg")).record();
        link.setValue(QStringLiteral("JCG:GRP_CTRL"), 0);
        link.setValue(QStringLiteral("JCG:COMPANY"), cmp.record().value(QStringLiteral("NAME")));
        w->mainList()->engine().locate(engine::BrowseList::LocateMode::NotBelow);
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &in);
        edit->setText(name + (++round % 2 ? QStringLiteral("x") : QString()));
        state.ResumeTiming();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(edit, &out);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_RenameCompanyInFiveCategories)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    {
        // The program's frame is up before any list opens: its widgets have
        // loaded the style and the fonts, which the first window made in a
        // process pays for once.
        QWidget frame;
        auto *box = new QVBoxLayout(&frame);
        auto *tabs = new QTabWidget;
        tabs->addTab(new QTableWidget(3, 3), QStringLiteral("List"));
        box->addWidget(tabs);
        box->addWidget(new QLineEdit);
        box->addWidget(new QPushButton(QStringLiteral("&OK")));
        frame.show();
        settle();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (auto *w = companies::gui::CompaniesListWindow::openWindow())
        w->close();
    settle();
    store::Store::instance().closeAll();
    return 0;
}
