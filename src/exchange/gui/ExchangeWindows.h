#pragma once

#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "exchange/ContactMapping.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QToolButton;
class QWidget;

namespace tabulo::host::gui {
class WindowOpeners;
}

namespace tabulo::exchange::gui {

// Asked before an import: the file, and whether cards that match a stored
// person are added anyway (skipped by default).
class ImportDialog final : public QDialog {
public:
    ImportDialog(const QString &file, int cards, QWidget *parent);
    bool addDuplicates() const;

private:
    QCheckBox *m_addAnyway;
};

// Maps the columns of a CSV file whose header no known layout matches: one
// choice per column, with the first row as an example. The last mapping is
// remembered in the settings file and offered again.
class CsvMappingDialog final : public QDialog {
public:
    CsvMappingDialog(const QStringList &header, const QStringList &example, QWidget *parent);
    CsvMapping mapping() const;
    // Keeps the mapping for the next file (section "CsvMapping" of QK.INI).
    static void remember(const QStringList &header, const CsvMapping &mapping);
    // The remembered choice for a column of that header name, if any.
    static std::optional<CsvColumn> remembered(const QString &header);

private:
    std::vector<QComboBox *> m_choices;
};

// The import of a file with its windows: the mapping dialog when the CSV
// needs one, the duplicates choice, a progress window with Cancel, and the
// summary in a message box. Nothing when the user gave up before storing.
std::optional<ImportSummary> importWithDialogs(QWidget *caller, const QString &path);

// The export to a file with a progress window and the summary box.
ExportSummary exportWithDialogs(QWidget *caller, const QString &path, ExportOptions options);

// Asks for the file, then imports; `after` runs when something was stored.
void chooseAndImport(QWidget *caller, const std::function<void()> &after = {});
// Asks for the file and its format (vCard 4.0, vCard 3.0, CSV), then exports.
void chooseAndExport(QWidget *caller, ExportScope scope, qint64 category);

// The "Import/Export" button of a list, with its menu: import, and export
// of the category shown (`category` says which) or of all.
QToolButton *exchangeButton(QWidget *list, ExportScope scope, std::function<qint64()> category,
                            std::function<void()> afterImport);

// The frame's File menu items.
void registerExchangeWindows(host::gui::WindowOpeners &openers);

} // namespace tabulo::exchange::gui
