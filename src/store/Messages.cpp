#include "store/Messages.h"
#include "base/Text.h"

#include <QStringView>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace tabulo::store {

namespace {

using namespace Qt::StringLiterals;

constexpr int kErrorTextLimit = 150;

const std::array<MessageDefinition, 20> &definitions() {
    using enum MessageIcon;
    using enum AfterBox;
    static const std::array<MessageDefinition, 20> table{{
        {1,
         u"Invalid File"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) accessing {first}.  Press OK to end this application."_s,
         {},
         EndProgram,
         u"Invalid File!"_s},
        {2,
         u"Invalid Key"_s,
         Question,
         Button::Yes | Button::No,
         Button::Yes,
         u"{first} key file is invalid.  Do you want to rebuild the key?"_s,
         {},
         EndProgramOnNo,
         u"Invalid Key!"_s},
        {3,
         u"Key Rebuild Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) repairing key for {first}.  Press OK to end this application."_s,
         {},
         EndProgram,
         u"Error Rebuilding Key!"_s},
        {4,
         u"File Creation Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) creating {first}.  Press OK to end this application."_s,
         {},
         EndProgram,
         u"File Creation Error!"_s},
        {5,
         u"File Creation Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) opening created file:{first}.  Press OK to end this application."_s,
         {},
         EndProgram,
         u"File Creation Error!"_s},
        {10,
         u"Range Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"The value of {first} must be between {second}."_s,
         {},
         ReturnButton,
         {}},
        {14,
         u"Record Insert Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"An error was experienced during the update of record.  Error: {error}."_s,
         {},
         ReturnButton,
         {}},
        {15,
         u"Update Operation Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"An error ({error}) was experienced when attempting to update a record from the file.  "
         u"Probable Cause: {first}."_s,
         u"This record was changed by another station."_s,
         ReturnButton,
         {}},
        {16,
         u"Record Update Error"_s,
         Warning,
         Button::Yes | Button::No | Button::Cancel,
         Button::Cancel,
         u"An error was experienced changing this record.  Do you want to try to save again?"_s,
         {},
         ReturnButton,
         {}},
        {17,
         u"Delete Operation Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"An error ({error}) was experienced when attempting to delete a record from the file {first}."_s,
         {},
         ReturnButton,
         {}},
        {18,
         u"Record Update Error"_s,
         Warning,
         Button::Yes | Button::No | Button::Cancel,
         Button::Cancel,
         u"An error was experienced deleting this record.  Do you want to try to save again?"_s,
         {},
         ReturnButton,
         {}},
        {24,
         u"Duplicate Key Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Adding this record creates a duplicate entry for the key:{first}"_s,
         {},
         ReturnButton,
         {}},
        {25,
         u"Auto Increment Error"_s,
         Warning,
         Button::Retry | Button::Cancel,
         Button::Cancel,
         u"Attempts to automatically number this record have failed.  Error: {error}."_s,
         {},
         ReturnButton,
         {}},
        {30,
         u"File Access Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"File ({first}) could not be opened.  Error: {error}."_s,
         {},
         ReturnButton,
         {}},
        {32,
         u"Confirm Delete"_s,
         Question,
         Button::Ok | Button::Cancel,
         Button::Cancel,
         u"You've selected to delete the highlighted record.  Press OK to confirm deletion of this record."_s,
         {},
         ReturnButton,
         {}},
        {33,
         u"Update Cancelled"_s,
         Question,
         Button::Yes | Button::No | Button::Cancel,
         Button::No,
         u"Do you want to save the changes to this record?"_s,
         {},
         ReturnButton,
         {}},
        {34,
         u"Transaction Framing Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) attempting to frame the {first-lower} transaction on {second}.  "
         u"{first} transaction cancelled."_s,
         {},
         ReturnButton,
         {}},
        {35,
         u"Record Retrieval Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) attempting to access a record from the {first} file.  Returning to previous window."_s,
         {},
         ReturnButton,
         {}},
        {36,
         u"View Open Error"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"Error: ({error}) attempting to open the current VIEW. Filter and Range Limits ignored."_s,
         {},
         ReturnButton,
         {}},
        {38,
         u"Record Was Not Updated"_s,
         Warning,
         Button::Ok,
         Button::Ok,
         u"This record was changed by another station. Those changes will now be displayed. "
         u"Use the Ditto Button or Ctrl+' to recall your changes."_s,
         {},
         ReturnButton,
         {}},
    }};
    return table;
}

// Inserted texts come from blank-padded fields; only trailing blanks go.
// Cuts after `limit` characters, never between the two halves of a
// surrogate pair.
QString cutAtCharacters(const QString &text, int limit) {
    qsizetype pos = 0;
    for (int count = 0; count < limit && pos < text.size(); ++count)
        pos += (text.at(pos).isHighSurrogate() && pos + 1 < text.size() && text.at(pos + 1).isLowSurrogate())
                   ? 2
                   : 1;
    return text.left(pos);
}

bool needsError(const MessageDefinition &def) {
    return !def.conflictText.isEmpty() || def.text.contains(u"{error}");
}

// Fills the template in one pass, so an inserted text that happens to look
// like a marker is shown as it stands.
QString fillTemplate(QStringView tmpl, const QString &first, const QString &second, const QString &error) {
    QString out;
    out.reserve(tmpl.size() + first.size() * 2 + second.size() + error.size());
    qsizetype pos = 0;
    while (pos < tmpl.size()) {
        const qsizetype open = tmpl.indexOf(u'{', pos);
        const qsizetype close = open < 0 ? -1 : tmpl.indexOf(u'}', open);
        if (close < 0) {
            out += tmpl.mid(pos);
            break;
        }
        out += tmpl.mid(pos, open - pos);
        const QStringView marker = tmpl.mid(open + 1, close - open - 1);
        if (marker == u"first")
            out += first;
        else if (marker == u"first-lower")
            out += first.toLower();
        else if (marker == u"second")
            out += second;
        else if (marker == u"error")
            out += error;
        else
            out += tmpl.mid(open, close - open + 1);
        pos = close + 1;
    }
    return out;
}

} // namespace

const MessageDefinition *messageDefinition(int number) {
    const auto &table = definitions();
    const auto it = std::find_if(table.begin(), table.end(),
                                 [number](const MessageDefinition &def) { return def.number == number; });
    return it == table.end() ? nullptr : &*it;
}

QList<int> messageNumbers() {
    QList<int> numbers;
    for (const MessageDefinition &def : definitions())
        numbers.append(def.number);
    return numbers;
}

QString errorText(const StoreError &error) {
    const bool system = error.code == Code::SystemError;
    const QString text = base::withoutTrailingBlanks(system ? error.osText : error.text);
    const int code = system ? error.osCode : error.code;
    return cutAtCharacters(text + u" ("_s + QString::number(code) + u')', kErrorTextLimit);
}

MessageBox buildStandardMessage(int number, const QString &first, const QString &second) {
    MessageBox box;
    box.number = number;
    const MessageDefinition *def = messageDefinition(number);
    if (!def) {
        // A caller asked for a number the system does not use: say so plainly
        // rather than show nothing.
        box.title = u"Message Error"_s;
        box.text = u"Message %1 is not defined."_s.arg(number);
        return box;
    }
    box.title = def->title;
    box.icon = def->icon;
    box.buttons = def->buttons;
    box.defaultButton = def->defaultButton;

    QString error;
    QStringView tmpl = def->text;
    if (needsError(*def)) {
        const StoreError failure = takeErrorForMessage();
        if (!def->conflictText.isEmpty() &&
            (failure.code == Code::Ok || failure.code == Code::ChangedElsewhere))
            tmpl = def->conflictText;
        error = errorText(failure);
    }
    box.text = fillTemplate(tmpl, base::withoutTrailingBlanks(first), base::withoutTrailingBlanks(second), error);
    return box;
}

int standardMessage(QObject *owner, int number, const QString &first, const QString &second) {
    MessageBox box = buildStandardMessage(number, first, second);
    box.owner = owner;
    MessageService &service = MessageService::current();
    const int pressed = service.show(box);
    if (const MessageDefinition *def = messageDefinition(number)) {
        if (def->after == AfterBox::EndProgram ||
            (def->after == AfterBox::EndProgramOnNo && pressed == Button::No))
            service.halt(def->haltText);
    }
    return pressed;
}

int standardMessage(int number, const QString &first, const QString &second) {
    return standardMessage(nullptr, number, first, second);
}

void stopDialog(const QString &text, QObject *owner) {
    MessageBox box;
    box.title = u"Stop"_s;
    box.text = text;
    box.icon = MessageIcon::Warning;
    box.buttons = Button::Abort | Button::Ignore;
    box.defaultButton = Button::Abort;
    box.owner = owner;
    if (MessageService::current().show(box) == Button::Ignore)
        return;
    // The box said it all; the halt adds no second one.
    haltProgram({});
}

void haltProgram(const QString &haltText) {
    MessageService::current().halt(haltText);
    std::abort(); // a service whose halt returns is broken; the program must not go on
}

} // namespace tabulo::store
