#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace tabulo::engine {

// A window's saved position, size and maximised state.
struct Placement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool maximised = false;
};

// The window placement sections of the settings file, one section per window
// ("Main", "setup", "catls", ...). A missing file, section or key reads as 0
// or "No", which leaves the window at its designed place.
class PlacementSettings final {
public:
    explicit PlacementSettings(QString iniFile);
    // "QK.INI" in the store's data directory.
    static QString defaultFile();

    const QString &file() const { return m_file; }

    // One of "XPosit", "YPosit", "Width", "Height" as a number; 0 when
    // missing or not a number.
    int number(const QString &section, const QString &key) const;
    // "Maximize" reads "Yes".
    bool maximised(const QString &section) const;
    // The whole section at once.
    Placement read(const QString &section) const;

    // Writes "Maximize", then "XPosit", "YPosit", "Width" and "Height".
    void write(const QString &section, const Placement &placement) const;

private:
    QString m_file;
};

// Where a saved placement may go: sizes below the designed size become the
// designed size, and a window not wholly on `areas` (the screens, or the
// frame's work area) is moved onto the one that shows most of it (or the
// nearest): wholly when it fits there, otherwise so that its title bar's
// height and a quarter of its width show.
QRect clampPlacement(QRect saved, QSize designed, const QList<QRect> &areas, int titleBarHeight);

} // namespace tabulo::engine
