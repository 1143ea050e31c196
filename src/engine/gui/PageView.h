#pragma once

#include <QTableWidget>
#include <functional>

class QKeyEvent;

namespace tabulo::engine::gui {

// The list control of a list window: shows exactly the page it is given and
// never scrolls by itself; every key that moves or acts goes to the engine.
class PageView final : public QTableWidget {
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    // Rows that fit in the visible area.
    int visibleRows() const;
    // Sizes the control so that exactly `rows` rows fit.
    void setVisibleRows(int rows);

    // Keys the engine handles; returns true when it took the key.
    std::function<bool(QKeyEvent *)> keyHandler;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

signals:
    void wheelScrolled(bool down);

private:
    int m_rows = 0;
};

} // namespace tabulo::engine::gui
