#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSize>

class QWidget;

namespace tabulo::engine::gui {

// Moves and stretches the controls of a resizable form when the user resizes
// it, by fixed rules per kind of control: entries stretch in width and keep
// their height, buttons keep their size and their distance to the nearest
// edge, check boxes keep their size and move in proportion, everything else
// scales. Controls placed by a layout are left to the layout.
class ControlResizer final : public QObject {
    Q_OBJECT
public:
    // Horizontal and vertical positioning modes; 0 scales only.
    enum Mode {
        Scale = 0,
        KeepX = 1,
        KeepRight = 2,
        KeepLeft = 4,
        KeepCentreX = 8,
        NearestX = 16,
        KeepY = 256,
        KeepBottom = 512,
        KeepTop = 1024,
        KeepCentreY = 2048,
        NearestY = 4096
    };

    enum class Kind { Entry, Button, Check, Plain, Other };

    struct Control {
        QPointer<QWidget> widget;
        Kind kind = Kind::Other;
        int horizontalMode = Scale;
        int verticalMode = Scale;
        bool fixedWidth = false;
        bool fixedHeight = false;
        // In the parent's coordinates. The window places it through the
        // nearest ancestor that is itself a control: a tab page is laid out
        // by its tab widget only once the window shows, so its offset is
        // read when the window resizes, not when the resizer was set up.
        QRect initial;
    };

    // Records the window's current size and controls and follows its resizes
    // from now on. The resizer lives as long as the window.
    static ControlResizer *install(QWidget *window);
    // The resizer installed on `window`, or null.
    static ControlResizer *of(const QWidget *window);

    // Lays the controls out for the window's current size; does nothing when
    // the size is the one last seen.
    void resize();

    const QList<Control> &controls() const { return m_controls; }
    double horizontalScale() const { return m_horizontalScale; }
    double verticalScale() const { return m_verticalScale; }

    static Kind kindOf(const QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ControlResizer(QWidget *window);
    void collect(QWidget *parent);
    QRect placeInWindow(const Control &control, const QRect &initial) const;

    QWidget *m_window;
    QSize m_initialSize;
    QSize m_lastSize;
    double m_horizontalScale = 1.0;
    double m_verticalScale = 1.0;
    QList<Control> m_controls;
};

} // namespace tabulo::engine::gui
