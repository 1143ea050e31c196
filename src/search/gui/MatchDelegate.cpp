#include "search/gui/MatchDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QPoint>
#include <QStyle>
#include <algorithm>

namespace tabulo::search::gui {

namespace {
constexpr int kPadding = 3;

std::vector<std::pair<int, int>> marksOf(const QModelIndex &index) {
    std::vector<std::pair<int, int>> marks;
    for (const QVariant &v : index.data(MatchDelegate::MarksRole).toList()) {
        const QPoint p = v.toPoint();
        marks.emplace_back(p.x(), p.y());
    }
    return marks;
}
} // namespace

std::vector<std::pair<QString, bool>> MatchDelegate::runs(const QString &text,
                                                          const std::vector<std::pair<int, int>> &marks) {
    const int size = static_cast<int>(text.size());
    std::vector<bool> bold(static_cast<size_t>(size), false);
    for (const auto &[start, length] : marks) {
        const int from = std::clamp(start, 0, size);
        const int to = std::clamp(start + std::max(length, 0), 0, size);
        std::fill(bold.begin() + from, bold.begin() + to, true);
    }
    std::vector<std::pair<QString, bool>> out;
    int at = 0;
    while (at < size) {
        int end = at;
        while (end < size && bold[static_cast<size_t>(end)] == bold[static_cast<size_t>(at)])
            ++end;
        out.emplace_back(text.mid(at, end - at), bold[static_cast<size_t>(at)]);
        at = end;
    }
    return out;
}

void MatchDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    opt.text.clear();
    QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget)
                           .adjusted(kPadding, 0, -kPadding, 0);
    painter->save();
    painter->setClipRect(room);
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(
        opt.palette.color(opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled,
                          selected ? QPalette::HighlightedText : QPalette::Text));
    QFont plain = opt.font;
    QFont strong = opt.font;
    strong.setBold(true);
    int x = room.left();
    const int right = room.right() + 1;
    const auto parts = runs(text, marksOf(index));
    for (size_t i = 0; i < parts.size() && x < right; ++i) {
        const auto &[part, marked] = parts[i];
        const QFont &font = marked ? strong : plain;
        const QFontMetrics metrics(font);
        painter->setFont(font);
        QString shown = part;
        int width = metrics.horizontalAdvance(shown);
        if (x + width > right) {
            shown = metrics.elidedText(part, Qt::ElideRight, right - x);
            // Not even the ellipsis fits after this run's start: the
            // ellipsis alone says there is more.
            if (shown.isEmpty())
                shown = QStringLiteral("\u2026");
            width = metrics.horizontalAdvance(shown);
        }
        painter->drawText(QRect(x, room.top(), width, room.height()), Qt::AlignLeft | Qt::AlignVCenter,
                          shown);
        if (shown != part)
            break; // elided: nothing follows the ellipsis
        x += width;
    }
    painter->restore();
}

QSize MatchDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    QFont strong = option.font;
    strong.setBold(true);
    const int line = std::max(QFontMetrics(option.font).height(), QFontMetrics(strong).height());
    size.setHeight(std::max(size.height(), line + 2 * kPadding));
    // Bold runs are wider than the plain text the base measured.
    QString text = index.data(Qt::DisplayRole).toString();
    int width = 0;
    for (const auto &[part, marked] : runs(text, marksOf(index)))
        width += QFontMetrics(marked ? strong : option.font).horizontalAdvance(part);
    size.setWidth(std::max(size.width(), width + 4 * kPadding));
    return size;
}

} // namespace tabulo::search::gui
