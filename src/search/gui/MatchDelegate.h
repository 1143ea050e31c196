#pragma once

#include <QStyledItemDelegate>
#include <utility>
#include <vector>

namespace tabulo::search::gui {

// Draws a cell's text on one line with the words the query matched in bold,
// the end elided when it does not fit. The ranges come from the item's
// MarksRole: a list of QPoint(start, length) into the text.
class MatchDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int MarksRole = Qt::UserRole + 10;

    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    // The text split into runs, each marked or not, in order; marks out of
    // range are clipped, overlapping ones merged.
    static std::vector<std::pair<QString, bool>> runs(const QString &text,
                                                      const std::vector<std::pair<int, int>> &marks);
};

} // namespace tabulo::search::gui
