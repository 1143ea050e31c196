#pragma once

// Fixtures for the tests of record forms, shared by the people's and the
// companies' forms, which have the same shapes: phone and note forms of one
// owner, and an owner's record form with tabs listing what it owns.

#include "engine/EngineTestSupport.h"

#include "base/Clock.h"
#include "engine/Globals.h"
#include "engine/gui/BrowseWindow.h"
#include "engine/gui/RecordFormWindow.h"
#include "store/Store.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace tabulo::test {

// How a test opens a form: a form's run routine.
using FormRunner = engine::gui::RecordFormWindow *(*)(QWidget *, std::function<void()>);

// A caller window for record forms and the ways a test works a form: opened
// as a list opens it, typed into and left, clicked, and what it stored read
// back on a connection of its own.
class FormFixture : public StoreFixture {
protected:
    using Runner = FormRunner;

    // Opens a form as a list does: the request set, the form's response kept
    // in m_answer, the form the active window.
    engine::gui::RecordFormWindow *open(Runner run, engine::Request request) {
        engine::setGlobalRequest(request);
        m_answer = engine::Response::None;
        engine::gui::RecordFormWindow *f = run(&m_caller, [this] { m_answer = engine::globalResponse(); });
        settle();
        if (f) {
            QApplication::setActiveWindow(f);
            EXPECT_TRUE(QTest::qWaitForWindowActive(f));
        }
        return f;
    }

    // Types into an entry and leaves it with Tab, as the user would.
    static void typeAndLeave(QLineEdit *entry, const QString &text) {
        entry->setFocus();
        entry->setText(text);
        QTest::keyClick(entry, Qt::Key_Tab);
    }

    static QLineEdit *field(QWidget *f, const char *name) {
        return f->findChild<QLineEdit *>(QString::fromLatin1(name));
    }

    static void click(QWidget *w, const char *button) {
        QTest::mouseClick(w->findChild<QPushButton *>(QString::fromLatin1(button)), Qt::LeftButton);
        settle();
    }

    // What a list leaves for a change: the whole record, read with a watch.
    static void readForChange(store::Table *table, qint64 ctrl) {
        table->record().clear();
        table->record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        table->watch();
        ASSERT_TRUE(table->fetch(*table->def().key(QStringLiteral("CTRL_KEY"))).ok());
    }

    // The stored record, read on a connection of its own.
    store::Record stored(store::Table *table, qint64 ctrl) {
        store::Table other(table->def(), m_dir.path());
        EXPECT_TRUE(other.open().ok());
        other.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        EXPECT_TRUE(other.fetch(*other.def().key(QStringLiteral("CTRL_KEY"))).ok());
        store::Record r = other.record();
        other.close();
        return r;
    }

    QWidget m_caller;
    engine::Response m_answer = engine::Response::None;
};

// The phone and note forms of one owner (the names or the companies table),
// over a store whose setup holds the area code 614, on 14 March 2026.
class PhoneNoteFixture : public FormFixture {
protected:
    explicit PhoneNoteFixture(const char *ownerTable)
        : m_ownerTable(ownerTable) {}

    void SetUp() override {
        StoreFixture::SetUp();
        dates::Clock::setCurrent(&m_clock);
        store::Store &s = store::Store::instance();
        m_fon = &s.use(QStringLiteral("QKfon"));
        m_mem = &s.use(QStringLiteral("QKmem"));
        m_owner = &s.use(QString::fromLatin1(m_ownerTable));
        store::Table &settings = s.use(QStringLiteral("QKset"));
        settings.record().clear();
        settings.record().setValue(QStringLiteral("AREACODE"), QStringLiteral("614"));
        ASSERT_TRUE(settings.insert().ok());
        m_caller.show();
    }
    void TearDown() override {
        for (const char *t : {"QKfon", "QKmem", m_ownerTable, "QKset"})
            store::Store::instance().release(QString::fromLatin1(t));
        StoreFixture::TearDown();
        dates::Clock::setCurrent(nullptr);
    }

    const char *m_ownerTable;
    dates::FixedClock m_clock{QDateTime(QDate(2026, 3, 14), QTime(10, 0))};
    store::Table *m_fon = nullptr;
    store::Table *m_mem = nullptr;
    store::Table *m_owner = nullptr;
};

// An owner's record form (a person's or a company's) over the tables it
// lists on its tabs: records added to them for an owner, read back by owner,
// and the tabs' lists.
class OwnerFormFixture : public FormFixture {
protected:
    struct Owner {
        const char *table;                  // "QKnam"
        const char *field;                  // the owner's number in the owned tables: "NAM_CTRL"
        const char *key;                    // their key by owner: "NAM_CTRL_KEY"
        const char *formName;               // "UpdateQKnam"
        std::vector<const char *> tables;   // the tables the form uses
        std::vector<const char *> tabLists; // the list on each tab ("" for none)
    };
    explicit OwnerFormFixture(Owner owner)
        : m_shape(std::move(owner)) {}

    void SetUp() override {
        StoreFixture::SetUp();
        for (const char *t : m_shape.tables)
            store::Store::instance().use(QString::fromLatin1(t));
    }
    void TearDown() override {
        if (engine::gui::RecordFormWindow *f = form())
            f->close();
        settle();
        for (const char *t : m_shape.tables)
            store::Store::instance().release(QString::fromLatin1(t));
        StoreFixture::TearDown();
    }

    static store::Table &table(const char *name) {
        return store::Store::instance().table(QString::fromLatin1(name));
    }

    // A record the owner owns, text fields as given; in the owner's own
    // table, the owner itself.
    void add(const char *name, qint64 owner, std::vector<std::pair<const char *, const char *>> fields) {
        store::Table &t = table(name);
        const bool self = t.def().name == QLatin1String(m_shape.table);
        t.record().clear();
        t.record().setValue(QStringLiteral("CTRL_NBR"), self ? owner : t.records() + 100);
        t.record().setValue(QString::fromLatin1(m_shape.field), owner);
        for (const auto &[field, value] : fields)
            t.record().setValue(QString::fromLatin1(field), QString::fromLatin1(value));
        ASSERT_TRUE(t.insert().ok()) << name;
    }

    // The owner's records of a table, each as "a|b" of the fields asked.
    QStringList owned(const char *name, qint64 owner, std::initializer_list<const char *> fields) const {
        store::Table &t = table(name);
        store::Cursor c(t);
        c.setOrder(t.def().key(QString::fromLatin1(m_shape.key)));
        c.setRange({store::sql::Value(owner)});
        c.toStart();
        QStringList rows;
        while (c.next().ok()) {
            QStringList values;
            for (const char *f : fields)
                values << t.record().value(QString::fromLatin1(f)).toString();
            rows << values.join(QLatin1Char('|'));
        }
        return rows;
    }

    static bool exists(const char *name, qint64 ctrl) {
        store::Table &t = table(name);
        t.record().clear();
        t.record().setValue(QStringLiteral("CTRL_NBR"), ctrl);
        return t.fetch(*t.def().key(QStringLiteral("CTRL_KEY"))).ok();
    }

    // Opens the form as a caller does: the owner read in full for a change
    // or delete, a cleared buffer for an insert.
    engine::gui::RecordFormWindow *openForOwner(Runner run, engine::Request request, qint64 owner) {
        store::Table &t = table(m_shape.table);
        t.record().clear();
        if (owner != 0) {
            t.record().setValue(QStringLiteral("CTRL_NBR"), owner);
            t.watch();
            EXPECT_TRUE(t.fetch(*t.def().key(QStringLiteral("CTRL_KEY"))).ok());
        }
        engine::setGlobalRequest(request);
        m_answer = engine::Response::None;
        engine::gui::RecordFormWindow *f = run(&m_caller, [this] { m_answer = engine::globalResponse(); });
        settle();
        return f;
    }

    engine::gui::RecordFormWindow *form() const {
        return window<engine::gui::RecordFormWindow>(QString::fromLatin1(m_shape.formName));
    }

    // The owner the form shows.
    static qint64 ownerOf(engine::gui::RecordFormWindow *f) {
        return f->engine().table().record().value(QStringLiteral("CTRL_NBR")).toLongLong();
    }

    // The list on a tab, the tab shown.
    engine::gui::BrowseWindow *list(engine::gui::RecordFormWindow *f, int tab) const {
        f->sheet()->setCurrentIndex(tab);
        settle();
        return f->findChild<engine::gui::BrowseWindow *>(
            QString::fromLatin1(m_shape.tabLists.at(static_cast<size_t>(tab))));
    }

    static QStringList shownRows(engine::gui::BrowseWindow *l, int column) {
        QStringList rows;
        for (int r = 1; r <= l->engine().rowCount(); ++r)
            rows << l->engine().row(r).texts.at(column).trimmed();
        return rows;
    }

    // Adds a phone through the phones tab's Insert and the shared phone form.
    void addPhoneOnTab(engine::gui::RecordFormWindow *f, int phonesTab, const char *location) {
        engine::gui::BrowseWindow *phones = list(f, phonesTab);
        ASSERT_NE(phones, nullptr);
        QTest::mouseClick(phones->button(engine::ListAction::Insert), Qt::LeftButton);
        settle();
        auto *phoneForm = window<engine::gui::RecordFormWindow>(QStringLiteral("UpdateQKfon"));
        ASSERT_NE(phoneForm, nullptr);
        EXPECT_EQ(phoneForm->windowTitle(), QStringLiteral("Adding a QKfon Record"));
        phoneForm->entry(0)->setText(QString::fromLatin1(location));
        phoneForm->entry(2)->setText(QStringLiteral("(555) 123-4567"));
        click(phoneForm, "okButton");
        ASSERT_EQ(window<engine::gui::RecordFormWindow>(QStringLiteral("UpdateQKfon")), nullptr);
    }

private:
    Owner m_shape;
};

} // namespace tabulo::test
