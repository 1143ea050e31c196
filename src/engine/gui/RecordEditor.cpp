#include "engine/gui/RecordEditor.h"

#include "engine/BrowseList.h"
#include "engine/FieldText.h"
#include "store/ChangeRules.h"
#include "store/Messages.h"
#include "store/UnitOfWork.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <vector>

namespace tabulo::engine::gui {

using store::Table;

RecordEditor::RecordEditor(QWidget *window, RecordEditorSetup setup)
    : QObject(window)
    , m_window(window)
    , m_setup(std::move(setup)) {
    m_editor =
        new InPlaceEditor(window, *m_setup.table, [this](QLineEdit *edit, const QString &, LeaveReason why) {
            return fieldLeft(edit, why);
        });
}

int RecordEditor::addFields(
    QGridLayout *grid, int row,
    const std::function<void(const EditField &, QLineEdit *, QLabel *, QPushButton *)> &added) {
    QWidget *page = grid->parentWidget();
    for (const EditField &f : m_setup.fields) {
        const QString field = QString::fromLatin1(f.field);
        auto *edit = new QLineEdit(page);
        edit->setObjectName(field.section(QLatin1Char(':'), -1).toLower() + QStringLiteral("Entry"));
        edit->setProperty("field", field);
        m_editor->addEntry(edit);
        auto *prompt = new QLabel(QString::fromLatin1(f.prompt), page);
        prompt->setBuddy(edit);
        grid->addWidget(prompt, row, 0);
        grid->addWidget(edit, row, 1);
        m_entries[field] = edit;
        QPushButton *pick = nullptr;
        if (f.button) {
            pick = new QPushButton(QStringLiteral("..."), page);
            pick->setObjectName(QLatin1String(f.button));
            pick->setAutoDefault(false);
            if (*f.buttonTip)
                pick->setToolTip(QString::fromLatin1(f.buttonTip));
            pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
            grid->addWidget(pick, row, 2);
            const Lookup lookup = f.lookup;
            connect(pick, &QPushButton::clicked, this, [this, lookup, edit] {
                if (lookup == Lookup::City && m_setup.chooseCity) {
                    m_setup.chooseCity(m_window, edit->text(), [this](std::optional<CityAddress> chosen) {
                        if (chosen)
                            applyCity(*chosen, LeaveReason::FocusMoved);
                        else if (!m_setup.writes || m_setup.writes())
                            m_setup.refresh();
                        focusAfterCity();
                    });
                } else if (m_setup.pick) {
                    m_setup.pick(lookup);
                }
            });
        }
        if (added)
            added(f, edit, prompt, pick);
        ++row;
    }
    return row;
}

QLineEdit *RecordEditor::entry(const QString &field) const {
    const auto found = m_entries.find(field);
    return found == m_entries.end() ? nullptr : found->second;
}

const EditField *RecordEditor::declared(const QString &field) const {
    for (const EditField &f : m_setup.fields) {
        if (field == QLatin1String(f.field))
            return &f;
    }
    return nullptr;
}

QString RecordEditor::pictureOf(const QString &field) const {
    const EditField *f = declared(field);
    return f ? QString::fromLatin1(f->picture) : QStringLiteral("@s30");
}

QString RecordEditor::prefixed(const char *name) const {
    return m_setup.table->def().prefix + QLatin1Char(':') + QLatin1String(name);
}

void RecordEditor::show(const std::map<QString, const store::Record *> &records) {
    for (const auto &[field, edit] : m_entries) {
        const auto record = records.find(field.section(QLatin1Char(':'), 0, 0));
        if (!field.contains(QLatin1Char(':')) || record == records.end())
            continue; // a field the window shows itself
        m_editor->show(edit, showValue(pictureOf(field), record->second->value(field)).trimmed());
    }
}

// A changed field of the record shown, left: the record is in the buffer
// (the in-place editor saw to that).
Leave RecordEditor::fieldLeft(QLineEdit *edit, LeaveReason why) {
    const QString field = edit->property("field").toString();
    if (m_setup.table->record().integer(0) == 0)
        return Leave::Done; // no record to type for
    const EditField *f = declared(field);
    const Lookup lookup = f ? f->lookup : Lookup::None;
    if (lookup == Lookup::City && m_setup.findCity)
        return cityLeft(edit, why);
    if (lookup == Lookup::Company || lookup == Lookup::Phone)
        return m_setup.lookUp(edit, lookup, why);
    const EntryValue v = readEntry(pictureOf(field), edit->text());
    if (!v.ok) {
        // The typed text stays for the user to mend.
        QApplication::beep();
        edit->setToolTip(v.error);
        if (m_setup.refused)
            m_setup.refused(v.error);
        return Leave::Stay;
    }
    edit->setToolTip(QString());
    m_setup.table->record().setValue(field, v.value);
    return save(m_setup.keyFields.contains(field), why);
}

Leave RecordEditor::save(bool keyChanged, LeaveReason why) {
    Table &table = *m_setup.table;
    // While adding, the fields only fill the new record; its OK writes it.
    if (table.record().integer(0) == 0 || (m_setup.writes && !m_setup.writes()))
        return Leave::Done;
    if (m_setup.beforeSave)
        m_setup.beforeSave(table.record());
    const QString position = table.record().value(m_setup.positionField).toString();
    // A new key and its copies in the links are saved together.
    const std::vector<Table *> renaming{&table, m_setup.links};
    std::optional<store::UnitOfWork> unit;
    const Table::Current typed = table.current();
    if (keyChanged) {
        unit.emplace(renaming);
        if (!store::beginReported(*unit, renaming, QStringLiteral("Update"), m_window))
            return Leave::Stay;
    }
    const store::Record written = table.record();
    switch (saveInPlace(table, m_window)) {
    case Saved::Written:
        break;
    case Saved::Kept:
        return Leave::Stay; // the typed text stays in its field
    case Saved::GivenUp:
        m_setup.refresh(); // the stored record again
        return Leave::Done;
    case Saved::ChangedElsewhere:
        // The other station's record shows; the typed field keeps the
        // user's text, and leaving it again saves over that record.
        m_setup.showRecord();
        m_editor->recordShown();
        return Leave::Stay;
    }
    if (keyChanged) {
        const bool together = unit->active();
        if (const store::StoreError e = m_setup.rewriteLinks(written)) {
            store::setLastError(e);
            store::takeSavedError();
            store::standardMessage(m_window, 15, m_setup.links->def().name);
            if (together) {
                // Neither was saved: the typed key stays to be saved again.
                table.setCurrent(typed);
                return Leave::Stay;
            }
        } else if (together && !store::commitReported(*unit, renaming, 15, m_window)) {
            table.setCurrent(typed);
            return Leave::Stay;
        }
    }
    showWritten(
        m_setup.list(), keyChanged, why, [this, position] { m_setup.reposition(position); },
        [this] { m_setup.refresh(); });
    return Leave::Done;
}

Leave RecordEditor::cityLeft(QLineEdit *edit, LeaveReason why) {
    const QString typed = edit->text().trimmed();
    const store::Record &record = m_setup.table->record();
    // A typed city never wipes the state or zip the record has.
    const CityAddress had{record.value(prefixed("CITY")).toString(),
                          record.value(prefixed("STATE")).toString(),
                          record.value(prefixed("ZIP")).toString()};
    if (const std::optional<CityAddress> found = m_setup.findCity(typed, had)) {
        const Leave saved = applyCity(*found, why);
        if (m_setup.focusAfterFoundCity && saved == Leave::Done && why == LeaveReason::FocusMoved)
            focusAfterCity();
        return saved;
    }
    // A new city, or one of several: the cities list takes it over.
    m_setup.chooseCity(m_window, typed, [this](std::optional<CityAddress> chosen) {
        if (chosen)
            applyCity(*chosen, LeaveReason::FocusMoved);
        else if (!m_setup.writes || m_setup.writes())
            m_setup.refresh(); // the stored city goes back into the field
        focusAfterCity();
    });
    return Leave::Pending;
}

Leave RecordEditor::applyCity(const CityAddress &city, LeaveReason why) {
    store::Record &record = m_setup.table->record();
    record.setValue(prefixed("CITY"), city.city);
    record.setValue(prefixed("STATE"), city.state);
    record.setValue(prefixed("ZIP"), city.zip);
    m_setup.showRecord();
    return save(false, why);
}

void RecordEditor::focusAfterCity() {
    QLineEdit *next = entry(m_setup.afterCity);
    if (next && next->isVisible())
        next->setFocus(Qt::OtherFocusReason);
}

} // namespace tabulo::engine::gui
