#pragma once

#include "reports/ReportKind.h"
#include "reports/ReportPage.h"
#include "reports/ReportTexts.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace tabulo::reports {

// A rectangle in thousandths of an inch.
struct Area {
    qint32 left = 0;
    qint32 top = 0;
    qint32 width = 0;
    qint32 height = 0;
};

// Where a label report puts its labels and their lines (thousandths of an
// inch). Labels go across while they fit in the printable width, then down
// while they fit in its height, then onto the next page.
struct LabelGeometry {
    Area printable;
    qint32 bandLeft = 0; // the label's offset within its column
    qint32 bandWidth = 0;
    qint32 bandHeight = 0;
    qint32 lineLeft = 0;
    std::vector<qint32> lineTops;
    int lineChars = 30; // the lines' pictures cut longer texts

    static LabelGeometry forKind(ReportKind kind);
    int across() const;
    int down() const;
    int perPage() const { return across() * down(); }

    // The page (0-based) and the top-left corner of label `index` (0-based).
    struct Slot {
        int page = 0;
        qint32 x = 0;
        qint32 y = 0;
    };
    Slot slot(int index) const;
};

// Lays out labels, one after the other, onto pages.
class LabelPages final {
public:
    explicit LabelPages(ReportKind kind);
    void add(const QStringList &lines);
    int labels() const { return m_labels; }
    ReportDocument &document() { return m_document; }
    ReportDocument take();

private:
    LabelGeometry m_geometry;
    ReportDocument m_document;
    quint8 m_lineFont = 0;
    int m_labels = 0;
};

// One row a phone list reads: a member, and one of its phones (none for a
// member without phones, who is listed with its heading alone).
struct PhoneRow {
    qint64 member = 0;
    PhoneHeading heading;
    bool hasPhone = false;
    QStringList phone; // the phone line's formatted fields
};

// Where a phone list puts its bands (thousandths of an inch).
struct PhoneListGeometry {
    Area body;
    Area header;
    qint32 headingHeight = 0;
    qint32 lineHeight = 0;
    qint32 footerTop = 0;
    std::vector<qint32> columns; // left edge of each phone-line field
    static PhoneListGeometry forKind(ReportKind kind);
};

// Lays out a phone list: a heading before the first phone line of each
// member, page header and footer on every page; a heading is never left at
// the foot of a page without its first line.
class PhoneListPages final {
public:
    PhoneListPages(ReportKind kind, QString categoryLine);
    void add(const PhoneRow &row);
    ReportDocument &document() { return m_document; }
    ReportDocument take();

private:
    void newPage();
    ReportPage &page() { return m_document.pages.back(); }
    void text(qint32 x, qint32 y, quint8 font, const QString &text);

    ReportKind m_kind;
    PhoneListGeometry m_geometry;
    QString m_categoryLine;
    ReportDocument m_document;
    quint8 m_baseFont = 0, m_titleFont = 0, m_categoryFont = 0, m_nameFont = 0, m_addressFont = 0,
           m_lineFont = 0, m_footerFont = 0;
    qint32 m_y = 0;
    bool m_started = false;
    qint64 m_member = 0;
};

} // namespace tabulo::reports
