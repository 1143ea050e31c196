#pragma once

#include "engine/ColumnFormat.h"

#include <QTableWidget>
#include <functional>
#include <optional>

class QKeyEvent;

namespace tabulo::engine::gui {

// The list control of a list window: shows exactly the page it is given and
// never scrolls vertically by itself; every key that moves or acts goes to
// the engine. Rows are one text line high; the page is as many rows as fit
// whole, so a taller window shows more of them.
class PageView final : public QTableWidget {
    Q_OBJECT
public:
    explicit PageView(QWidget *parent = nullptr);

    // Rows that fit whole in the visible area.
    int visibleRows() const;
    // The height that shows `rows` whole rows, header and frame included.
    int heightForRows(int rows) const;
    // Asks for room for `rows` rows at the window's opening size.
    void setDesignedRows(int rows);
    int rowHeight() const;

    // Takes widths, alignments and headers from a list's column format;
    // columns past the format's are the rows' hidden extras.
    void setColumnFormat(const ColumnFormat &format);
    const std::optional<ColumnFormat> &columnFormat() const { return m_format; }
    // How the column's cells are aligned.
    Qt::Alignment cellAlignment(int column) const;
    // Pixels for a width in the format's units (dialog units: a quarter of
    // the font's average character width).
    int unitsToPixels(int units) const;

    // Keys the engine handles; returns true when it took the key.
    std::function<bool(QKeyEvent *)> keyHandler;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

signals:
    void wheelScrolled(bool down);
    // The number of rows that fit changed.
    void rowsFitChanged(int rows);

private:
    int formatWidth() const;
    int cellMargins() const;

    int m_designedRows = 10;
    int m_lastFit = -1;
    std::optional<ColumnFormat> m_format;
};

} // namespace tabulo::engine::gui
