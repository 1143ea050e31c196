#include "exchange/ContactExport.h"

#include "exchange/ContactMapping.h"
#include "exchange/Csv.h"
#include "exchange/VCard.h"
#include "store/Store.h"

#include <QSaveFile>

#include <algorithm>
#include <future>
#include <thread>
#include <unordered_map>
#include <unordered_set>

namespace tabulo::exchange {

using store::Record;
using store::StoreError;
using store::Table;

namespace {

// Reads every record of a table in storage order, calling `row` on each.
StoreError scan(Table &t, const std::function<void(const Record &)> &row) {
    t.send(QStringLiteral("QUICKSCAN=on"));
    store::Cursor cursor(t);
    cursor.setReadAhead(2000);
    cursor.toStart();
    StoreError result;
    for (;;) {
        const StoreError e = cursor.next();
        if (e.code == store::Code::EndOfFile)
            break;
        if (e) {
            result = e;
            break;
        }
        row(t.record());
    }
    t.send(QStringLiteral("QUICKSCAN=off"));
    return result;
}

int idx(const Table &t, const char *f) {
    return t.def().fieldIndex(QString::fromLatin1(f));
}

// A ten-digit number as the lists show it; any other as stored.
QString shownNumber(const QString &stored) {
    if (stored.size() == 10 && std::all_of(stored.begin(), stored.end(), [](QChar c) { return c.isDigit(); }))
        return QStringLiteral("(%1) %2-%3").arg(stored.left(3), stored.mid(3, 3), stored.mid(6));
    return stored;
}

struct Owned {
    std::vector<ContactPhone> phones;
    std::vector<std::pair<int, ContactNote>> notes; // by order number
    std::vector<qint64> categories;
};

} // namespace

QString ExportSummary::text() const {
    QString t = QStringLiteral("People exported: %1\nCompanies exported: %2\n").arg(people).arg(companies);
    if (cancelled)
        t += QStringLiteral("The export was cancelled.\n");
    if (!failure.isEmpty())
        t += failure + QLatin1Char('\n');
    return t;
}

bool exportFormatFromName(const QString &name, ExportFormat &format) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("vcard") || n == QLatin1String("vcard4") || n == QLatin1String("vcf"))
        format = ExportFormat::VCard4;
    else if (n == QLatin1String("vcard3"))
        format = ExportFormat::VCard3;
    else if (n == QLatin1String("csv"))
        format = ExportFormat::Csv;
    else
        return false;
    return true;
}

std::vector<Contact> collectContacts(const ExportOptions &options, ExportSummary &summary) {
    store::TableUse use({QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem"),
                         QStringLiteral("QKcat"), QStringLiteral("QKjnc"), QStringLiteral("QKcmp"),
                         QStringLiteral("QKgrp"), QStringLiteral("QKjcg")});
    Table &nam = use[QStringLiteral("QKnam")];
    Table &fon = use[QStringLiteral("QKfon")];
    Table &mem = use[QStringLiteral("QKmem")];
    Table &cat = use[QStringLiteral("QKcat")];
    Table &jnc = use[QStringLiteral("QKjnc")];
    Table &cmp = use[QStringLiteral("QKcmp")];
    Table &grp = use[QStringLiteral("QKgrp")];
    Table &jcg = use[QStringLiteral("QKjcg")];
    // The fields read, looked up once rather than for every record.
    const int catCategory = idx(cat, "CATEGORY");
    const int cmpAdd2 = idx(cmp, "ADD2");
    const int cmpAddr1 = idx(cmp, "ADDR1");
    const int cmpBusiness = idx(cmp, "BUSINESS");
    const int cmpCity = idx(cmp, "CITY");
    const int cmpCountry = idx(cmp, "COUNTRY");
    const int cmpEmailaddress = idx(cmp, "EMAILADDRESS");
    const int cmpName = idx(cmp, "NAME");
    const int cmpState = idx(cmp, "STATE");
    const int cmpWebaddress = idx(cmp, "WEBADDRESS");
    const int cmpZip = idx(cmp, "ZIP");
    const int fonCmpCtrl = idx(fon, "CMP_CTRL");
    const int fonExt = idx(fon, "EXT");
    const int fonLocation = idx(fon, "LOCATION");
    const int fonName = idx(fon, "NAME");
    const int fonNamCtrl = idx(fon, "NAM_CTRL");
    const int fonNumber = idx(fon, "NUMBER");
    const int grpGroup = idx(grp, "GROUP");
    const int jcgCmpCtrl = idx(jcg, "CMP_CTRL");
    const int jcgGrpCtrl = idx(jcg, "GRP_CTRL");
    const int jncCatCtrl = idx(jnc, "CAT_CTRL");
    const int jncNamCtrl = idx(jnc, "NAM_CTRL");
    const int memCmpCtrl = idx(mem, "CMP_CTRL");
    const int memDate = idx(mem, "DATE");
    const int memNamCtrl = idx(mem, "NAM_CTRL");
    const int memOrder = idx(mem, "ORDER");
    const int memUpdate = idx(mem, "UPDATE");
    const int namAddr1 = idx(nam, "ADDR1");
    const int namAddr2 = idx(nam, "ADDR2");
    const int namCity = idx(nam, "CITY");
    const int namCmpCtrl = idx(nam, "CMP_CTRL");
    const int namCountry = idx(nam, "COUNTRY");
    const int namDob = idx(nam, "DOB");
    const int namEmailaddress = idx(nam, "EMAILADDRESS");
    const int namFname = idx(nam, "FNAME");
    const int namLname = idx(nam, "LNAME");
    const int namState = idx(nam, "STATE");
    const int namZip = idx(nam, "ZIP");
    std::vector<Contact> out;
    const bool withPeople = options.scope != ExportScope::Companies;
    const bool withCompanies = options.scope != ExportScope::People;
    const auto failed = [&](const StoreError &e) {
        summary.failure = QStringLiteral("Reading %1 failed: %2").arg(e.file, e.text);
        return std::vector<Contact>{};
    };

    // Each table has a connection of its own: the links, the phones and the
    // notes are read side by side, each into maps of its own, while the
    // caller waits.
    std::unordered_set<qint64> people, companies;
    const bool peopleByCategory = options.scope == ExportScope::People && options.category != 0;
    const bool companiesByCategory = options.scope == ExportScope::Companies && options.category != 0;
    struct Owners {
        std::unordered_map<qint64, Owned> byPerson, byCompany;
        // What a phone or note of that person or company belongs to; none
        // when it has no owner, or one left out of the export.
        Owned *of(qint64 person, qint64 company, bool withPeople, bool withCompanies) {
            if ((person == 0 && company == 0) || (person != 0 && !withPeople) || (person == 0 && !withCompanies))
                return nullptr;
            return person != 0 ? &byPerson[person] : &byCompany[company];
        }
    };
    Owners linked, phoned, noted;
    // A link table's categories by owner, and the owners in the category
    // exported.
    const auto readLinks = [&options](Table &t, int ownerField, int categoryField, bool byCategory, bool wanted,
                                      std::unordered_set<qint64> &chosen, std::unordered_map<qint64, Owned> &owned) {
        return scan(t, [&](const Record &r) {
            const qint64 owner = r.integer(ownerField);
            const qint64 category = r.integer(categoryField);
            if (byCategory && category == options.category)
                chosen.insert(owner);
            if (category != 0 && wanted)
                owned[owner].categories.push_back(category);
        });
    };
    std::future<StoreError> links = std::async(std::launch::async, [&] {
        const StoreError e =
            readLinks(jnc, jncNamCtrl, jncCatCtrl, peopleByCategory, withPeople, people, linked.byPerson);
        return e ? e
                 : readLinks(jcg, jcgCmpCtrl, jcgGrpCtrl, companiesByCategory, withCompanies, companies,
                             linked.byCompany);
    });
    std::future<StoreError> phones = std::async(std::launch::async, [&] {
        return scan(fon, [&](const Record &r) {
            if (Owned *owner = phoned.of(r.integer(fonNamCtrl), r.integer(fonCmpCtrl), withPeople, withCompanies))
                owner->phones.push_back(
                    {r.text(fonLocation), shownNumber(r.text(fonNumber)), r.text(fonExt), r.text(fonName)});
        });
    });
    std::unordered_map<qint64, QString> categoryNames, groupNames;
    StoreError e = scan(cat, [&](const Record &r) { categoryNames[r.integer(0)] = r.text(catCategory); });
    if (!e)
        e = scan(grp, [&](const Record &r) { groupNames[r.integer(0)] = r.text(grpGroup); });
    if (!e)
        e = scan(mem, [&](const Record &r) {
            if (Owned *owner = noted.of(r.integer(memNamCtrl), r.integer(memCmpCtrl), withPeople, withCompanies))
                owner->notes.emplace_back(static_cast<int>(r.integer(memOrder)),
                                          ContactNote{static_cast<int>(r.integer(memDate)),
                                                      static_cast<int>(r.integer(memUpdate)), r.memo()});
        });
    for (std::future<StoreError> *side : {&links, &phones}) {
        StoreError sideError = side->get();
        if (sideError && !e)
            e = sideError;
    }
    if (e)
        return failed(e);

    // What an owner has: its phones, notes and categories, from the maps
    // each reading made.
    const auto fill = [&](Contact &c, qint64 owner, std::unordered_map<qint64, Owned> Owners::*which,
                          const std::unordered_map<qint64, QString> &names) {
        if (auto owned = (phoned.*which).find(owner); owned != (phoned.*which).end())
            c.phones = std::move(owned->second.phones);
        if (auto owned = (noted.*which).find(owner); owned != (noted.*which).end()) {
            auto &notes = owned->second.notes;
            std::stable_sort(notes.begin(), notes.end(),
                             [](const auto &x, const auto &y) { return x.first < y.first; });
            for (auto &[order, note] : notes)
                c.notes.push_back(std::move(note));
        }
        if (auto owned = (linked.*which).find(owner); owned != (linked.*which).end()) {
            for (const qint64 k : owned->second.categories) {
                const auto found = names.find(k);
                if (found != names.end() && !c.categories.contains(found->second))
                    c.categories.append(found->second);
            }
        }
    };

    std::unordered_map<qint64, QString> companyNames;
    std::vector<Contact> companyCards;
    e = scan(cmp, [&](const Record &r) {
        const qint64 number = r.integer(0);
        companyNames[number] = r.text(cmpName);
        if (!withCompanies || (companiesByCategory && !companies.count(number)))
            return;
        Contact c;
        c.isCompany = true;
        c.company = r.text(cmpName);
        c.business = r.text(cmpBusiness);
        c.addr1 = r.text(cmpAddr1);
        c.addr2 = r.text(cmpAdd2);
        c.city = r.text(cmpCity);
        c.state = r.text(cmpState);
        c.zip = r.text(cmpZip);
        c.country = r.text(cmpCountry);
        c.email = r.text(cmpEmailaddress);
        c.web = r.text(cmpWebaddress);
        fill(c, number, &Owners::byCompany, groupNames);
        companyCards.push_back(std::move(c));
    });
    if (e)
        return failed(e);
    summary.companies = static_cast<int>(companyCards.size());
    out = std::move(companyCards);

    if (withPeople) {
        e = scan(nam, [&](const Record &r) {
            const qint64 number = r.integer(0);
            if (peopleByCategory && !people.count(number))
                return;
            Contact c;
            c.lastName = r.text(namLname);
            c.firstName = r.text(namFname);
            c.addr1 = r.text(namAddr1);
            c.addr2 = r.text(namAddr2);
            c.city = r.text(namCity);
            c.state = r.text(namState);
            c.zip = r.text(namZip);
            c.country = r.text(namCountry);
            c.email = r.text(namEmailaddress);
            c.birthday = static_cast<int>(r.integer(namDob));
            if (const qint64 company = r.integer(namCmpCtrl); company != 0) {
                if (auto found = companyNames.find(company); found != companyNames.end())
                    c.company = found->second;
            }
            fill(c, number, &Owners::byPerson, categoryNames);
            out.push_back(std::move(c));
            ++summary.people;
        });
        if (e)
            return failed(e);
    }
    return out;
}

std::vector<QByteArray> formatContacts(const std::vector<Contact> &contacts, ExportFormat format) {
    // Many cards are written in pieces side by side, one piece per core (up
    // to four), each a run of whole cards in the list's order.
    constexpr size_t kCardsPerPiece = 5000;
    const size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const size_t pieces = std::clamp<size_t>(contacts.size() / kCardsPerPiece, 1, std::min<size_t>(cores, 4));
    int phones = 0, notes = 0;
    if (format == ExportFormat::Csv) {
        for (const Contact &c : contacts) {
            phones = std::max(phones, static_cast<int>(c.phones.size()));
            notes = std::max(notes, static_cast<int>(c.notes.size()));
        }
    }
    const auto piece = [&](size_t from, size_t to) {
        if (format == ExportFormat::Csv) {
            QByteArray out = from == 0 ? csvRow(csvHeader(phones, notes)) : QByteArray();
            for (size_t i = from; i < to; ++i)
                out += csvRow(csvRowFor(contacts[i], phones, notes));
            return out;
        }
        VCardWriter writer(format == ExportFormat::VCard3 ? VCardVersion::V3 : VCardVersion::V4);
        writer.bytes().reserve(static_cast<qsizetype>(to - from) * 400);
        for (size_t i = from; i < to; ++i)
            writeCard(writer, contacts[i]);
        return std::move(writer.bytes());
    };
    const size_t step = contacts.size() / pieces;
    std::vector<std::future<QByteArray>> later;
    for (size_t i = 1; i < pieces; ++i)
        later.push_back(std::async(std::launch::async, piece, step * i, i + 1 == pieces ? contacts.size() : step * (i + 1)));
    std::vector<QByteArray> out;
    out.push_back(piece(0, pieces == 1 ? contacts.size() : step));
    for (auto &f : later)
        out.push_back(f.get());
    return out;
}

ExportSummary exportFile(const QString &path, const ExportOptions &options) {
    ExportSummary summary;
    const std::vector<Contact> contacts = collectContacts(options, summary);
    if (!summary.ok())
        return summary;
    if (options.progress && !options.progress(0, static_cast<int>(contacts.size()))) {
        summary.cancelled = true;
        return summary;
    }
    const std::vector<QByteArray> pieces = formatContacts(contacts, options.format);
    // Written whole or not at all: an earlier file of that name stays until
    // the new one is complete.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly);
    for (const QByteArray &bytes : pieces)
        written = written && file.write(bytes) == bytes.size();
    if (!written || !file.commit()) {
        summary.failure = QStringLiteral("The file %1 cannot be written: %2").arg(path, file.errorString());
        return summary;
    }
    if (options.progress)
        options.progress(static_cast<int>(contacts.size()), static_cast<int>(contacts.size()));
    return summary;
}

} // namespace tabulo::exchange
