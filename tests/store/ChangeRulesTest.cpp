#include "store/ChangeRules.h"
#include "store/Messages.h"
#include "store/Store.h"
#include "store/TableTestSupport.h"
#include "support/QStringPrinter.h"
#include "support/ScriptedMessageService.h"

#include <QDir>
#include <QObject>
#include <initializer_list>
#include <set>
#include <utility>

using namespace tabulo;
using namespace tabulo::store;
using tabulo::test::keyOf;
using tabulo::test::ScopedMessageService;
using tabulo::test::ScriptedMessageService;
using tabulo::test::TempDataDir;

namespace {

using Values = std::initializer_list<std::pair<const char *, QVariant>>;

void add(Table &t, Values values) {
    t.record().clear();
    for (const auto &[field, value] : values)
        t.record().setValue(QString::fromLatin1(field), value);
    const StoreError e = t.insert();
    ASSERT_EQ(e.code, 0) << t.def().name.toStdString() << ": " << e.text.toStdString();
}

// The control numbers of every record in the file.
std::set<qint64> ctrlNumbers(Table &t) {
    std::set<qint64> numbers;
    Cursor cursor(t);
    cursor.setOrder(nullptr);
    cursor.toStart();
    while (!cursor.next())
        numbers.insert(t.record().value(QStringLiteral("CTRL_NBR")).toLongLong());
    return numbers;
}

// Reads a record by its control number, watched, as a window does before it
// changes the record.
void readForChange(Table &t, qint64 ctrl) {
    t.record().clear();
    t.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
    ASSERT_EQ(t.fetch(keyOf(t, "CTRL_KEY")).code, 0) << t.def().name.toStdString() << " " << ctrl;
    t.watch();
}

// The change routines run against the program's store, pointed at a fresh
// data directory, with every message box scripted.
class ChangeRulesTest : public ::testing::Test {
protected:
    void SetUp() override { Store::instance().setDirectory(m_dir.path()); }
    void TearDown() override { Store::instance().setDirectory(QDir::currentPath()); }

    Store &store() { return Store::instance(); }

    TempDataDir m_dir;
    ScriptedMessageService m_messages;
    ScopedMessageService m_installed{m_messages};
};

} // namespace

TEST_F(ChangeRulesTest, DeletingAPersonTakesExactlyItsPhonesAndNotes) {
    TableUse names(store(), tablesUsedBy(QStringLiteral("names")));
    Table &nam = names[QStringLiteral("QKnam")];
    Table &fon = names[QStringLiteral("QKfon")];
    Table &mem = names[QStringLiteral("QKmem")];
    Table &jnc = names[QStringLiteral("QKjnc")];

    for (int person : {6, 7, 8})
        add(nam, {{"NAM:CTRL_NBR", person}, {"NAM:LNAME", QStringLiteral("Person %1").arg(person)}});
    // Person 7: three phones (one without a location, which sorts first) and
    // two notes (one undated, one on the last day a date can hold).
    add(fon, {{"FON:CTRL_NBR", 71}, {"FON:NAM_CTRL", 7}, {"FON:LOCATION", QString()}});
    add(fon, {{"FON:CTRL_NBR", 72}, {"FON:NAM_CTRL", 7}, {"FON:LOCATION", QStringLiteral("Home")}});
    add(fon, {{"FON:CTRL_NBR", 73}, {"FON:NAM_CTRL", 7}, {"FON:LOCATION", QStringLiteral("work")}});
    add(mem, {{"MEM:CTRL_NBR", 74}, {"MEM:NAM_CTRL", 7}, {"MEM:DATE", 0}});
    add(mem, {{"MEM:CTRL_NBR", 75}, {"MEM:NAM_CTRL", 7}, {"MEM:DATE", 2147483647}});
    // The neighbours' phones and notes, and a company's phone.
    add(fon, {{"FON:CTRL_NBR", 61}, {"FON:NAM_CTRL", 6}, {"FON:LOCATION", QStringLiteral("zzz")}});
    add(fon, {{"FON:CTRL_NBR", 81}, {"FON:NAM_CTRL", 8}, {"FON:LOCATION", QString()}});
    add(fon, {{"FON:CTRL_NBR", 90}, {"FON:CMP_CTRL", 3}, {"FON:LOCATION", QStringLiteral("Main")}});
    add(mem, {{"MEM:CTRL_NBR", 62}, {"MEM:NAM_CTRL", 6}, {"MEM:DATE", 80000}});
    add(mem, {{"MEM:CTRL_NBR", 82}, {"MEM:NAM_CTRL", 8}, {"MEM:DATE", 0}});
    add(mem, {{"MEM:CTRL_NBR", 92}, {"MEM:CMP_CTRL", 3}, {"MEM:DATE", 80000}});
    // Person 7's category links: "All" and one category.
    add(jnc, {{"JNC:CTRL_NBR", 1}, {"JNC:NAM_CTRL", 7}, {"JNC:CAT_CTRL", 0}});
    add(jnc, {{"JNC:CTRL_NBR", 2}, {"JNC:NAM_CTRL", 7}, {"JNC:CAT_CTRL", 4}});

    readForChange(nam, 7);
    EXPECT_EQ(deleteRecord(nam), ChangeResult::Done);

    EXPECT_EQ(ctrlNumbers(nam), (std::set<qint64>{6, 8}));
    EXPECT_EQ(ctrlNumbers(fon), (std::set<qint64>{61, 81, 90}));
    EXPECT_EQ(ctrlNumbers(mem), (std::set<qint64>{62, 82, 92}));
    EXPECT_EQ(ctrlNumbers(jnc), (std::set<qint64>{1, 2}));
    EXPECT_TRUE(m_messages.shown().empty());
    // The cascade's own uses are released again.
    EXPECT_EQ(store().useCount(QStringLiteral("QKfon")), 1);
    EXPECT_EQ(store().useCount(QStringLiteral("QKmem")), 1);
}

TEST_F(ChangeRulesTest, PersonWithoutPhonesOrNotesIsDeletedQuietlyAndTheChildTablesCloseAgain) {
    TableUse form(store(), {QStringLiteral("QKnam")});
    Table &nam = form[QStringLiteral("QKnam")];
    add(nam, {{"NAM:CTRL_NBR", 1}, {"NAM:LNAME", QStringLiteral("Alone")}});
    readForChange(nam, 1);

    EXPECT_EQ(deleteRecord(nam), ChangeResult::Done);
    EXPECT_TRUE(ctrlNumbers(nam).empty());
    EXPECT_TRUE(m_messages.shown().empty());
    EXPECT_EQ(store().useCount(QStringLiteral("QKfon")), 0);
    EXPECT_FALSE(store().table(QStringLiteral("QKfon")).isOpen());
    EXPECT_FALSE(store().table(QStringLiteral("QKmem")).isOpen());
}

TEST_F(ChangeRulesTest, DeletingACompanyLeavesItsPeopleAndLinks) {
    TableUse companies(store(), tablesUsedBy(QStringLiteral("companies")));
    Table &cmp = companies[QStringLiteral("QKcmp")];
    Table &fon = companies[QStringLiteral("QKfon")];
    Table &mem = companies[QStringLiteral("QKmem")];
    Table &nam = companies[QStringLiteral("QKnam")];
    Table &jcg = companies[QStringLiteral("QKjcg")];

    add(cmp, {{"CMP:CTRL_NBR", 3}, {"CMP:NAME", QStringLiteral("Acme")}});
    add(cmp, {{"CMP:CTRL_NBR", 4}, {"CMP:NAME", QStringLiteral("Other")}});
    add(fon, {{"FON:CTRL_NBR", 1}, {"FON:CMP_CTRL", 3}, {"FON:LOCATION", QStringLiteral("Main")}});
    add(fon, {{"FON:CTRL_NBR", 2}, {"FON:CMP_CTRL", 3}, {"FON:NAME", QStringLiteral("Sales")}});
    add(fon, {{"FON:CTRL_NBR", 3}, {"FON:CMP_CTRL", 4}, {"FON:LOCATION", QStringLiteral("Main")}});
    add(fon, {{"FON:CTRL_NBR", 4}, {"FON:NAM_CTRL", 3}, {"FON:LOCATION", QStringLiteral("Home")}});
    add(mem, {{"MEM:CTRL_NBR", 1}, {"MEM:CMP_CTRL", 3}, {"MEM:DATE", 70000}});
    add(mem, {{"MEM:CTRL_NBR", 2}, {"MEM:NAM_CTRL", 3}, {"MEM:DATE", 70000}});
    add(nam, {{"NAM:CTRL_NBR", 5}, {"NAM:CMP_CTRL", 3}});
    add(jcg, {{"JCG:CTRL_NBR", 1}, {"JCG:CMP_CTRL", 3}, {"JCG:GRP_CTRL", 0}});

    readForChange(cmp, 3);
    EXPECT_EQ(deleteRecord(cmp), ChangeResult::Done);

    EXPECT_EQ(ctrlNumbers(cmp), (std::set<qint64>{4}));
    // Person 3's phone and note share the number but not the link.
    EXPECT_EQ(ctrlNumbers(fon), (std::set<qint64>{3, 4}));
    EXPECT_EQ(ctrlNumbers(mem), (std::set<qint64>{2}));
    EXPECT_EQ(ctrlNumbers(jcg), (std::set<qint64>{1}));
    readForChange(nam, 5);
    EXPECT_EQ(nam.record().value(QStringLiteral("NAM:CMP_CTRL")).toInt(), 3);
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(ChangeRulesTest, DeleteGoesByTheStoredRecordNotTheEditedBuffer) {
    TableUse names(store(), {QStringLiteral("QKnam"), QStringLiteral("QKfon")});
    Table &nam = names[QStringLiteral("QKnam")];
    Table &fon = names[QStringLiteral("QKfon")];
    add(nam, {{"NAM:CTRL_NBR", 7}});
    add(nam, {{"NAM:CTRL_NBR", 8}});
    add(fon, {{"FON:CTRL_NBR", 70}, {"FON:NAM_CTRL", 7}});
    add(fon, {{"FON:CTRL_NBR", 80}, {"FON:NAM_CTRL", 8}});

    readForChange(nam, 7);
    nam.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 8); // an unsaved edit
    EXPECT_EQ(deleteRecord(nam), ChangeResult::Done);
    EXPECT_EQ(ctrlNumbers(nam), (std::set<qint64>{8}));
    EXPECT_EQ(ctrlNumbers(fon), (std::set<qint64>{80}));
}

TEST_F(ChangeRulesTest, PersonWithoutAControlNumberTakesNoUnlinkedPhonesOrNotes) {
    TableUse names(store(), {QStringLiteral("QKnam"), QStringLiteral("QKfon"), QStringLiteral("QKmem")});
    Table &nam = names[QStringLiteral("QKnam")];
    Table &fon = names[QStringLiteral("QKfon")];
    Table &mem = names[QStringLiteral("QKmem")];
    add(nam, {{"NAM:CTRL_NBR", 0}, {"NAM:LNAME", QStringLiteral("Blank")}});
    add(fon, {{"FON:CTRL_NBR", 1}, {"FON:CMP_CTRL", 3}, {"FON:LOCATION", QStringLiteral("Main")}});
    add(fon, {{"FON:CTRL_NBR", 2}, {"FON:JUSTPHONESNAME", QStringLiteral("Plumber")}});
    add(mem, {{"MEM:CTRL_NBR", 1}, {"MEM:CMP_CTRL", 3}});

    nam.record().clear();
    nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Blank"));
    ASSERT_EQ(nam.fetch(keyOf(nam, "LNAME_KEY")).code, 0);
    EXPECT_EQ(deleteRecord(nam), ChangeResult::Done);
    EXPECT_EQ(nam.records(), 0);
    EXPECT_EQ(ctrlNumbers(fon), (std::set<qint64>{1, 2}));
    EXPECT_EQ(ctrlNumbers(mem), (std::set<qint64>{1}));
}

TEST_F(ChangeRulesTest, DeletingARecordThatIsGoneSaysSoAndTouchesNoChildren) {
    TableUse names(store(), {QStringLiteral("QKnam"), QStringLiteral("QKfon")});
    Table &nam = names[QStringLiteral("QKnam")];
    Table &fon = names[QStringLiteral("QKfon")];
    add(nam, {{"NAM:CTRL_NBR", 7}});
    add(fon, {{"FON:CTRL_NBR", 70}, {"FON:NAM_CTRL", 7}});
    readForChange(nam, 7);

    // Another station deletes the person (without its phones) meanwhile.
    Table other(nam.def(), m_dir.path());
    ASSERT_EQ(other.open().code, 0);
    other.record().setValue(QStringLiteral("NAM:CTRL_NBR"), 7);
    ASSERT_EQ(other.fetch(keyOf(other, "CTRL_KEY")).code, 0);
    ASSERT_EQ(other.remove().code, 0);

    m_messages.answer(35, Button::Ok);
    EXPECT_EQ(deleteRecord(nam), ChangeResult::Failed);
    EXPECT_EQ(
        m_messages.last().text,
        QStringLiteral("Error: (Record Not Found (35)) attempting to access a record from the QKnam file.  "
                       "Returning to previous window."));
    EXPECT_EQ(ctrlNumbers(fon), (std::set<qint64>{70}));
}

TEST_F(ChangeRulesTest, ChangeWritesTheBufferAndCanChangeAgain) {
    TableUse calls(store(), tablesUsedBy(QStringLiteral("calls")));
    Table &inc = calls[QStringLiteral("QKinc")];
    add(inc, {{"INC:CTRL_NBR", 1}, {"INC:COMPANY", QStringLiteral("Before")}});
    readForChange(inc, 1);

    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("After"));
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Done);
    EXPECT_FALSE(inc.inTransaction());
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Again"));
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Done);

    readForChange(inc, 1);
    EXPECT_EQ(inc.record().value(QStringLiteral("INC:COMPANY")).toString(), QStringLiteral("Again"));
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(ChangeRulesTest, ConflictShowsItsMessageByTheFlagAndReloadsTheStoredRecord) {
    struct Case {
        ConflictMessage flag;
        int number;
        const char *title;
        const char *text;
    };
    const Case cases[] = {
        {ConflictMessage::Long, 38, "Record Was Not Updated",
         "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
         "Button "
         "or Ctrl+' to recall your changes."},
        {ConflictMessage::Short, 15, "Update Operation Error", "This record was changed by another station."},
    };
    TableUse names(store(), {QStringLiteral("QKnam")});
    Table &nam = names[QStringLiteral("QKnam")];
    add(nam, {{"NAM:CTRL_NBR", 1}, {"NAM:LNAME", QStringLiteral("Stored")}});
    Table other(nam.def(), m_dir.path());
    ASSERT_EQ(other.open().code, 0);

    for (const Case &c : cases) {
        SCOPED_TRACE(c.number);
        readForChange(nam, 1);
        readForChange(other, 1);
        other.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Theirs %1").arg(c.number));
        ASSERT_EQ(other.change().code, 0);

        nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Mine"));
        m_messages.answer(c.number, Button::Ok);
        QObject form;
        EXPECT_EQ(changeRecord(nam, c.flag, &form), ChangeResult::ChangedElsewhere);
        EXPECT_EQ(m_messages.last().title, QString::fromUtf8(c.title));
        EXPECT_EQ(m_messages.last().text, QString::fromUtf8(c.text));
        EXPECT_EQ(m_messages.last().owner, &form);
        // The conflict has been reported: it must not turn up in a later message.
        EXPECT_FALSE(savedError().has_value());
        EXPECT_EQ(nam.record().value(QStringLiteral("NAM:LNAME")).toString(),
                  QStringLiteral("Theirs %1").arg(c.number));
        EXPECT_TRUE(nam.watching());

        // Saving again, having seen their values, overwrites them.
        nam.record().setValue(QStringLiteral("NAM:LNAME"), QStringLiteral("Mine"));
        EXPECT_EQ(changeRecord(nam, c.flag), ChangeResult::Done);
        readForChange(other, 1);
        EXPECT_EQ(other.record().value(QStringLiteral("NAM:LNAME")).toString(), QStringLiteral("Mine"));
    }
}

TEST_F(ChangeRulesTest, ChangeOfARecordAnotherStationDeletedKeepsTheEntries) {
    TableUse calls(store(), {QStringLiteral("QKinc")});
    Table &inc = calls[QStringLiteral("QKinc")];
    add(inc, {{"INC:CTRL_NBR", 1}});
    readForChange(inc, 1);
    Table other(inc.def(), m_dir.path());
    ASSERT_EQ(other.open().code, 0);
    readForChange(other, 1);
    ASSERT_EQ(other.remove().code, 0);

    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Typed"));
    m_messages.answer(38, Button::Ok);
    m_messages.answer(35, Button::Ok);
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Failed);
    EXPECT_EQ(m_messages.shownNumbers(), (std::vector<int>{38, 35}));
    EXPECT_TRUE(m_messages.last().text.contains(QStringLiteral("from the QKinc file")))
        << m_messages.last().text.toStdString();
    EXPECT_EQ(inc.record().value(QStringLiteral("INC:COMPANY")).toString(), QStringLiteral("Typed"));
    EXPECT_FALSE(inc.inTransaction());
}

TEST_F(ChangeRulesTest, OtherChangeFailureNamesTheTableAndRollsBack) {
    TableUse calls(store(), {QStringLiteral("QKinc")});
    Table &inc = calls[QStringLiteral("QKinc")];
    add(inc, {{"INC:CTRL_NBR", 1}, {"INC:COMPANY", QStringLiteral("One")}});
    add(inc, {{"INC:CTRL_NBR", 2}, {"INC:COMPANY", QStringLiteral("Two")}});
    readForChange(inc, 2);

    inc.record().setValue(QStringLiteral("INC:CTRL_NBR"), 1);
    inc.record().setValue(QStringLiteral("INC:COMPANY"), QStringLiteral("Clash"));
    m_messages.answer(15, Button::Ok);
    EXPECT_EQ(changeRecord(inc, ConflictMessage::Long), ChangeResult::Failed);
    const MessageBox box = m_messages.last();
    EXPECT_EQ(box.title, QStringLiteral("Update Operation Error"));
    EXPECT_TRUE(box.text.startsWith(QStringLiteral("An error (Creates Duplicate Key")))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.endsWith(
        QStringLiteral("(40)) was experienced when attempting to update a record from the file.  "
                       "Probable Cause: QKinc.")))
        << box.text.toStdString();
    EXPECT_FALSE(inc.inTransaction());
    // The transaction is gone: another connection can write at once.
    Table other(inc.def(), m_dir.path());
    ASSERT_EQ(other.open().code, 0);
    EXPECT_EQ(other.begin(0).code, 0);
    EXPECT_EQ(other.rollback().code, 0);
    readForChange(other, 2);
    EXPECT_EQ(other.record().value(QStringLiteral("INC:COMPANY")).toString(), QStringLiteral("Two"));
}

TEST_F(ChangeRulesTest, ImportantDatesChangeAndDeleteInsideTheirTransaction) {
    TableUse dates(store(), tablesUsedBy(QStringLiteral("dates")));
    Table &dat = dates[QStringLiteral("QKdat")];
    add(dat, {{"DAT:CTRL_NBR", 1}, {"DAT:EVENT", QStringLiteral("Birthday")}});
    add(dat, {{"DAT:CTRL_NBR", 2}, {"DAT:EVENT", QStringLiteral("Holiday")}});
    readForChange(dat, 1);
    dat.record().setValue(QStringLiteral("DAT:EVENT"), QStringLiteral("Anniversary"));
    EXPECT_EQ(changeRecord(dat, ConflictMessage::Short), ChangeResult::Done);
    EXPECT_FALSE(dat.inTransaction());

    readForChange(dat, 2);
    EXPECT_EQ(deleteRecord(dat), ChangeResult::Done);
    EXPECT_FALSE(dat.inTransaction());
    EXPECT_EQ(ctrlNumbers(dat), (std::set<qint64>{1}));
    readForChange(dat, 1);
    EXPECT_EQ(dat.record().value(QStringLiteral("DAT:EVENT")).toString(), QStringLiteral("Anniversary"));
    EXPECT_TRUE(m_messages.shown().empty());
}

TEST_F(ChangeRulesTest, SetupRecordChangesByItsPositionInTheFile) {
    TableUse setup(store(), {QStringLiteral("QKset")});
    Table &set = setup[QStringLiteral("QKset")];
    add(set, {{"SET:MADEFOR", QStringLiteral("Someone")}});
    ASSERT_EQ(set.setStart(nullptr).code, 0);
    ASSERT_EQ(set.next().code, 0);
    set.watch();
    set.record().setValue(QStringLiteral("SET:MADEFOR"), QStringLiteral("Someone Else"));
    EXPECT_EQ(changeRecord(set, ConflictMessage::Short), ChangeResult::Done);
    ASSERT_EQ(set.setStart(nullptr).code, 0);
    ASSERT_EQ(set.next().code, 0);
    EXPECT_EQ(set.record().value(QStringLiteral("SET:MADEFOR")).toString(), QStringLiteral("Someone Else"));
    EXPECT_EQ(set.records(), 1);
}
