#pragma once

class QWidget;

namespace tabulo::shell::gui {

// "&Backup Data Files": asks for a folder (the last one offered again),
// copies every table and QK.INI into a dated folder under it with progress,
// and says where the backup went.
void backupDataFiles(QWidget *parent);

// "Restore from Backup...": asks for a backup folder, checks it, keeps the
// current files aside and puts the backup in place; the program then ends
// so that it starts again on the restored files. Only with no window open.
void restoreFromBackup(QWidget *parent);

} // namespace tabulo::shell::gui
