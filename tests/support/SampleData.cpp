#include "support/SampleData.h"

#include "base/DateOps.h"
#include "store/Store.h"

#include <QStringList>
#include <stdexcept>

namespace tabulo::test {

namespace {
void insert(store::Table &table, const char *what) {
    if (!table.insert().ok())
        throw std::runtime_error(std::string("sample data: cannot add ") + what);
}
} // namespace

void fillSampleData(int today, int records) {
    store::Store &store = store::Store::instance();
    const QStringList words = {QStringLiteral("Friends"),       QStringLiteral("Family"),
                               QStringLiteral("Clients"),       QStringLiteral("Suppliers"),
                               QStringLiteral("Church"),        QStringLiteral("School"),
                               QStringLiteral("Neighbors"),     QStringLiteral("Doctors"),
                               QStringLiteral("Holiday Cards"), QStringLiteral("Book Club")};

    store::Table &set = store.use(QStringLiteral("QKset"));
    set.record().clear();
    set.record().setValue(QStringLiteral("SET:MADEFOR"), QStringLiteral("Pat Example"));
    set.record().setValue(QStringLiteral("SET:STATE"), QStringLiteral("OH"));
    set.record().setValue(QStringLiteral("SET:COUNTRY"), QStringLiteral("USA"));
    set.record().setValue(QStringLiteral("SET:AREACODE"), QStringLiteral("614"));
    set.record().setValue(QStringLiteral("SET:ANNLEAD"), 14);
    set.record().setValue(QStringLiteral("SET:DATPOPUP"), 30);
    set.record().setValue(QStringLiteral("SET:POPCHECKED"), 1);
    insert(set, "the setup record");
    store.release(QStringLiteral("QKset"));

    store::Table &cat = store.use(QStringLiteral("QKcat"));
    for (int i = 1; i <= records; ++i) {
        cat.record().clear();
        cat.record().setValue(QStringLiteral("CAT:CTRL_NBR"), i);
        cat.record().setValue(
            QStringLiteral("CAT:CATEGORY"),
            QStringLiteral("%1 %2").arg(words.at(i % words.size())).arg(i, 3, 10, QLatin1Char('0')));
        insert(cat, "a category");
    }
    store.release(QStringLiteral("QKcat"));

    const QStringList cities = {QStringLiteral("Columbus"),   QStringLiteral("Dayton"),
                                QStringLiteral("Akron"),      QStringLiteral("Toledo"),
                                QStringLiteral("Zanesville"), QStringLiteral("Marietta"),
                                QStringLiteral("Lancaster"),  QStringLiteral("Springfield")};
    const QStringList states = {QStringLiteral("OH"), QStringLiteral("IN"), QStringLiteral("PA"),
                                QStringLiteral("KY")};
    store::Table &zip = store.use(QStringLiteral("QKzip"));
    for (int i = 1; i <= records; ++i) {
        zip.record().clear();
        zip.record().setValue(QStringLiteral("ZIP:CTRL_NBR"), i);
        zip.record().setValue(QStringLiteral("ZIP:CITY"),
                              QStringLiteral("%1 %2").arg(cities.at(i % cities.size())).arg(i));
        zip.record().setValue(QStringLiteral("ZIP:STATE"), states.at(i % states.size()));
        zip.record().setValue(QStringLiteral("ZIP:ZIP"), QString::number(43000 + i * 7));
        insert(zip, "a city");
    }
    store.release(QStringLiteral("QKzip"));

    store::Table &dat = store.use(QStringLiteral("QKdat"));
    const QStringList kinds = {QStringLiteral("Year"), QStringLiteral("Month"), QStringLiteral("Week"),
                               QStringLiteral("Days")};
    const QStringList weekdays = {QStringLiteral("Monday"), QStringLiteral("Wednesday"),
                                  QStringLiteral("Friday")};
    for (int i = 1; i <= records; ++i) {
        store::Record &r = dat.record();
        r.clear();
        const QString kind = kinds.at(i % kinds.size());
        r.setValue(QStringLiteral("DAT:CTRL_NBR"), i);
        r.setValue(QStringLiteral("DAT:EVENT"), QStringLiteral("%1's %2 anniversary of a long-kept event")
                                                    .arg(words.at(i % words.size()))
                                                    .arg(i));
        r.setValue(QStringLiteral("DAT:TYPE"), kind);
        r.setValue(QStringLiteral("DAT:DATE"), today - 365 * (i % 40) + (i % 20) - 5);
        r.setValue(QStringLiteral("DAT:LEADDAYS"), 14);
        r.setValue(QStringLiteral("DAT:WEEK"), 1 + i % 4);
        r.setValue(QStringLiteral("DAT:WEEKDAY"), weekdays.at(i % weekdays.size()));
        r.setValue(QStringLiteral("DAT:DAYDATE"), 1 + i % 28);
        r.setValue(QStringLiteral("DAT:NUMBEROFDAYS"), 10 + i);
        r.setMemo(QStringLiteral("A note for event %1.").arg(i));
        insert(dat, "an important date");
    }
    store.release(QStringLiteral("QKdat"));
}

} // namespace tabulo::test
