#pragma once

#include "engine/PlacementSettings.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace tabulo::engine::gui {

// Keeps a window's position, size and maximised state in its section of the
// settings file. Attach right after the window is built and before it is
// shown: the designed size becomes the minimum size, the saved placement is
// applied, and it is written back when the window closes (not when it is
// merely minimised or hidden by the system).
class WindowPlacement final : public QObject {
    Q_OBJECT
public:
    // Attaches to `window` under `section` of the data directory's QK.INI
    // (or `iniFile` when given). The object lives as long as the window.
    static WindowPlacement *attach(QWidget *window, const QString &section, const QString &iniFile = {});
    // As attach, and sets up the control resizer in the order a resizable
    // form needs: minimum size, resizer, restored placement, resize.
    static WindowPlacement *attachResizable(QWidget *window, const QString &section,
                                            const QString &iniFile = {});

    // The two routines on their own, for windows that drive them themselves.
    static void restore(QWidget *window, const QString &section, const PlacementSettings &settings);
    static void save(QWidget *window, const QString &section, const PlacementSettings &settings);

    // The size the window was designed with: its size if the code set one,
    // otherwise its size hint.
    static QSize designedSize(const QWidget *window);

    // A window whose controls were added after it was measured (a list
    // window a particular list adds panels to) grows its designed size, and
    // so its minimum, to what its layout now asks.
    static void settleDesignedSize(QWidget *window);

    // The placement attached to `window`, if any.
    static WindowPlacement *of(const QWidget *window);

    // Applies the saved placement once. Inside the main frame this waits
    // until the window has its sub-window, so the placement is the sub-window's.
    void restoreNow();
    // Writes the placement now, as a close would.
    void saveNow();
    const QString &section() const { return m_section; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowPlacement(QWidget *window, QString section, PlacementSettings settings);

    QPointer<QWidget> m_window;
    QString m_section;
    PlacementSettings m_settings;
    bool m_restored = false;
};

} // namespace tabulo::engine::gui
