#include "engine/gui/PageView.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>

namespace tabulo::engine::gui {

namespace {
// A list control opens no wider than this; wider formats scroll sideways.
constexpr int kWidestOpening = 1000;

Qt::Alignment toQt(Alignment a) {
    switch (a) {
    case Alignment::Center:
        return Qt::AlignHCenter;
    case Alignment::Right:
    case Alignment::Decimal:
        return Qt::AlignRight;
    case Alignment::Left:
        break;
    }
    return Qt::AlignLeft;
}
} // namespace

namespace {

// A cell with a text colour of its own keeps it when its row is highlighted.
class OwnColourDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant own = index.data(Qt::ForegroundRole);
        if (own.canConvert<QBrush>())
            option->palette.setBrush(QPalette::HighlightedText, own.value<QBrush>());
    }
};

} // namespace

PageView::PageView(QWidget *parent)
    : QTableWidget(parent) {
    setItemDelegate(new OwnColourDelegate(this));
    setObjectName(QStringLiteral("listControl"));
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setShowGrid(false);
    setTextElideMode(Qt::ElideRight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

int PageView::rowHeight() const {
    return std::max(1, verticalHeader()->defaultSectionSize());
}

int PageView::visibleRows() const {
    return std::max(1, viewport()->height() / rowHeight());
}

int PageView::heightForRows(int rows) const {
    const int header = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sizeHint().height();
    int height = rows * rowHeight() + header + 2 * frameWidth();
    // Room for the sideways scroll bar when the columns are wider than the list.
    if (formatWidth() > kWidestOpening)
        height += horizontalScrollBar()->sizeHint().height();
    return height;
}

void PageView::setDesignedRows(int rows) {
    m_designedRows = std::max(1, rows);
    updateGeometry();
}

int PageView::unitsToPixels(int units) const {
    // The font's average character width over the letters, as dialog units
    // are measured.
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double average = fontMetrics().horizontalAdvance(letters) / double(letters.size());
    return static_cast<int>(units * average / 4.0 + 0.5);
}

int PageView::cellMargins() const {
    return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
}

int PageView::formatWidth() const {
    int width = 0;
    for (int c = 0; c < columnCount(); ++c) {
        if (!isColumnHidden(c))
            width += columnWidth(c);
    }
    return width;
}

void PageView::setColumnFormat(const ColumnFormat &format) {
    m_format = format;
    QStringList headers;
    for (int c = 0; c < columnCount(); ++c) {
        if (c >= format.count()) {
            headers << QString();
            setColumnHidden(c, true);
            continue;
        }
        const Column &column = format.column(c);
        headers << column.header;
        // The format's width is the text's room; the cell's own margins come on top.
        setColumnWidth(c, unitsToPixels(column.width) + cellMargins());
        horizontalHeader()->setSectionResizeMode(c, column.resizable ? QHeaderView::Interactive
                                                                     : QHeaderView::Fixed);
    }
    setHorizontalHeaderLabels(headers);
    for (int c = 0; c < std::min(columnCount(), format.count()); ++c) {
        const Column &column = format.column(c);
        const Alignment a = column.headerAlignmentGiven ? column.headerAlignment : column.alignment;
        if (QTableWidgetItem *header = horizontalHeaderItem(c))
            header->setTextAlignment(toQt(a) | Qt::AlignVCenter);
    }
    updateGeometry();
}

Qt::Alignment PageView::cellAlignment(int column) const {
    if (m_format && column < m_format->count())
        return toQt(m_format->column(column).alignment) | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QSize PageView::sizeHint() const {
    // A little slack, so the columns of the format fit without scrolling.
    const int width = std::min(formatWidth(), kWidestOpening) + 2 * frameWidth() + 2;
    return {std::max(width, 120), heightForRows(m_designedRows)};
}

QSize PageView::minimumSizeHint() const {
    return {120, heightForRows(1)};
}

void PageView::resizeEvent(QResizeEvent *event) {
    QTableWidget::resizeEvent(event);
    // The sideways scroll bar comes and goes after the resize itself:
    // count the rows that fit once the geometry has settled.
    QTimer::singleShot(0, this, [this] {
        const int fit = visibleRows();
        if (fit != m_lastFit) {
            m_lastFit = fit;
            emit rowsFitChanged(fit);
        }
    });
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
