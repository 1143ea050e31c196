#include "store/TableTestSupport.h"

#include <QFile>
#include <sqlite3.h>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::freshTable;
using tabulo::test::keyOf;
using tabulo::test::TempDataDir;

namespace {

QStringList readAll(Table &t, const KeyDef *key, const char *field, bool forward = true)
{
    QStringList out;
    EXPECT_EQ(forward ? t.setStart(key).code : t.setEnd(key).code, 0);
    const int f = t.record().indexOf(QString::fromLatin1(field));
    while ((forward ? t.next() : t.previous()).code == 0)
        out << t.record().text(f);
    EXPECT_EQ(lastError().code, Code::EndOfFile);
    return out;
}

void addCategory(Table &t, int ctrl, const QString &name, int expectedCode = 0)
{
    t.record().clear();
    t.record().setValue(QStringLiteral("CAT:CTRL_NBR"), ctrl);
    t.record().setValue(QStringLiteral("CAT:CATEGORY"), name);
    EXPECT_EQ(t.insert().code, expectedCode) << name.toStdString();
}

void addCall(Table &t, int ctrl, int date, int time, const QString &last, int returned = 0)
{
    Record &r = t.record();
    r.clear();
    r.setValue(QStringLiteral("INC:CTRL_NBR"), ctrl);
    r.setValue(QStringLiteral("INC:CALLERDATE"), date);
    r.setValue(QStringLiteral("INC:CALLERTIME"), time);
    r.setValue(QStringLiteral("INC:LASTNAME"), last);
    r.setValue(QStringLiteral("INC:RETURNEDDATE"), returned);
    ASSERT_EQ(t.insert().code, 0);
}

} // namespace

TEST(TableKeys, UniqueCaseInsensitiveKeyRefusesOtherCaseAlsoBeyondAscii)
{
    TempDataDir dir;
    auto cat = freshTable(dir, "QKcat");
    addCategory(*cat, 1, QStringLiteral("Friends"));
    addCategory(*cat, 2, QStringLiteral("FRIENDS"), Code::DuplicateKey);
    ASSERT_NE(cat->duplicatedKey(), nullptr);
    EXPECT_EQ(cat->duplicatedKey()->messageName, QStringLiteral("CAT:cat_key"));
    EXPECT_EQ(lastError().key, QStringLiteral("CAT:cat_key"));
    addCategory(*cat, 3, QStringLiteral("Élan"));
    addCategory(*cat, 4, QStringLiteral("élan"), Code::DuplicateKey);
    addCategory(*cat, 5, QStringLiteral("elan"));
    EXPECT_EQ(cat->records(), 3);
    // A change into a duplicate is refused too, and names the key.
    cat->record().setValue(QStringLiteral("CAT:CATEGORY"), QStringLiteral("friends"));
    EXPECT_EQ(cat->change().code, Code::DuplicateKey);
    EXPECT_EQ(cat->duplicatedKey()->label, QStringLiteral("CAT:CAT_KEY"));
}

TEST(TableKeys, UniqueKeyExcludingEmptyEntriesAcceptsManyBlanks)
{
    TempDataDir dir;
    auto zip = freshTable(dir, "QKzip");
    auto add = [&](int ctrl, const char *city, const char *code) {
        zip->record().clear();
        zip->record().setValue(QStringLiteral("ZIP:CTRL_NBR"), ctrl);
        zip->record().setValue(QStringLiteral("ZIP:CITY"), QString::fromLatin1(city));
        zip->record().setValue(QStringLiteral("ZIP:ZIP"), QString::fromLatin1(code));
        return zip->insert().code;
    };
    EXPECT_EQ(add(1, "Springfield", "62701"), 0);
    EXPECT_EQ(add(2, "Capital City", "62701"), Code::DuplicateKey);
    EXPECT_EQ(zip->duplicatedKey()->messageName, QStringLiteral("zip:zip_key"));
    EXPECT_EQ(add(3, "Nowhere", ""), 0);
    EXPECT_EQ(add(4, "Somewhere", ""), 0);
    EXPECT_EQ(add(5, "Elsewhere", "  "), 0);
    EXPECT_EQ(readAll(*zip, &keyOf(*zip, "ZIP_KEY"), "ZIP:CITY"), QStringList{QStringLiteral("Springfield")});
    EXPECT_EQ(readAll(*zip, &keyOf(*zip, "CITY_KEY"), "ZIP:CITY").size(), 4);
}

TEST(TableKeys, DescendingComponentsAndEmptyExclusion)
{
    TempDataDir dir;
    auto inc = freshTable(dir, "QKinc");
    addCall(*inc, 1, 80000, 100, QStringLiteral("Adams"), 80001);
    addCall(*inc, 2, 80002, 500, QStringLiteral("baker"));
    addCall(*inc, 3, 80002, 900, QStringLiteral("Baker"), 80003);
    addCall(*inc, 4, 79999, 100, QStringLiteral("Cole"));
    EXPECT_EQ(readAll(*inc, &keyOf(*inc, "CALLDATE_KEY"), "INC:CTRL_NBR"),
              (QStringList{QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("4")}));
    // Backward in the same key reads oldest first.
    EXPECT_EQ(readAll(*inc, &keyOf(*inc, "CALLDATE_KEY"), "INC:CTRL_NBR", false),
              (QStringList{QStringLiteral("4"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    // Calls not yet returned are missing from the returned-date order only.
    EXPECT_EQ(readAll(*inc, &keyOf(*inc, "RETURNEDDATE_KEY"), "INC:CTRL_NBR"),
              (QStringList{QStringLiteral("3"), QStringLiteral("1")}));
    EXPECT_EQ(readAll(*inc, &keyOf(*inc, "CTRL_KEY"), "INC:CTRL_NBR").size(), 4);
    // Last names compare without regard to case; equal names newest first.
    EXPECT_EQ(readAll(*inc, &keyOf(*inc, "LASTNAME_KEY"), "INC:CTRL_NBR"),
              (QStringList{QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("4")}));
}

TEST(TableKeys, NotesReadOwnerAscendingDateDescending)
{
    TempDataDir dir;
    auto mem = freshTable(dir, "QKmem");
    const int rows[][3] = {{1, 2, 100}, {2, 1, 100}, {3, 1, 300}, {4, 2, 200}, {5, 1, 200}};
    for (const auto &row : rows) {
        mem->record().clear();
        mem->record().setValue(QStringLiteral("MEM:CTRL_NBR"), row[0]);
        mem->record().setValue(QStringLiteral("MEM:NAM_CTRL"), row[1]);
        mem->record().setValue(QStringLiteral("MEM:DATE"), row[2]);
        ASSERT_EQ(mem->insert().code, 0);
    }
    EXPECT_EQ(readAll(*mem, &keyOf(*mem, "NAM_CTRL_KEY"), "MEM:CTRL_NBR"),
              (QStringList{QStringLiteral("3"), QStringLiteral("5"), QStringLiteral("2"), QStringLiteral("4"),
                           QStringLiteral("1")}));
}

TEST(TableKeys, LongNamesAreCutAndStoredThatWay)
{
    TempDataDir dir;
    auto nam = freshTable(dir, "QKnam");
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 7);
    nam->record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Wolfeschlegelstei")); // 17
    nam->record().setValue(QStringLiteral("NAM:FNAME"), QStringLiteral("Maximilianuszzz"));   // 15
    ASSERT_EQ(nam->insert().code, 0);
    nam->record().clear();
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 7);
    ASSERT_EQ(nam->fetch(keyOf(*nam, "CTRL_KEY")).code, 0);
    EXPECT_EQ(nam->record().value(QStringLiteral("NAM:LNAME")).toString(), QStringLiteral("Wolfeschlegelste"));
    EXPECT_EQ(nam->record().value(QStringLiteral("NAM:FNAME")).toString(), QStringLiteral("Maximilianuszz"));
}

TEST(TableReads, PositionsNotBelowAtTokenAndAtEitherEnd)
{
    TempDataDir dir;
    auto jnc = freshTable(dir, "QKjnc");
    const char *names[] = {"adams", "Baker", "baxter", "Brown", "carter", "Davis"};
    int ctrl = 0;
    for (const char *n : names) {
        jnc->record().clear();
        jnc->record().setValue(QStringLiteral("JNC:CTRL_NBR"), ++ctrl);
        jnc->record().setValue(QStringLiteral("JNC:LNAME"), QString::fromLatin1(n));
        jnc->record().setValue(QStringLiteral("JNC:CAT_CTRL"), 0);
        ASSERT_EQ(jnc->insert().code, 0);
    }
    const KeyDef &key = keyOf(*jnc, "CAT_CTRL_KEY");
    const int lname = jnc->record().indexOf(QStringLiteral("LNAME"));
    // The alphabet jump: positioning on a capital finds small letters too.
    jnc->record().clear();
    jnc->record().setValue(QStringLiteral("JNC:LNAME"), QStringLiteral("B"));
    ASSERT_EQ(jnc->setNotBelow(key).code, 0);
    ASSERT_EQ(jnc->next().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("Baker"));
    ASSERT_EQ(jnc->next().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("baxter"));
    const QString token = jnc->position();
    ASSERT_EQ(jnc->next().code, 0);
    // Direction change reads back from the current record.
    ASSERT_EQ(jnc->previous().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("baxter"));

    ASSERT_EQ(jnc->setPosition(&key, token).code, 0);
    ASSERT_EQ(jnc->previous().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("baxter"));
    ASSERT_EQ(jnc->previous().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("Baker"));

    ASSERT_EQ(jnc->reget(token).code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("baxter"));
    EXPECT_EQ(jnc->reget(QStringLiteral("99999")).code, Code::NotFound);

    ASSERT_EQ(jnc->setEnd(&key).code, 0);
    EXPECT_EQ(jnc->next().code, Code::EndOfFile);
    ASSERT_EQ(jnc->previous().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("Davis"));

    // File order.
    ASSERT_EQ(jnc->setStart(nullptr).code, 0);
    ASSERT_EQ(jnc->next().code, 0);
    EXPECT_EQ(jnc->record().text(lname), QStringLiteral("adams"));
}

TEST(TableReads, EmptyTableReadsEndOfFileBothWays)
{
    TempDataDir dir;
    auto nam = freshTable(dir, "QKnam");
    ASSERT_EQ(nam->setEnd(&keyOf(*nam, "CTRL_KEY")).code, 0);
    EXPECT_EQ(nam->previous().code, Code::EndOfFile);
    ASSERT_EQ(nam->setStart(&keyOf(*nam, "CTRL_KEY")).code, 0);
    EXPECT_EQ(nam->next().code, Code::EndOfFile);
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 5);
    EXPECT_EQ(nam->fetch(keyOf(*nam, "CTRL_KEY")).code, Code::NotFound);
}

// A write whose statement is first prepared while another station holds
// the file reports the lock (it used to crash), and works once the file is
// free again.
TEST(TableWrites, AWriteMetByALockWhilePreparingFailsCleanlyAndWorksLater)
{
    TempDataDir dir;
    const int wait = Table::defaultWaitMs();
    Table::setDefaultWaitMs(50);
    auto nam = freshTable(dir, "QKnam");
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
    ASSERT_EQ(nam->insert().code, 0);
    nam->record().clear();
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
    ASSERT_EQ(nam->fetch(keyOf(*nam, "CTRL_KEY")).code, 0);
    nam->close();
    ASSERT_EQ(nam->open().code, 0); // a connection with no statement prepared yet
    nam->record().clear();
    nam->record().setValue(QStringLiteral("NAM:CTRL_NBR"), 1);
    ASSERT_EQ(nam->fetch(keyOf(*nam, "CTRL_KEY")).code, 0);
    sqlite3 *station = nullptr;
    ASSERT_EQ(sqlite3_open(test::fileOf(dir, "QKnam").toUtf8().constData(), &station), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(station, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    nam->record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Held"));
    EXPECT_EQ(nam->change().code, Code::Locked);
    sqlite3_exec(station, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(station);
    EXPECT_EQ(nam->change().code, 0);
    Table::setDefaultWaitMs(wait);
}

TEST(TableWrites, ChangeDeleteEmptyAndMemo)
{
    TempDataDir dir;
    auto dat = freshTable(dir, "QKdat");
    dat->record().setValue(QStringLiteral("DAT:CTRL_NBR"), 1);
    dat->record().setValue(QStringLiteral("DAT:EVENT"), QStringLiteral("Birthday"));
    dat->record().setMemo(QStringLiteral("Bring a cake.  "));
    ASSERT_EQ(dat->insert().code, 0);
    dat->record().clear();
    dat->record().setValue(QStringLiteral("DAT:CTRL_NBR"), 1);
    ASSERT_EQ(dat->fetch(keyOf(*dat, "CTRL_KEY")).code, 0);
    EXPECT_EQ(dat->record().memo(), QStringLiteral("Bring a cake.  "));
    dat->record().setValue(QStringLiteral("DAT:EVENT"), QStringLiteral("Anniversary"));
    ASSERT_EQ(dat->change().code, 0);
    EXPECT_EQ(readAll(*dat, &keyOf(*dat, "EVENT_KEY"), "DAT:EVENT"), QStringList{QStringLiteral("Anniversary")});
    ASSERT_EQ(dat->remove().code, 0);
    EXPECT_EQ(dat->records(), 0);
    EXPECT_EQ(dat->change().code, Code::NotFound);
    for (int i = 1; i <= 3; ++i) {
        dat->record().setValue(QStringLiteral("DAT:CTRL_NBR"), i);
        ASSERT_EQ(dat->insert().code, 0);
    }
    ASSERT_EQ(dat->empty().code, 0);
    EXPECT_EQ(dat->records(), 0);
}

TEST(TableWrites, WatchedChangeFailsAfterAnotherConnectionChangedOrDeleted)
{
    TempDataDir dir;
    auto first = freshTable(dir, "QKcat");
    addCategory(*first, 1, QStringLiteral("Friends"));
    addCategory(*first, 2, QStringLiteral("Family"));
    Table second(first->def(), dir.path());
    ASSERT_EQ(second.open().code, 0);

    const KeyDef &ctrl = keyOf(*first, "CTRL_KEY");
    for (Table *t : {first.get(), &second}) {
        t->record().setValue(QStringLiteral("CAT:CTRL_NBR"), 1);
        ASSERT_EQ(t->fetch(ctrl).code, 0);
        t->watch();
    }
    second.record().setValue(QStringLiteral("CAT:CATEGORY"), QStringLiteral("Pals"));
    ASSERT_EQ(second.change().code, 0);
    first->record().setValue(QStringLiteral("CAT:CATEGORY"), QStringLiteral("Buddies"));
    EXPECT_EQ(first->change().code, Code::ChangedElsewhere);
    // Re-read and watched again, the change goes through.
    ASSERT_EQ(first->fetch(ctrl).code, 0);
    EXPECT_EQ(first->record().value(QStringLiteral("CAT:CATEGORY")).toString(), QStringLiteral("Pals"));
    first->watch();
    first->record().setValue(QStringLiteral("CAT:CATEGORY"), QStringLiteral("Buddies"));
    EXPECT_EQ(first->change().code, 0);

    // Deleted meanwhile.
    second.record().setValue(QStringLiteral("CAT:CTRL_NBR"), 2);
    first->record().setValue(QStringLiteral("CAT:CTRL_NBR"), 2);
    ASSERT_EQ(first->fetch(ctrl).code, 0);
    first->watch();
    ASSERT_EQ(second.fetch(ctrl).code, 0);
    ASSERT_EQ(second.remove().code, 0);
    EXPECT_EQ(first->change().code, Code::ChangedElsewhere);
}

TEST(TableWrites, TransactionsCommitAndRollBack)
{
    TempDataDir dir;
    auto cat = freshTable(dir, "QKcat");
    ASSERT_EQ(cat->begin(2).code, 0);
    addCategory(*cat, 1, QStringLiteral("One"));
    ASSERT_EQ(cat->rollback().code, 0);
    EXPECT_EQ(cat->records(), 0);
    ASSERT_EQ(cat->begin(2).code, 0);
    addCategory(*cat, 1, QStringLiteral("One"));
    ASSERT_EQ(cat->commit().code, 0);
    EXPECT_EQ(cat->records(), 1);

    // A table lock buffers writes until flushed; other connections see them after.
    Table other(cat->def(), dir.path());
    ASSERT_EQ(other.open().code, 0);
    ASSERT_EQ(cat->lock(1).code, 0);
    addCategory(*cat, 2, QStringLiteral("Two"));
    ASSERT_EQ(cat->flush().code, 0);
    addCategory(*cat, 3, QStringLiteral("Three"));
    // A connection whose writer ends its transactions alone keeps its own.
    auto fon = freshTable(dir, "QKfon");
    fon->setEndsItsOwnTransactions(true);
    ASSERT_EQ(fon->begin(2).code, 0);
    Table::rollbackAll();
    EXPECT_FALSE(cat->isLocked());
    EXPECT_EQ(other.records(), 2);
    EXPECT_EQ(fon->commit().code, 0);
}

TEST(TableOptions, DriverOptionsAreAcceptedOrRefused)
{
    TempDataDir dir;
    auto cat = freshTable(dir, "QKcat");
    EXPECT_EQ(cat->send(QStringLiteral("Recover=10")).code, 0);
    EXPECT_EQ(cat->send(QStringLiteral("QUICKSCAN=on")).code, 0);
    EXPECT_EQ(cat->send(QStringLiteral("QUICKSCAN=off")).code, 0);
    EXPECT_NE(cat->send(QStringLiteral("Bogus=1")).code, 0);
}
