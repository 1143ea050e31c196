#pragma once

#include "reports/ReportPage.h"

#include <QFont>
#include <QString>
#include <vector>

class QPainter;
class QPagedPaintDevice;
class QPrinter;

namespace tabulo::reports::gui {

// The family that stands in for a font a report names: the reports name
// Arial and MS Sans Serif, drawn with the metric-compatible Liberation Sans.
QString substituteFamily(const QString &family);

// Draws report pages with any painter. The fonts are resolved once per
// device, so a page draws without looking fonts up again.
class PagePainter final {
public:
    // `painter` must already map one unit to one thousandth of an inch.
    PagePainter(QPainter &painter, const ReportDocument &document);
    void paint(const ReportPage &page);

private:
    QPainter &m_painter;
    std::vector<QFont> m_fonts;
    std::vector<qreal> m_ascents;
};

// Writes every page to a PDF (text stays text). Returns an empty text on
// success, otherwise why the file could not be written.
QString writePdf(const ReportDocument &document, const QString &file);
// Prints every page on `printer`; false when the printer could not start.
bool printDocument(const ReportDocument &document, QPrinter &printer);
// Draws every page on a paged device that is ready to paint.
bool paintDocument(const ReportDocument &document, QPagedPaintDevice &device);

} // namespace tabulo::reports::gui
