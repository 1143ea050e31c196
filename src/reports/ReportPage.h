#pragma once

#include <QString>
#include <QtGlobal>

#include <vector>

namespace tabulo::reports {

// A font as a report names it ("Arial" 10 point); the painter maps the name
// to a font the system has.
struct ReportFont {
    QString family;
    double points = 10;
    bool bold = false;
    bool operator==(const ReportFont &) const = default;
};

// One text on a page: its box's top-left corner in thousandths of an inch
// from the page's top-left corner. The text is already cut to its picture.
struct PageText {
    qint32 x = 0;
    qint32 y = 0;
    quint8 font = 0; // index into the document's fonts
    QString text;
};

// A horizontal or vertical rule, in thousandths of an inch.
struct PageRule {
    qint32 x1 = 0;
    qint32 y1 = 0;
    qint32 x2 = 0;
    qint32 y2 = 0;
};

// One rendered page: what is drawn on it, kept as drawing commands in
// device-independent units so that the screen, the printer and a PDF draw
// the same page at their own resolution.
struct ReportPage {
    std::vector<PageText> texts;
    std::vector<PageRule> rules;
};

// The page image list of a report: its pages and the fonts they name.
struct ReportDocument {
    QString title;
    qint32 pageWidth = 8500; // US Letter
    qint32 pageHeight = 11000;
    std::vector<ReportFont> fonts;
    std::vector<ReportPage> pages;

    // The index of `font`, adding it when it is new.
    quint8 fontIndex(const ReportFont &font);
    int pageCount() const { return static_cast<int>(pages.size()); }
};

} // namespace tabulo::reports
