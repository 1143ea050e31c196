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
    set.lock(10); // one write for the lot
    set.record().clear();
    set.record().setValue(QStringLiteral("SET:MADEFOR"), QStringLiteral("Pat Example"));
    set.record().setValue(QStringLiteral("SET:STATE"), QStringLiteral("OH"));
    set.record().setValue(QStringLiteral("SET:COUNTRY"), QStringLiteral("USA"));
    set.record().setValue(QStringLiteral("SET:AREACODE"), QStringLiteral("614"));
    set.record().setValue(QStringLiteral("SET:ANNLEAD"), 14);
    set.record().setValue(QStringLiteral("SET:DATPOPUP"), 30);
    set.record().setValue(QStringLiteral("SET:POPCHECKED"), 1);
    insert(set, "the setup record");
    set.unlock();
    store.release(QStringLiteral("QKset"));

    store::Table &cat = store.use(QStringLiteral("QKcat"));
    cat.lock(10); // one write for the lot
    for (int i = 1; i <= records; ++i) {
        cat.record().clear();
        cat.record().setValue(QStringLiteral("CAT:CTRL_NBR"), i);
        cat.record().setValue(
            QStringLiteral("CAT:CATEGORY"),
            QStringLiteral("%1 %2").arg(words.at(i % words.size())).arg(i, 3, 10, QLatin1Char('0')));
        insert(cat, "a category");
    }
    cat.unlock();
    store.release(QStringLiteral("QKcat"));

    const QStringList cities = {QStringLiteral("Columbus"),   QStringLiteral("Dayton"),
                                QStringLiteral("Akron"),      QStringLiteral("Toledo"),
                                QStringLiteral("Zanesville"), QStringLiteral("Marietta"),
                                QStringLiteral("Lancaster"),  QStringLiteral("Springfield")};
    const QStringList states = {QStringLiteral("OH"), QStringLiteral("IN"), QStringLiteral("PA"),
                                QStringLiteral("KY")};
    store::Table &zip = store.use(QStringLiteral("QKzip"));
    zip.lock(10); // one write for the lot
    for (int i = 1; i <= records; ++i) {
        zip.record().clear();
        zip.record().setValue(QStringLiteral("ZIP:CTRL_NBR"), i);
        zip.record().setValue(QStringLiteral("ZIP:CITY"),
                              QStringLiteral("%1 %2").arg(cities.at(i % cities.size())).arg(i));
        zip.record().setValue(QStringLiteral("ZIP:STATE"), states.at(i % states.size()));
        zip.record().setValue(QStringLiteral("ZIP:ZIP"), QString::number(43000 + i * 7));
        insert(zip, "a city");
    }
    zip.unlock();
    store.release(QStringLiteral("QKzip"));

    // People, each in "All" and one category, with two phones and a note.
    const QStringList lastNames = {
        QStringLiteral("Adams"), QStringLiteral("Baker"),  QStringLiteral("Clark"),  QStringLiteral("Davis"),
        QStringLiteral("Evans"), QStringLiteral("Fisher"), QStringLiteral("Garcia"), QStringLiteral("Harris"),
        QStringLiteral("Jones"), QStringLiteral("Miller"), QStringLiteral("Nelson"), QStringLiteral("Young")};
    const QStringList firstNames = {QStringLiteral("Ann"), QStringLiteral("Bob"), QStringLiteral("Carla"),
                                    QStringLiteral("Dan"), QStringLiteral("Eve")};
    store::Table &nam = store.use(QStringLiteral("QKnam"));
    nam.lock(10); // one write for the lot
    store::Table &jnc = store.use(QStringLiteral("QKjnc"));
    jnc.lock(10); // one write for the lot
    store::Table &fon = store.use(QStringLiteral("QKfon"));
    fon.lock(10); // one write for the lot
    store::Table &mem = store.use(QStringLiteral("QKmem"));
    mem.lock(10); // one write for the lot
    int link = 0;
    for (int i = 1; i <= records; ++i) {
        const QString last =
            lastNames.at(i % lastNames.size()) + (i > lastNames.size() ? QString::number(i) : QString());
        const QString first = firstNames.at(i % firstNames.size());
        store::Record &p = nam.record();
        p.clear();
        p.setValue(QStringLiteral("NAM:CTRL_NBR"), i);
        p.setValue(QStringLiteral("NAM:LNAME"), last);
        p.setValue(QStringLiteral("NAM:FNAME"), first);
        p.setValue(QStringLiteral("NAM:ADDR1"), QStringLiteral("%1 Main Street").arg(100 + i));
        p.setValue(QStringLiteral("NAM:CITY"),
                   cities.at(i % cities.size()) + QLatin1Char(' ') + QString::number(i % records + 1));
        p.setValue(QStringLiteral("NAM:STATE"), QStringLiteral("OH"));
        p.setValue(QStringLiteral("NAM:ZIP"), QString::number(43000 + i));
        p.setValue(QStringLiteral("NAM:COUNTRY"), QStringLiteral("USA"));
        p.setValue(QStringLiteral("NAM:DOB"), today - 365 * (20 + i % 50));
        p.setValue(QStringLiteral("NAM:CMP_CTRL"), 1 + i % (records / 2));
        insert(nam, "a person");
        for (const int category : {0, 1 + i % 10}) {
            store::Record &l = jnc.record();
            l.clear();
            l.setValue(QStringLiteral("JNC:CTRL_NBR"), ++link);
            l.setValue(QStringLiteral("JNC:NAM_CTRL"), i);
            l.setValue(QStringLiteral("JNC:CAT_CTRL"), category);
            l.setValue(QStringLiteral("JNC:LNAME"), last);
            l.setValue(QStringLiteral("JNC:FNAME"), first);
            insert(jnc, "a link");
        }
        for (int k = 0; k < 2; ++k) {
            store::Record &f = fon.record();
            f.clear();
            f.setValue(QStringLiteral("FON:CTRL_NBR"), 2 * i + k - 1);
            f.setValue(QStringLiteral("FON:NAM_CTRL"), i);
            f.setValue(QStringLiteral("FON:LOCATION"), k ? QStringLiteral("Home") : QStringLiteral("Work"));
            f.setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("614555%1").arg(1000 + i * 2 + k));
            f.setValue(QStringLiteral("FON:AREA"), QStringLiteral("614"));
            insert(fon, "a phone");
        }
        store::Record &n = mem.record();
        n.clear();
        n.setValue(QStringLiteral("MEM:CTRL_NBR"), i);
        n.setValue(QStringLiteral("MEM:NAM_CTRL"), i);
        n.setValue(QStringLiteral("MEM:DATE"), today - i);
        n.setMemo(QStringLiteral("Met %1 at the spring fair.").arg(first));
        insert(mem, "a note");
    }
    for (store::Table *t : {&nam, &jnc, &fon, &mem})
        t->unlock();
    for (const char *name : {"QKnam", "QKjnc", "QKfon", "QKmem"})
        store.release(QString::fromLatin1(name));

    // Companies, each in "All" and one of five categories, with two phones.
    const QStringList companyWords = {QStringLiteral("Acme"),    QStringLiteral("Globex"),
                                      QStringLiteral("Initech"), QStringLiteral("Umbrella"),
                                      QStringLiteral("Hooli"),   QStringLiteral("Vandelay")};
    store::Table &cmp = store.use(QStringLiteral("QKcmp"));
    store::Table &jcg = store.use(QStringLiteral("QKjcg"));
    store::Table &grp = store.use(QStringLiteral("QKgrp"));
    store::Table &cfon = store.use(QStringLiteral("QKfon"));
    for (store::Table *t : {&cmp, &jcg, &grp, &cfon})
        t->lock(10);
    const QStringList groups = {QStringLiteral("Suppliers"), QStringLiteral("Customers"),
                                QStringLiteral("Banks"), QStringLiteral("Printers"),
                                QStringLiteral("Couriers")};
    for (int g = 1; g <= groups.size(); ++g) {
        grp.record().clear();
        grp.record().setValue(QStringLiteral("GRP:CTRL_NBR"), g);
        grp.record().setValue(QStringLiteral("GRP:GROUP"), groups.at(g - 1));
        insert(grp, "a company category");
    }
    int companyLink = 0;
    for (int i = 1; i <= records / 2; ++i) {
        const QString name = companyWords.at(i % companyWords.size()) + QStringLiteral(" %1").arg(i);
        store::Record &c = cmp.record();
        c.clear();
        c.setValue(QStringLiteral("CMP:CTRL_NBR"), i);
        c.setValue(QStringLiteral("CMP:NAME"), name);
        c.setValue(QStringLiteral("CMP:BUSINESS"), QStringLiteral("Office supplies"));
        c.setValue(QStringLiteral("CMP:ADDR1"), QStringLiteral("%1 Market Street").arg(10 + i));
        c.setValue(QStringLiteral("CMP:CITY"), cities.at(i % cities.size()));
        c.setValue(QStringLiteral("CMP:STATE"), QStringLiteral("OH"));
        c.setValue(QStringLiteral("CMP:ZIP"), QString::number(43100 + i));
        c.setValue(QStringLiteral("CMP:FON_CTRL"), 10000 + 2 * i - 1);
        insert(cmp, "a company");
        for (const int g : {0, 1 + i % static_cast<int>(groups.size())}) {
            store::Record &l = jcg.record();
            l.clear();
            l.setValue(QStringLiteral("JCG:CTRL_NBR"), ++companyLink);
            l.setValue(QStringLiteral("JCG:CMP_CTRL"), i);
            l.setValue(QStringLiteral("JCG:GRP_CTRL"), g);
            l.setValue(QStringLiteral("JCG:COMPANY"), name);
            insert(jcg, "a company link");
        }
        for (int k = 0; k < 2; ++k) {
            store::Record &f = cfon.record();
            f.clear();
            f.setValue(QStringLiteral("FON:CTRL_NBR"), 10000 + 2 * i - 1 + k);
            f.setValue(QStringLiteral("FON:CMP_CTRL"), i);
            f.setValue(QStringLiteral("FON:LOCATION"),
                       k ? QStringLiteral("Sales") : QStringLiteral("Front desk"));
            f.setValue(QStringLiteral("FON:NAME"), k ? QStringLiteral("Pat") : QStringLiteral("Lee"));
            f.setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("614777%1").arg(1000 + 2 * i + k));
            insert(cfon, "a company phone");
        }
    }
    for (store::Table *t : {&cmp, &jcg, &grp, &cfon})
        t->unlock();
    for (const char *name : {"QKcmp", "QKjcg", "QKgrp", "QKfon"})
        store.release(QString::fromLatin1(name));

    store::Table &dat = store.use(QStringLiteral("QKdat"));
    dat.lock(10); // one write for the lot
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
    dat.unlock();
    store.release(QStringLiteral("QKdat"));

    // Calls, every third one not returned, and directory entries.
    store::Table &inc = store.use(QStringLiteral("QKinc"));
    inc.lock(10); // one write for the lot
    const QStringList sources = {QStringLiteral("Referral"), QStringLiteral("Web site"), QStringLiteral("Trade show")};
    for (int i = 1; i <= records; ++i) {
        store::Record &c = inc.record();
        c.clear();
        c.setValue(QStringLiteral("INC:CTRL_NBR"), i);
        c.setValue(QStringLiteral("INC:FIRSTNAME"), firstNames.at(i % firstNames.size()));
        c.setValue(QStringLiteral("INC:LASTNAME"), lastNames.at(i % lastNames.size()));
        c.setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("%1 Industries").arg(words.at(i % words.size())));
        c.setValue(QStringLiteral("INC:NUMBER"), QStringLiteral("614555%1").arg(2000 + i));
        c.setValue(QStringLiteral("INC:FAXNUMBER"), QStringLiteral("614556%1").arg(2000 + i));
        c.setValue(QStringLiteral("INC:SOURCE"), sources.at(i % sources.size()));
        c.setValue(QStringLiteral("INC:CALLERDATE"), today - i / 3);
        c.setValue(QStringLiteral("INC:CALLERTIME"), (9 * 3600 + i * 600 % 28800) * 100 + 1);
        if (i % 3) {
            c.setValue(QStringLiteral("INC:RETURNEDDATE"), today - i / 3 + 1);
            c.setValue(QStringLiteral("INC:RETURNEDTIME"), 15 * 360000 + 1);
        }
        c.setMemo(QStringLiteral("Asked about the spring catalogue and a quote for %1 units.").arg(i * 5));
        insert(inc, "a call");
    }
    inc.unlock();
    store.release(QStringLiteral("QKinc"));
    store::Table &jfon = store.use(QStringLiteral("QKfon"));
    jfon.lock(10);
    const QStringList places = {QStringLiteral("Pizza Palace"), QStringLiteral("City Taxi"),
                                QStringLiteral("Dr. Morgan's office"), QStringLiteral("Hardware store")};
    for (int i = 0; i < places.size(); ++i) {
        store::Record &f = jfon.record();
        f.clear();
        f.setValue(QStringLiteral("FON:CTRL_NBR"), 100000 + i);
        f.setValue(QStringLiteral("FON:JUSTPHONESBYTE"), 100);
        f.setValue(QStringLiteral("FON:JUSTPHONESNAME"), places.at(i));
        f.setValue(QStringLiteral("FON:NUMBER"), QStringLiteral("614558%1").arg(1000 + i));
        insert(jfon, "a directory entry");
    }
    jfon.unlock();
    store.release(QStringLiteral("QKfon"));
}

} // namespace tabulo::test
