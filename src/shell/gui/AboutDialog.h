#pragma once

#include <QDialog>
#include <QIcon>

namespace tabulo::shell::gui {

// The program's own icon, drawn for it and built into the program; the
// window title bars and the About box show it.
QIcon programIcon();

// Help > About: the program's version, its data directory and the licences
// of the libraries it uses, with Qt's own About box a button away.
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(const QString &dataDirectory, QWidget *parent = nullptr);
};

} // namespace tabulo::shell::gui
