#include "exchange/ContactImport.h"

#include "exchange/Csv.h"
#include "exchange/VCard.h"

#include <algorithm>
#include <future>
#include <thread>

// Reading a file of contacts, before anything is stored: a vCard file in
// pieces side by side, or a CSV table through its column mapping.

namespace tabulo::exchange {

namespace {

// A piece of a vCard file that a reader takes alone: from a byte
// position, the line there being line `firstLine` of the file.
struct CardRun {
    qsizetype from = 0;
    qsizetype to = 0;
    int firstLine = 1;
};

int readingThreads(qsizetype bytes) {
    // Reading comes before any writing and has the cores to itself: a few
    // hundred cards already pay for a second thread.
    constexpr qsizetype kBytesPerThread = 64 << 10;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return static_cast<int>(std::clamp<qsizetype>(bytes / kBytesPerThread, 1, std::min(cores, 4)));
}

// Cuts the file into about `count` runs, each cut at a line BEGIN:VCARD
// that follows a line END:VCARD (not joined to the line before it by a
// quoted-printable soft break): there a reader's state is the same as at
// the start of the file, so the runs read alone give what the whole gives.
std::vector<CardRun> splitIntoCardRuns(const QByteArray &data, int count) {
    std::vector<CardRun> runs;
    CardRun run;
    run.to = data.size();
    const qsizetype size = data.size();
    const qsizetype step = size / std::max(1, count);
    qsizetype pos = 0;
    int line = 1;
    // The line breaks the reader counts: "\r\n", "\n" or "\r".
    auto nextLine = [&](qsizetype at, qsizetype &lineEnd) {
        qsizetype end = at;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        lineEnd = end;
        if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
            ++end;
        return end + 1;
    };
    auto isLine = [&](qsizetype at, qsizetype end, QByteArrayView text) {
        return QByteArrayView(data).sliced(at, end - at).trimmed().compare(text, Qt::CaseInsensitive) == 0;
    };
    qsizetype before = -1, beforeEnd = -1; // the line before the last one
    qsizetype last = -1, lastEnd = -1;
    for (int i = 1; i < count; ++i) {
        const qsizetype wanted = step * i;
        bool found = false;
        while (pos < size && !found) {
            qsizetype end = 0;
            const qsizetype next = nextLine(pos, end);
            if (pos >= wanted && last >= 0 && isLine(pos, end, "BEGIN:VCARD") && isLine(last, lastEnd, "END:VCARD")
                && !(before >= 0 && beforeEnd > before && data[beforeEnd - 1] == '=')) {
                run.to = pos;
                runs.push_back(run);
                run = CardRun{pos, size, line};
                found = true;
            }
            before = last;
            beforeEnd = lastEnd;
            last = pos;
            lastEnd = end;
            pos = next;
            ++line;
        }
    }
    run.to = size;
    runs.push_back(run);
    return runs;
}

ParsedContacts readCardRun(const QByteArray &data, const CardRun &run) {
    ParsedContacts parsed;
    const VCardFile file = readVCards(
        run.from == 0 && run.to == data.size() ? data : QByteArray::fromRawData(data.constData() + run.from, run.to - run.from));
    const int offset = run.firstLine - 1;
    parsed.contacts.reserve(file.cards.size());
    for (const VCardCard &card : file.cards) {
        parsed.contacts.push_back(contactFromCard(card));
        parsed.contacts.back().line += offset;
    }
    for (const VCardProblem &p : file.problems)
        parsed.problems.push_back({p.line + offset, p.text});
    return parsed;
}

} // namespace

ParsedContacts parseContacts(const QByteArray &data, const std::optional<CsvMapping> &mapping) {
    ParsedContacts parsed;
    if (looksLikeVCard(data)) {
        // A file of more than a few hundred cards is read in pieces side by side.
        return parseVCardsInPieces(data, readingThreads(data.size()));
    }
    parsed.isCsv = true;
    const CsvTable table = readCsv(data);
    if (table.binary || table.rows.empty()) {
        parsed.failure = table.binary ? QStringLiteral("The file is neither a vCard nor a CSV text file.")
                                      : QStringLiteral("The file is empty.");
        return parsed;
    }
    parsed.header = table.rows.front().fields;
    std::optional<CsvMapping> used = mapping ? mapping : recognizeCsvHeader(parsed.header);
    if (!mapping)
        parsed.unknownColumns = unknownCsvHeaders(parsed.header);
    if (!used) {
        parsed.needsMapping = true;
        parsed.failure =
            QStringLiteral("The file is neither a vCard nor a CSV file with known column headers.");
        if (!parsed.unknownColumns.isEmpty())
            parsed.failure +=
                QStringLiteral(" Headers not known: %1.").arg(quotedList(parsed.unknownColumns));
        return parsed;
    }
    const qsizetype columns = parsed.header.size();
    for (size_t i = 1; i < table.rows.size(); ++i) {
        const CsvRow &row = table.rows[i];
        QStringList fields = row.fields;
        if (fields.size() > columns) {
            // Some exporters end every row with a separator the header lacks
            // (an empty column more): empty columns past the header lose
            // nothing, text in them would be lost without a word.
            const bool emptyBeyond = std::all_of(fields.cbegin() + columns, fields.cend(),
                                                 [](const QString &f) { return f.trimmed().isEmpty(); });
            if (!emptyBeyond) {
                const Contact c = contactFromCsvRow(fields.mid(0, columns), *used);
                const QString who =
                    c.isCompany ? c.company
                                : QStringList{c.firstName, c.lastName}.join(QLatin1Char(' ')).trimmed();
                parsed.problems.push_back(
                    {row.line,
                     QStringLiteral("%1%2 columns where the header has %3; the columns past the header "
                                    "hold text that has no header")
                         .arg(who.isEmpty() ? QString() : QStringLiteral("\"%1\": ").arg(who))
                         .arg(fields.size())
                         .arg(columns)});
                continue;
            }
            fields.resize(columns);
        }
        if (fields.size() != columns) {
            parsed.problems.push_back(
                {row.line,
                 QStringLiteral("%1 columns where the header has %2").arg(fields.size()).arg(columns)});
            continue;
        }
        Contact c = contactFromCsvRow(fields, *used);
        c.line = row.line;
        parsed.contacts.push_back(std::move(c));
    }
    if (table.unterminatedLine > 0)
        parsed.problems.push_back(
            {table.unterminatedLine, QStringLiteral("quoted field not closed (file cut short?)")});
    return parsed;
}

ParsedContacts parseVCardsInPieces(const QByteArray &data, int pieces) {
    // Each run starts at a card of its own; the runs' cards are joined in
    // the file's order.
    const std::vector<CardRun> runs = splitIntoCardRuns(data, pieces);
    std::vector<std::future<ParsedContacts>> later;
    for (size_t i = 1; i < runs.size(); ++i)
        later.push_back(std::async(std::launch::async, [&data, run = runs[i]] { return readCardRun(data, run); }));
    ParsedContacts parsed = readCardRun(data, runs.front());
    for (auto &piece : later) {
        ParsedContacts more = piece.get();
        parsed.contacts.insert(parsed.contacts.end(), std::make_move_iterator(more.contacts.begin()),
                               std::make_move_iterator(more.contacts.end()));
        parsed.problems.insert(parsed.problems.end(), more.problems.begin(), more.problems.end());
    }
    return parsed;
}

} // namespace tabulo::exchange
