#pragma once

#include "engine/gui/InPlaceEditor.h"
#include "store/StoreError.h"
#include "store/Table.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <span>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace tabulo::engine {
class BrowseList;
}

namespace tabulo::engine::gui {

// What leaving a field does besides storing what was typed.
enum class Lookup {
    None,
    City,    // looked up in the cities index; an unknown one is picked
    Company, // looked up among the companies; an unknown one is picked
    Phone,   // looked up among the phone numbers; an unknown one is picked
    Date,    // typed, or picked from the calendar with its "..." button
};

// One field of the record edited beside a list, declared as data.
struct EditField {
    const char *field;   // "NAM:LNAME"; another table's ("CMP:NAME") or the window's own ("PHONE")
    const char *prompt;  // "La&st:"
    const char *picture; // "@s16"
    Lookup lookup = Lookup::None;
    const char *button = nullptr; // the "..." button's object name beside a lookup field, when it has one
    const char *buttonTip = "";
};

// A city with the state and zip it goes with.
struct CityAddress {
    QString city;
    QString state;
    QString zip;
};

// What makes a list window's in-place record editor its own: the fields,
// the record and the links that carry copies of its key fields, and the
// window's own steps (how it positions its list, shows the record, asks a
// picker).
struct RecordEditorSetup {
    store::Table *table = nullptr; // the record edited ("QKnam")
    std::span<const EditField> fields;
    QStringList keyFields; // a changed one moves the record in the list ("NAM:LNAME", "NAM:FNAME")
    QString positionField; // what the list is positioned on after a key field changed ("NAM:LNAME")
    // The links that carry copies of the key fields, rewritten with them in
    // one unit of work; the links' table is named when that fails.
    store::Table *links = nullptr;
    std::function<store::StoreError(const store::Record &written)> rewriteLinks;
    std::function<BrowseList &()> list; // the list beside the record
    std::function<void(const QString &position)> reposition;
    std::function<void()> refresh;    // the stored record shown again
    std::function<void()> showRecord; // the buffer shown (another station's record after a conflict)
    // A lookup field other than a city was left with a change.
    std::function<Leave(QLineEdit *edit, Lookup lookup, LeaveReason why)> lookUp;
    // Its "..." button was pressed.
    std::function<void(Lookup lookup)> pick;
    // The city lookup and picker: a city the index settles, or nothing when
    // the user has to pick one; the picker gives the chosen city or nothing.
    std::function<std::optional<CityAddress>(const QString &typed, const CityAddress &had)> findCity;
    std::function<void(QWidget *caller, const QString &typed,
                       std::function<void(std::optional<CityAddress>)> chosen)>
        chooseCity;
    QString afterCity;                // the field the focus goes to after a city is settled
    bool focusAfterFoundCity = false; // also when the index settled the typed city
    // Says why a typed value was refused (the frame's status line).
    std::function<void(const QString &why)> refused;
    // False while the fields only fill a record not yet written (adding).
    std::function<bool()> writes;
    // Last-moment values before a save (a blank country filled in).
    std::function<void(store::Record &record)> beforeSave;
};

// The record shown beside a list and edited in place, field by field: the
// fields laid out from their declarations, each remembered when the user
// enters it and, when changed, checked through its picture and saved through
// the table's change routine as the user leaves it; a changed key field
// rewrites the links' copies with it in one unit of work and moves the list
// to the record's new place. The city, company and phone fields look up
// what was typed and offer a picker when it is unknown.
class RecordEditor final : public QObject {
    Q_OBJECT
public:
    RecordEditor(QWidget *window, RecordEditorSetup setup);

    InPlaceEditor &fields() { return *m_editor; }
    // Lays the fields out on `grid` from `row`, each as prompt, entry and
    // "..." button; `added` sees each one as it is made. The next free row.
    int
    addFields(QGridLayout *grid, int row,
              const std::function<void(const EditField &, QLineEdit *, QLabel *, QPushButton *)> &added = {});
    QLineEdit *entry(const QString &field) const;
    const std::map<QString, QLineEdit *> &entries() const { return m_entries; }
    QString pictureOf(const QString &field) const;
    // Shows the fields from the records named by their prefixes ("NAM",
    // "CMP"); a field the user is typing in keeps its text.
    void show(const std::map<QString, const store::Record *> &records);

    // Writes the table's buffer over its record (with its links when a key
    // field changed) and shows the outcome in the list.
    Leave save(bool keyChanged, LeaveReason why);
    // The city in the buffer becomes `city`, saved; the focus moves on.
    Leave applyCity(const CityAddress &city, LeaveReason why);

private:
    Leave fieldLeft(QLineEdit *edit, LeaveReason why);
    Leave cityLeft(QLineEdit *edit, LeaveReason why);
    const EditField *declared(const QString &field) const;
    QString prefixed(const char *name) const;
    void focusAfterCity();

    QPointer<QWidget> m_window;
    RecordEditorSetup m_setup;
    InPlaceEditor *m_editor = nullptr;
    std::map<QString, QLineEdit *> m_entries;
};

} // namespace tabulo::engine::gui
