// Import of 100,000 vCards into an empty data directory, and their export
// again as vCard 4.0 and CSV, in cards per second. Each card is a person
// with a company, two categories, two phones and a note, written as an
// address book would write it.
#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "exchange/ContactMapping.h"
#include "exchange/VCard.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <ctime>

using namespace tabulo;

namespace {

constexpr int kCards = 100'000;

QByteArray sampleCards() {
    exchange::VCardWriter writer(exchange::VCardVersion::V4);
    for (int i = 0; i < kCards; ++i) {
        exchange::Contact c;
        c.lastName = QStringLiteral("Lästname%1").arg(i);
        c.firstName = QStringLiteral("First%1").arg(i % 997);
        c.addr1 = QStringLiteral("%1 Main Street").arg(i);
        c.city = QStringLiteral("Columbus");
        c.state = QStringLiteral("OH");
        c.zip = QStringLiteral("43215");
        c.email = QStringLiteral("person%1@example.com").arg(i);
        c.birthday = 50000 + i % 20000;
        c.company = QStringLiteral("Company %1").arg(i % 500);
        c.categories = {QStringLiteral("Friends"), QStringLiteral("Club %1").arg(i % 3)};
        c.phones = {{QStringLiteral("Home"),
                     QStringLiteral("(614) 555-%1").arg(i % 10000, 4, 10, QLatin1Char('0')),
                     {},
                     {}},
                    {QStringLiteral("Mobile"), QStringLiteral("+1 380 %1").arg(1000000 + i), {}, {}}};
        c.notes = {{0, 0, QStringLiteral("Met at the fair, table %1; said hello.\nCall back.").arg(i)}};
        exchange::writeCard(writer, c);
    }
    return writer.bytes();
}

void BM_ImportThenExport(benchmark::State &state) {
    const QByteArray cards = sampleCards();
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString file = QDir(dir.path()).filePath(QStringLiteral("cards.vcf"));
        {
            QFile f(file);
            f.open(QIODevice::WriteOnly);
            f.write(cards);
        }
        store::Store::instance().setDirectory(dir.path());
        const std::clock_t parseStart = std::clock();
        const exchange::ParsedContacts parsed = exchange::parseContacts(cards);
        const double parseCpu = double(std::clock() - parseStart) / CLOCKS_PER_SEC;
        benchmark::DoNotOptimize(parsed.contacts.size());
        // The machine is shared: the processor time beside the wall time
        // tells what the passes cost when they have a core to themselves.
        QElapsedTimer timer;
        timer.start();
        std::clock_t cpu = std::clock();
        const exchange::ImportSummary imported = exchange::importFile(file);
        const double importSeconds = timer.nsecsElapsed() / 1e9;
        const double importCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        if (!imported.ok() || imported.peopleAdded != kCards)
            state.SkipWithError("import failed");

        exchange::ExportOptions options;
        options.scope = exchange::ExportScope::People;
        timer.restart();
        cpu = std::clock();
        const exchange::ExportSummary exported =
            exchange::exportFile(QDir(dir.path()).filePath(QStringLiteral("out.vcf")), options);
        const double exportSeconds = timer.nsecsElapsed() / 1e9;
        const double exportCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        options.format = exchange::ExportFormat::Csv;
        timer.restart();
        exchange::exportFile(QDir(dir.path()).filePath(QStringLiteral("out.csv")), options);
        const double csvSeconds = timer.nsecsElapsed() / 1e9;
        if (!exported.ok() || exported.people != kCards)
            state.SkipWithError("export failed");
        store::Store::instance().closeAll();

        state.SetIterationTime(importSeconds + exportSeconds);
        state.counters["importCardsPerSec"] = kCards / importSeconds;
        state.counters["exportVCardCardsPerSec"] = kCards / exportSeconds;
        state.counters["exportCsvCardsPerSec"] = kCards / csvSeconds;
        state.counters["importCardsPerCpuSec"] = kCards / importCpu;
        state.counters["parseOnlyCardsPerCpuSec"] = kCards / parseCpu;
        state.counters["exportVCardCardsPerCpuSec"] = kCards / exportCpu;
    }
}
BENCHMARK(BM_ImportThenExport)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
