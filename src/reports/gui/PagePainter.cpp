#include "reports/gui/PagePainter.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>

namespace tabulo::reports::gui {

QString substituteFamily(const QString &family) {
    // Liberation Sans has Arial's metrics. MS Sans Serif gets a sans face
    // of its own, so a heading set in it still differs from one in Arial.
    if (family == QLatin1String("Arial"))
        return QStringLiteral("Liberation Sans");
    if (family == QLatin1String("MS Sans Serif"))
        return QStringLiteral("DejaVu Sans");
    return family;
}

PagePainter::PagePainter(QPainter &painter, const ReportDocument &document)
    : m_painter(painter) {
    // A point is 1000/72 thousandths of an inch; the device turns points
    // into its own units by its logical resolution before the painter's
    // scale, so the size is given in the device's terms.
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
    for (const ReportFont &f : document.fonts) {
        QFont font(substituteFamily(f.family));
        font.setPointSizeF(f.points * 1000.0 / dpi);
        font.setBold(f.bold);
        font.setStyleStrategy(QFont::PreferOutline);
        font.setHintingPreference(QFont::PreferNoHinting);
        m_fonts.push_back(font);
        m_ascents.push_back(QFontMetricsF(font, painter.device()).ascent());
    }
}

void PagePainter::paint(const ReportPage &page) {
    int current = -1;
    for (const PageText &t : page.texts) {
        if (t.font != current && t.font < m_fonts.size()) {
            current = t.font;
            m_painter.setFont(m_fonts[current]);
        }
        const qreal ascent = current >= 0 ? m_ascents[static_cast<size_t>(current)] : 0;
        m_painter.drawText(QPointF(t.x, t.y + ascent), t.text);
    }
    if (!page.rules.empty()) {
        QPen pen(Qt::black);
        pen.setWidthF(10);
        m_painter.setPen(pen);
        for (const PageRule &r : page.rules)
            m_painter.drawLine(QPointF(r.x1, r.y1), QPointF(r.x2, r.y2));
        m_painter.setPen(Qt::black);
    }
}

bool paintDocument(const ReportDocument &document, QPagedPaintDevice &device) {
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    // The page's top-left corner is the origin, whatever margins the device
    // keeps: the report's geometry is measured from the paper's edge.
    const QRectF paint = device.pageLayout().paintRectPoints();
    const qreal dpi = device.logicalDpiX();
    const qreal scale = dpi / 1000.0;
    painter.translate(-paint.left() * dpi / 72.0, -paint.top() * dpi / 72.0);
    painter.scale(scale, scale);
    PagePainter pages(painter, document);
    for (size_t i = 0; i < document.pages.size(); ++i) {
        if (i > 0)
            device.newPage();
        pages.paint(document.pages[i]);
    }
    return painter.end();
}

QString writePdf(const ReportDocument &document, const QString &file) {
    QFileInfo info(file);
    if (info.exists() && !info.isWritable())
        return QStringLiteral("cannot write %1").arg(file);
    if (!QFileInfo(info.absolutePath()).isDir())
        return QStringLiteral("the folder of %1 does not exist").arg(file);
    QPdfWriter writer(file);
    writer.setTitle(document.title);
    writer.setCreator(QStringLiteral("Tabulo List Manager"));
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(
        QPageSize(QSizeF(document.pageWidth / 1000.0, document.pageHeight / 1000.0), QPageSize::Inch),
        QPageLayout::Portrait, QMarginsF()));
    if (!paintDocument(document, writer))
        return QStringLiteral("cannot write %1").arg(file);
    return {};
}

bool printDocument(const ReportDocument &document, QPrinter &printer) {
    printer.setDocName(document.title);
    printer.setFullPage(true);
    // The report is laid out on its own paper (US Letter): a queue whose
    // default is another size would otherwise move and cut the labels.
    printer.setPageLayout(QPageLayout(
        QPageSize(QSizeF(document.pageWidth / 1000.0, document.pageHeight / 1000.0), QPageSize::Inch),
        QPageLayout::Portrait, QMarginsF()));
    return paintDocument(document, printer);
}

} // namespace tabulo::reports::gui
