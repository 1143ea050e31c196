#include "exchange/gui/ExchangeWindows.h"

#include "exchange/Csv.h"
#include "host/DataDirectory.h"
#include "host/gui/WindowOpeners.h"
#include "store/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tabulo::exchange::gui {

namespace {

QString columnKey(const QString &header) {
    QString key = header.trimmed().toLower();
    key.replace(QLatin1Char('/'), QLatin1Char('_'));
    key.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return key.isEmpty() ? QStringLiteral("_") : key;
}

int choiceIndex(const CsvColumn &column) {
    const auto &choices = csvFieldChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        if (choices[i].column.field == column.field && choices[i].column.location == column.location)
            return static_cast<int>(i);
    }
    return 0;
}

void showSummary(QWidget *owner, const QString &title, const QString &text) {
    store::MessageBox box;
    box.title = title;
    box.text = text;
    box.owner = owner;
    store::MessageService::current().show(box);
}

// A progress window the passes report to; Cancel stops them between cards.
class Progress final {
public:
    Progress(QWidget *owner, const QString &text)
        : m_dialog(text, QStringLiteral("Cancel"), 0, 100, owner) {
        m_dialog.setObjectName(QStringLiteral("exchangeProgress"));
        m_dialog.setWindowTitle(QStringLiteral("Import and Export"));
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(300);
    }
    std::function<bool(int, int)> callback() {
        return [this](int done, int total) {
            if (done % 200 == 0 || done == total) {
                m_dialog.setMaximum(std::max(total, 1));
                m_dialog.setValue(done);
                QCoreApplication::processEvents();
            }
            return !m_dialog.wasCanceled();
        };
    }
    QProgressDialog &dialog() { return m_dialog; }

private:
    QProgressDialog m_dialog;
};

} // namespace

ImportDialog::ImportDialog(const QString &file, int cards, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("importDialog"));
    setWindowTitle(QStringLiteral("Import Contacts"));
    auto *layout = new QVBoxLayout(this);
    auto *what =
        new QLabel(QStringLiteral("%1 cards in %2").arg(cards).arg(QFileInfo(file).fileName()), this);
    what->setObjectName(QStringLiteral("importWhat"));
    layout->addWidget(what);
    m_addAnyway = new QCheckBox(QStringLiteral("Add cards that match a stored person anyway"), this);
    m_addAnyway->setObjectName(QStringLiteral("addAnywayCheck"));
    m_addAnyway->setToolTip(QStringLiteral("A card whose name and a phone number or e-mail match a stored "
                                           "person is skipped unless this is checked."));
    layout->addWidget(m_addAnyway);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Import"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

bool ImportDialog::addDuplicates() const {
    return m_addAnyway->isChecked();
}

CsvMappingDialog::CsvMappingDialog(const QStringList &header, const QStringList &example, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("csvMappingDialog"));
    setWindowTitle(QStringLiteral("Map CSV Columns"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Choose what each column of the file holds."), this));
    auto *scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto *page = new QWidget(scroll);
    auto *form = new QFormLayout(page);
    for (qsizetype i = 0; i < header.size(); ++i) {
        auto *choice = new QComboBox(page);
        choice->setObjectName(QStringLiteral("column%1").arg(i));
        for (const CsvFieldChoice &c : csvFieldChoices())
            choice->addItem(c.label);
        // What the user chose for this header before; otherwise what the
        // command line would read it as.
        if (const auto kept = remembered(header[i]))
            choice->setCurrentIndex(choiceIndex(*kept));
        else
            choice->setCurrentIndex(choiceIndex(recognizeCsvColumn(header[i], static_cast<int>(i))));
        const QString sample = example.value(i).left(30);
        form->addRow(sample.isEmpty() ? header[i] : QStringLiteral("%1 (%2)").arg(header[i], sample), choice);
        m_choices.push_back(choice);
    }
    scroll->setWidget(page);
    layout->addWidget(scroll);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(480, 420);
}

CsvMapping CsvMappingDialog::mapping() const {
    CsvMapping mapping;
    const auto &choices = csvFieldChoices();
    for (const QComboBox *c : m_choices)
        mapping.push_back(choices[static_cast<size_t>(std::max(0, c->currentIndex()))].column);
    return mapping;
}

void CsvMappingDialog::remember(const QStringList &header, const CsvMapping &mapping) {
    QSettings settings(host::DataDirectory::settingsFile(), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("CsvMapping"));
    for (size_t i = 0; i < mapping.size() && i < static_cast<size_t>(header.size()); ++i)
        settings.setValue(columnKey(header[static_cast<qsizetype>(i)]), choiceIndex(mapping[i]));
    settings.endGroup();
}

std::optional<CsvColumn> CsvMappingDialog::remembered(const QString &header) {
    QSettings settings(host::DataDirectory::settingsFile(), QSettings::IniFormat);
    const QVariant kept = settings.value(QStringLiteral("CsvMapping/") + columnKey(header));
    const auto &choices = csvFieldChoices();
    bool ok = false;
    const int index = kept.toInt(&ok);
    if (!kept.isValid() || !ok || index < 0 || index >= static_cast<int>(choices.size()))
        return std::nullopt;
    return choices[static_cast<size_t>(index)].column;
}

std::optional<ImportSummary> importWithDialogs(QWidget *caller, const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        showSummary(caller, QStringLiteral("Import"),
                    QStringLiteral("The file %1 cannot be read: %2").arg(path, file.errorString()));
        return std::nullopt;
    }
    const QByteArray data = file.readAll();
    ParsedContacts parsed = parseContacts(data);
    if (parsed.needsMapping) {
        const CsvTable table = readCsv(data);
        const QStringList example = table.rows.size() > 1 ? table.rows[1].fields : QStringList();
        CsvMappingDialog dialog(parsed.header, example, caller);
        if (dialog.exec() != QDialog::Accepted)
            return std::nullopt;
        const CsvMapping mapping = dialog.mapping();
        CsvMappingDialog::remember(parsed.header, mapping);
        parsed = parseContacts(data, mapping);
    }
    if (!parsed.failure.isEmpty()) {
        showSummary(caller, QStringLiteral("Import"), parsed.failure);
        return std::nullopt;
    }
    ImportDialog ask(path, static_cast<int>(parsed.contacts.size()), caller);
    if (ask.exec() != QDialog::Accepted)
        return std::nullopt;
    Progress progress(caller, QStringLiteral("Importing %1...").arg(QFileInfo(path).fileName()));
    ImportOptions options;
    options.addDuplicates = ask.addDuplicates();
    options.progress = progress.callback();
    ImportSummary summary = importContacts(std::move(parsed.contacts), options);
    summary.problems.insert(summary.problems.begin(), parsed.problems.begin(), parsed.problems.end());
    summary.unknownColumns = parsed.unknownColumns;
    std::sort(summary.problems.begin(), summary.problems.end(),
              [](const ImportProblem &a, const ImportProblem &b) { return a.line < b.line; });
    progress.dialog().close();
    showSummary(caller, QStringLiteral("Import"), summary.text());
    return summary;
}

ExportSummary exportWithDialogs(QWidget *caller, const QString &path, ExportOptions options) {
    Progress progress(caller, QStringLiteral("Exporting to %1...").arg(QFileInfo(path).fileName()));
    options.progress = progress.callback();
    const ExportSummary summary = exportFile(path, options);
    progress.dialog().close();
    showSummary(caller, QStringLiteral("Export"), summary.text());
    return summary;
}

void chooseAndImport(QWidget *caller, const std::function<void()> &after) {
    const QString path =
        QFileDialog::getOpenFileName(caller, QStringLiteral("Import Contacts"), QString(),
                                     QStringLiteral("Address books (*.vcf *.vcard *.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    const std::optional<ImportSummary> summary = importWithDialogs(caller, path);
    if (summary && after && (summary->peopleAdded > 0 || summary->companiesAdded > 0))
        after();
}

void chooseAndExport(QWidget *caller, ExportScope scope, qint64 category) {
    const QString vcard4 = QStringLiteral("vCard 4.0 (*.vcf)");
    const QString vcard3 = QStringLiteral("vCard 3.0, for older programs (*.vcf)");
    const QString csv = QStringLiteral("CSV with a header row (*.csv)");
    QString filter = vcard4;
    const QString path = QFileDialog::getSaveFileName(
        caller, QStringLiteral("Export Contacts"), QString(),
        vcard4 + QStringLiteral(";;") + vcard3 + QStringLiteral(";;") + csv, &filter);
    if (path.isEmpty())
        return;
    ExportOptions options;
    options.scope = scope;
    options.category = category;
    options.format = filter == csv      ? ExportFormat::Csv
                     : filter == vcard3 ? ExportFormat::VCard3
                                        : ExportFormat::VCard4;
    exportWithDialogs(caller, path, options);
}

QToolButton *exchangeButton(QWidget *list, ExportScope scope, std::function<qint64()> category,
                            std::function<void()> afterImport) {
    auto *button = new QToolButton(list);
    button->setObjectName(QStringLiteral("exchangeButton"));
    button->setText(QStringLiteral("Import/Export"));
    button->setToolTip(QStringLiteral("Import or export contacts as vCard or CSV"));
    button->setPopupMode(QToolButton::InstantPopup);
    auto *menu = new QMenu(button);
    menu->setObjectName(QStringLiteral("exchangeMenu"));
    QAction *import = menu->addAction(QStringLiteral("&Import vCard or CSV..."));
    import->setObjectName(QStringLiteral("actionImportContacts"));
    QObject::connect(import, &QAction::triggered, list,
                     [list, afterImport] { chooseAndImport(list, afterImport); });
    QAction *shown = menu->addAction(QStringLiteral("&Export Category Shown..."));
    shown->setObjectName(QStringLiteral("actionExportShown"));
    QObject::connect(shown, &QAction::triggered, list,
                     [list, scope, category] { chooseAndExport(list, scope, category ? category() : 0); });
    QAction *all = menu->addAction(QStringLiteral("Export &All..."));
    all->setObjectName(QStringLiteral("actionExportAll"));
    QObject::connect(all, &QAction::triggered, list, [list, scope] { chooseAndExport(list, scope, 0); });
    button->setMenu(menu);
    return button;
}

void registerExchangeWindows(host::gui::WindowOpeners &openers) {
    openers.set(host::gui::FrameCommand::ImportContacts,
                [](const host::gui::FrameContext &context) { chooseAndImport(context.frame); });
    openers.set(host::gui::FrameCommand::ExportContacts, [](const host::gui::FrameContext &context) {
        chooseAndExport(context.frame, ExportScope::Everything, 0);
    });
}

} // namespace tabulo::exchange::gui
