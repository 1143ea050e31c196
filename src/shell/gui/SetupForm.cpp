#include "shell/gui/SetupForm.h"
#include "engine/gui/WindowHost.h"

#include "engine/Globals.h"
#include "engine/gui/RecordFormWindow.h"
#include "host/StoreSetupSource.h"
#include "shell/SetupLimits.h"
#include "store/Messages.h"
#include "store/Store.h"
#include "store/Table.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace tabulo::shell::gui {

namespace {

const QString kTable = QStringLiteral("QKset");

QPointer<engine::gui::RecordFormWindow> s_open;

// The entry's row in the form layout of the General page.
QFormLayout *formOf(QLineEdit *entry) {
    return entry->parentWidget() ? qobject_cast<QFormLayout *>(entry->parentWidget()->layout()) : nullptr;
}

void hideRow(QLineEdit *entry) {
    if (QFormLayout *form = formOf(entry))
        form->setRowVisible(entry, false);
    else
        entry->hide();
}

} // namespace

engine::gui::RecordFormWindow *SetupForm::open(std::function<void()> done) {
    if (s_open) {
        engine::gui::WindowHost::bringToFront(s_open);
        return s_open;
    }

    // Held while the record is read; the form holds its own use after that.
    const store::TableUse use(QStringList{kTable});
    store::Table &setup = use[kTable];
    if (host::readSetupRecord(setup)) {
        // The frame adds the record at start; should it be gone, edit a
        // blank one rather than a stale buffer.
        setup.record().clear();
    } else {
        setup.watch();
    }
    engine::setGlobalRequest(engine::Request::ChangeRecord);

    engine::gui::FormWindowSetup form;
    form.objectName = QStringLiteral("setupForm");
    form.tableName = kTable;
    form.form.formKey = QStringLiteral("setup");
    form.form.variant = engine::FormVariant::A;
    form.form.title = QStringLiteral("Setup Database Update Form");
    form.form.longConflictMessage = false;
    form.fields = {
        {QStringLiteral("&Name:"),
         QStringLiteral("SET:MADEFOR"),
         QStringLiteral("@s20"),
         QStringLiteral("nameEntry"),
         {}},
        {QStringLiteral("&State:"),
         QStringLiteral("SET:STATE"),
         QStringLiteral("@s2"),
         QStringLiteral("stateEntry"),
         {}},
        {QStringLiteral("&Country:"),
         QStringLiteral("SET:COUNTRY"),
         QStringLiteral("@s20"),
         QStringLiteral("countryEntry"),
         {}},
        {QStringLiteral("&Local Area Code:"),
         QStringLiteral("SET:AREACODE"),
         QStringLiteral("@s3"),
         QStringLiteral("areaCodeEntry"),
         {}},
        {QStringLiteral("Dial Prefix"),
         QStringLiteral("SET:DIALPREFIX"),
         QStringLiteral("@n1"),
         QStringLiteral("dialPrefixEntry"),
         {}},
        {QStringLiteral("Modem Com &Port:"),
         QStringLiteral("SET:COM"),
         QStringLiteral("@s1"),
         QStringLiteral("comPortEntry"),
         {}},
        {QStringLiteral("Days Before Important Date :"),
         QStringLiteral("SET:ANNLEAD"),
         QStringLiteral("@n3"),
         QStringLiteral("leadDaysEntry"),
         {}},
        {QStringLiteral("Popup Interval:"), QStringLiteral("SET:DATPOPUP"), QStringLiteral("@n3"),
         QStringLiteral("popupIntervalEntry")},
    };
    form.fields.back().range = std::pair<qint64, qint64>(kMinPopupMinutes, kMaxPopupMinutes);
    form.uses = {kTable};

    form.beforeShow = [&setup](engine::gui::RecordFormWindow *window) {
        // The dialling settings are there but not shown: the dialler has no
        // behaviour, so the user has nothing to set.
        hideRow(window->entry(4));
        hideRow(window->entry(5));
        QLineEdit *areaCode = window->entry(3);
        auto *dialAreaCode = new QCheckBox(QStringLiteral("Dial Area Code"), areaCode->parentWidget());
        dialAreaCode->setObjectName(QStringLiteral("dialAreaCodeCheck"));
        dialAreaCode->setChecked(setup.record().value(QStringLiteral("SET:DIALAREACODE")).toLongLong() != 0);
        dialAreaCode->setEnabled(false);
        dialAreaCode->hide();

        QLineEdit *lead = window->entry(6);
        const QString leadTip = QStringLiteral("Anniversery alarm days lead time");
        lead->setToolTip(leadTip);
        if (QFormLayout *layout = formOf(lead))
            if (QWidget *label = layout->labelForField(lead))
                label->setToolTip(leadTip);

        // "Minutes" follows the interval entry on its row.
        QLineEdit *interval = window->entry(7);
        if (QFormLayout *layout = formOf(interval)) {
            int row = -1;
            QFormLayout::ItemRole role;
            layout->getWidgetPosition(interval, &row, &role);
            auto *line = new QWidget(interval->parentWidget());
            line->setObjectName(QStringLiteral("popupIntervalLine"));
            auto *box = new QHBoxLayout(line);
            box->setContentsMargins(0, 0, 0, 0);
            box->addWidget(interval);
            auto *minutes = new QLabel(QStringLiteral("Minutes"), line);
            minutes->setObjectName(QStringLiteral("minutesLabel"));
            box->addWidget(minutes);
            box->addStretch();
            layout->setWidget(row, QFormLayout::FieldRole, line);
            // Moved and new widgets show only when told.
            interval->show();
            minutes->show();
            line->show();
        }
    };
    engine::gui::RecordFormWindow *window =
        engine::gui::RecordFormWindow::run(nullptr, std::move(form), std::move(done));
    if (!window)
        return nullptr;
    s_open = window;
    return window;
}

} // namespace tabulo::shell::gui
