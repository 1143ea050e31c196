#include "shell/gui/BackupCommands.h"

#include "engine/PlacementSettings.h"
#include "engine/gui/WindowHost.h"
#include "store/DataSafety.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMdiArea>
#include <QProgressDialog>
#include <QSettings>

namespace tabulo::shell::gui {

namespace {

const QString kFolderKey = QStringLiteral("Backup/Folder");

int tell(QWidget *parent, const QString &title, const QString &text, int buttons = store::Button::Ok,
         store::MessageIcon icon = store::MessageIcon::Warning) {
    store::MessageBox box;
    box.title = title;
    box.text = text;
    box.buttons = buttons;
    box.defaultButton = buttons & store::Button::No ? store::Button::No : store::Button::Ok;
    box.icon = icon;
    box.owner = parent;
    return store::MessageService::current().show(box);
}

QString lastFolder() {
    return QSettings(engine::PlacementSettings::defaultFile(), QSettings::IniFormat).value(kFolderKey).toString();
}

} // namespace

void backupDataFiles(QWidget *parent) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, QStringLiteral("Backup Data Files"),
                                                             lastFolder().isEmpty() ? QDir::homePath() : lastFolder());
    if (chosen.isEmpty())
        return;
    QSettings(engine::PlacementSettings::defaultFile(), QSettings::IniFormat).setValue(kFolderKey, chosen);

    QProgressDialog progress(QStringLiteral("Backing up the data files..."), QString(), 0, 1, parent);
    progress.setObjectName(QStringLiteral("backupProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QString error;
    const QString folder = store::backupDataDirectory(store::Store::instance().directory(), chosen, error,
                                                      [&progress](int done, int total) {
                                                          progress.setMaximum(total);
                                                          progress.setValue(done);
                                                          QApplication::processEvents();
                                                      });
    progress.close();
    if (folder.isEmpty()) {
        tell(parent, QStringLiteral("Backup Error"), QStringLiteral("The data files were not backed up: ") + error);
        return;
    }
    tell(parent, QStringLiteral("Backup Data Files"),
         QStringLiteral("The data files were backed up to %1.").arg(QDir::toNativeSeparators(folder)));
}

void restoreFromBackup(QWidget *parent) {
    if (QMdiArea *area = engine::gui::WindowHost::area(); area && !area->subWindowList().isEmpty()) {
        tell(parent, QStringLiteral("Restore from Backup"),
             QStringLiteral("Close every window before restoring a backup."));
        return;
    }
    const QString folder = QFileDialog::getExistingDirectory(parent, QStringLiteral("Restore from Backup"),
                                                             lastFolder().isEmpty() ? QDir::homePath() : lastFolder());
    if (folder.isEmpty())
        return;
    const QStringList problems = store::checkBackup(folder);
    if (!problems.isEmpty()) {
        tell(parent, QStringLiteral("Restore from Backup"),
             QStringLiteral("%1 cannot be restored: %2").arg(QDir::toNativeSeparators(folder), problems.join(QLatin1Char(' '))));
        return;
    }
    if (tell(parent, QStringLiteral("Restore from Backup"),
             QStringLiteral("Replace the data files with the backup in %1? The current files are kept aside, and the "
                            "program ends when the backup is in place.")
                 .arg(QDir::toNativeSeparators(folder)),
             store::Button::Yes | store::Button::No, store::MessageIcon::Question)
        != store::Button::Yes)
        return;
    store::Store::instance().closeAll();
    QString error;
    const QString aside = store::restoreBackup(folder, store::Store::instance().directory(), error);
    if (aside.isEmpty()) {
        tell(parent, QStringLiteral("Restore Error"), QStringLiteral("The backup was not restored: ") + error);
    } else {
        tell(parent, QStringLiteral("Restore from Backup"),
             QStringLiteral("The backup was restored; the files before it are in %1. Start the program again.")
                 .arg(QDir::toNativeSeparators(aside)));
    }
    QCoreApplication::exit(aside.isEmpty() ? 1 : 0);
}

} // namespace tabulo::shell::gui
