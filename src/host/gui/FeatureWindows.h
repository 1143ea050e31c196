#pragma once

#include "host/CityIndex.h"
#include "store/Record.h"

#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QToolButton;
class QWidget;

namespace tabulo::engine::gui {
class RecordFormWindow;
} // namespace tabulo::engine::gui

namespace tabulo::host::gui {

// Says in the frame's status bar that `window` cannot be opened in this
// program ("Calls list is not available yet").
void tellNotAvailable(const QString &window);

// One named way into another feature's window. The feature that owns the
// window does not know its callers; the program's top floor, which knows every
// feature, installs what answers. Called before anything is installed it
// tells the user the window is not available and answers with an empty value.
template <typename Signature> class FeatureEntry;

template <typename Result, typename... Args> class FeatureEntry<Result(Args...)> final {
public:
    explicit FeatureEntry(const char *window)
        : m_window(QString::fromLatin1(window)) {}

    void install(std::function<Result(Args...)> run) { m_run = std::move(run); }
    bool installed() const { return static_cast<bool>(m_run); }
    const QString &window() const { return m_window; }

    Result operator()(Args... args) const {
        if (!m_run) {
            tellNotAvailable(m_window);
            return Result();
        }
        // A copy, so an answer that installs entries again does not pull the
        // function out from under its own call.
        const std::function<Result(Args...)> run = m_run;
        return run(std::forward<Args>(args)...);
    }

private:
    QString m_window;
    std::function<Result(Args...)> m_run;
};

// Which contacts a list's import and export button works on.
enum class ContactKind { People, Companies };

// The windows one feature opens in another. Each entry says in its comment
// what the caller gets back.
struct FeatureWindows final {
    // The names list, at one person on a detail tab (-1 keeps the tab) and,
    // when `note` is not 0, at that note. False when it could not be shown.
    FeatureEntry<bool(qint64 person, int tab, qint64 note)> showPerson{"Names list"};
    // The companies list, in the same way.
    FeatureEntry<bool(qint64 company, int tab, qint64 note)> showCompany{"Companies list"};
    // The phone numbers only list, on its own, or at one entry.
    FeatureEntry<void()> openJustPhonesList{"Phone numbers only list"};
    FeatureEntry<bool(qint64 phone)> showJustPhone{"Phone numbers only list"};
    // "Print Menu".
    FeatureEntry<void()> openPrintMenu{"Print menu"};

    // The forms of another feature, run for GlobalRequest over `caller`;
    // `done` runs when the form has ended. The window, or null when the form
    // ended without showing.
    using FormRun = engine::gui::RecordFormWindow *(QWidget *caller, std::function<void()> done);
    FeatureEntry<FormRun> runNameRecordForm{"Name record form"};
    FeatureEntry<FormRun> runCallForm{"Call form"};

    // The company pickers. `chooseCompany` gives the chosen company in full,
    // or nothing when the user closed the list without choosing;
    // `pickFromCompaniesList` opens the companies list as the names list's
    // picker at the name in JCG:COMPANY and runs `done` when it ends, with
    // GlobalResponse and the QKcmp buffer holding the answer.
    FeatureEntry<void(QWidget *caller, std::function<void(std::optional<store::Record>)> done)> chooseCompany{
        "Company file"};
    FeatureEntry<void(QWidget *caller, std::function<void()> done)> pickFromCompaniesList{"Companies list"};
    // The company whose link to "All" carries this name, 0 when none does.
    FeatureEntry<qint64(const QString &name)> companyNamed{"Companies list"};

    // The cities list as the address fields' picker, with `city` as the zip
    // search text; `done` gets the chosen entry, or nothing.
    FeatureEntry<void(QWidget *caller, const QString &city, std::function<void(std::optional<CityZip>)> done)>
        chooseCity{"Cities and zip codes list"};

    // "Phone Dial" over `caller` for the number; nothing is dialled until the
    // user presses Dial.
    FeatureEntry<void(QWidget *caller, const QString &callerLabel, const QString &locationLabel,
                      const QString &number)>
        dial{"Phone dial"};

    // The "Import/Export" button of a list: import, and export of the
    // category `category` names or of all; `afterImport` runs when something
    // was stored.
    FeatureEntry<QToolButton *(QWidget *list, ContactKind kind, std::function<qint64()> category,
                               std::function<void()> afterImport)>
        exchangeButton{"Import and export"};

    // The one process-wide set.
    static FeatureWindows &process();
};

// Shorthand for the process-wide set.
inline FeatureWindows &featureWindows() {
    return FeatureWindows::process();
}

} // namespace tabulo::host::gui
