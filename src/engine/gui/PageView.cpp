#include "engine/gui/PageView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QWheelEvent>

namespace tabulo::engine::gui {

PageView::PageView(QWidget *parent)
    : QTableWidget(parent) {
    setObjectName(QStringLiteral("listControl"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setTabKeyNavigation(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
}

int PageView::visibleRows() const {
    if (m_rows > 0)
        return m_rows;
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    return std::max(1, viewport()->height() / rowHeight);
}

void PageView::setVisibleRows(int rows) {
    m_rows = rows;
    const int rowHeight = verticalHeader()->defaultSectionSize();
    const int header = horizontalHeader()->isVisible() ? horizontalHeader()->sizeHint().height() : 0;
    setFixedHeight(rows * rowHeight + header + 2 * frameWidth());
}

void PageView::keyPressEvent(QKeyEvent *event) {
    if (keyHandler && keyHandler(event)) {
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void PageView::wheelEvent(QWheelEvent *event) {
    const int dy = event->angleDelta().y();
    if (dy != 0)
        emit wheelScrolled(dy < 0);
    event->accept();
}

} // namespace tabulo::engine::gui
