#include "host/gui/PhoneNoteForms.h"

#include "base/Clock.h"
#include "engine/Globals.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/StoreSetupSource.h"
#include "store/Dictionary.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QFont>
#include <QLineEdit>
#include <QVariant>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPointer>
#include <memory>

namespace tabulo::host::gui {

using engine::FormVariant;
using engine::Request;
using engine::gui::FieldKind;
using engine::gui::FormField;
using engine::gui::FormWindowSetup;
using engine::gui::RecordFormWindow;

using engine::gui::lineEntry;

namespace {

// The person the names list has highlighted.
qint64 highlightedPerson() {
    return store::Store::instance()
        .table(QStringLiteral("QKnam"))
        .record()
        .value(QStringLiteral("CTRL_NBR"))
        .toLongLong();
}

using engine::gui::inRangeOf;

FormField memo(const char *prompt, const char *tab) {
    FormField f;
    f.prompt = QString::fromUtf8(prompt);
    f.field = QStringLiteral("MEM:MEMO");
    f.objectName = QStringLiteral("memoBox");
    f.kind = FieldKind::Memo;
    f.tab = QString::fromLatin1(tab);
    return f;
}

FormWindowSetup baseSetup(const char *objectName, const char *table, const char *uses, FormVariant variant) {
    return engine::gui::numberedFormSetup(objectName, table, store::tablesUsedBy(QString::fromLatin1(uses)),
                                          variant);
}

} // namespace

PhoneNumberCheck checkPhoneNumber(const QString &number, const QString &area, bool adding,
                                  const QString &localAreaCode) {
    PhoneNumberCheck result{false, number, area};
    if (adding) {
        QString digits;
        for (QChar c : number.trimmed()) {
            if (c.isDigit())
                digits += c;
        }
        if (digits.size() == 7)
            result.number = localAreaCode.trimmed() + digits;
        else if (digits.size() != 10)
            result.refused = true;
    }
    const QString leading = result.number.left(3);
    if (leading != result.area)
        result.area = leading;
    return result;
}

PhoneNumberField phoneNumberField(int index, bool caretOn) {
    const store::TableDef &fon = store::tableDef("QKfon");
    const int number = fon.fieldIndex(QStringLiteral("NUMBER"));
    const int area = fon.fieldIndex(QStringLiteral("AREA"));
    // Read once the form holds the setup table, before the user can type.
    auto localAreaCode = std::make_shared<QString>();
    PhoneNumberField result;
    result.field = lineEntry("&Number:", "FON:NUMBER", "@P(###) ###-####P", "numberEntry");
    result.field.leave = [number, area, localAreaCode, index, caretOn](RecordFormWindow &window) {
        store::Record &r = window.engine().table().record();
        const PhoneNumberCheck checked = checkPhoneNumber(
            r.text(number), r.text(area), window.engine().request() == Request::InsertRecord, *localAreaCode);
        r.setText(number, checked.number);
        r.setText(area, checked.area);
        if (!checked.refused)
            return true;
        store::MessageBox box;
        box.title = kPhoneEntryErrorTitle;
        box.text = kPhoneEntryErrorText;
        box.owner = &window;
        store::MessageService::current().show(box);
        if (caretOn) {
            // Back in the number, the caret one place on, as a Right key would.
            QPointer<QLineEdit> edit = window.entry(index);
            QCoreApplication::postEvent(edit, new QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
        }
        return false;
    };
    result.prepare = [localAreaCode, index](RecordFormWindow *window) {
        store::Table &settings = store::Store::instance().table(QStringLiteral("QKset"));
        if (host::readSetupRecord(settings))
            settings.record().clear();
        *localAreaCode =
            settings.record().text(settings.def().fieldIndex(QStringLiteral("AREACODE"))).trimmed();
        // A new number must be entered (the form refuses to go on without
        // one); a stored number may be edited freely.
        QLineEdit *numberEntry = window->entry(index);
        const bool adding = window->engine().request() == Request::InsertRecord;
        numberEntry->setProperty("required", adding);
        QFont font = numberEntry->font();
        font.setBold(adding);
        numberEntry->setFont(font);
    };
    return result;
}

std::vector<FormField> ownerPhoneFields(const char *wherePrompt, const char *whereName, const char *namePrompt,
                                        FormField number) {
    return {
        lineEntry(wherePrompt, "FON:LOCATION", "@S25", whereName),
        lineEntry(namePrompt, "FON:NAME", "@s25", "nameEntry"),
        std::move(number),
        lineEntry("Area Code:", "FON:AREA", "@s3", "areaEntry"),
        lineEntry("Ext:", "FON:EXT", "@s6", "extEntry"),
    };
}

RecordFormWindow *runNamePhoneForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &fon = store::tableDef("QKfon");
    FormWindowSetup setup = baseSetup("fonup", "QKfon", "namephoneform", FormVariant::A);
    setup.form.title = QStringLiteral("Update Phone Record");
    const int link = fon.fieldIndex(QStringLiteral("NAM_CTRL"));
    setup.form.prime = [link](store::Record &r) { r.setInteger(link, highlightedPerson()); };

    PhoneNumberField number = phoneNumberField(2);
    setup.fields = ownerPhoneFields("&Location:", "locationEntry", "Additional", number.field);
    setup.beforeShow = number.prepare;
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runNameNoteForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &mem = store::tableDef("QKmem");
    FormWindowSetup setup = baseSetup("notup", "QKmem", "noteform", FormVariant::A);
    setup.form.title = QStringLiteral("Name Notes Database Update Form");
    const int link = mem.fieldIndex(QStringLiteral("NAM_CTRL"));
    const int created = mem.fieldIndex(QStringLiteral("DATE"));
    const int updated = mem.fieldIndex(QStringLiteral("UPDATE"));
    setup.form.prime = [link, created](store::Record &r) {
        r.clear();
        r.setInteger(link, highlightedPerson());
        r.setInteger(created, dates::Clock::current().today());
        r.setMemo({});
    };
    setup.fields = {
        memo("", "General"),
        lineEntry("Created:", "MEM:DATE", "@d1", "createdEntry"),
        lineEntry("Updated:", "MEM:UPDATE", "@d1b", "updatedEntry"),
        lineEntry("Number:", "MEM:ORDER", "@n5", "numberEntry"),
    };
    setup.fields[3].check = inRangeOf(mem, "ORDER");
    setup.beforeSave = [updated](RecordFormWindow &window) {
        if (window.engine().request() != Request::ChangeRecord || !window.engine().differsFromSaved())
            return;
        // A date the user has just typed in full (the cursor right after
        // it) stands; otherwise the note is dated by this change.
        const QLineEdit *updatedEntry = window.entry(2);
        if (updatedEntry->isModified() && updatedEntry->cursorPosition() == 8)
            return;
        window.engine().table().record().setInteger(updated, dates::Clock::current().today());
    };
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runSharedPhoneForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &fon = store::tableDef("QKfon");
    FormWindowSetup setup = baseSetup("UpdateQKfon", "QKfon", "namephoneform2", FormVariant::B);
    setup.fields = {
        lineEntry("&Location:", "FON:LOCATION", "@S25", "locationEntry"),
        lineEntry("Name:", "FON:NAME", "@s25", "nameEntry"),
        lineEntry("&Number:", "FON:NUMBER", "@P(###) ###-####P", "numberEntry"),
        lineEntry("Area:", "FON:AREA", "@s3", "areaEntry"),
        lineEntry("Ext:", "FON:EXT", "@s6", "extEntry"),
        lineEntry("Just Phones Byte:", "FON:JUSTPHONESBYTE", "@n3", "justPhonesByteEntry"),
        lineEntry("Just Phones Name:", "FON:JUSTPHONESNAME", "@s35", "justPhonesNameEntry"),
    };
    setup.fields[5].check = inRangeOf(fon, "JUSTPHONESBYTE");
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

RecordFormWindow *runSharedNoteForm(QWidget *caller, std::function<void()> done) {
    const store::TableDef &mem = store::tableDef("QKmem");
    FormWindowSetup setup = baseSetup("UpdateQKmem", "QKmem", "noteform", FormVariant::B);
    setup.fields = {
        lineEntry("&Date:", "MEM:DATE", "@d1b", "dateEntry"),
        lineEntry("U&pdate:", "MEM:UPDATE", "@d1b", "updateEntry"),
        lineEntry("&Order:", "MEM:ORDER", "@n5", "orderEntry"),
        memo("&Memo:", "Memo"),
    };
    setup.fields[2].check = inRangeOf(mem, "ORDER");
    return RecordFormWindow::run(caller, std::move(setup), std::move(done));
}

} // namespace tabulo::host::gui
