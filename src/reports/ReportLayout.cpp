#include "reports/ReportLayout.h"

namespace tabulo::reports {

namespace {

const QString kArial = QStringLiteral("Arial");
const QString kSansSerif = QStringLiteral("MS Sans Serif");

} // namespace

LabelGeometry LabelGeometry::forKind(ReportKind kind) {
    LabelGeometry g;
    g.printable = {177, 500, 8375, 10000};
    if (isNameReport(kind)) {
        g.bandLeft = 0;
        g.bandWidth = 2750;
        g.lineLeft = 177;
        g.lineTops = {10, 219, 427, 635, 833};
    } else {
        g.bandLeft = 208;
        g.bandWidth = 2354;
        g.lineLeft = 63;
        g.lineTops = {104, 302, 500, 688};
    }
    g.bandHeight = 1000;
    return g;
}

int LabelGeometry::across() const {
    return std::max(1, printable.width / (bandLeft + bandWidth));
}

int LabelGeometry::down() const {
    return std::max(1, printable.height / bandHeight);
}

LabelGeometry::Slot LabelGeometry::slot(int index) const {
    const int onPage = index % perPage();
    Slot s;
    s.page = index / perPage();
    s.x = printable.left + (onPage % across()) * (bandLeft + bandWidth) + bandLeft;
    s.y = printable.top + (onPage / across()) * bandHeight;
    return s;
}

LabelPages::LabelPages(ReportKind kind)
    : m_geometry(LabelGeometry::forKind(kind)) {
    m_document.title = reportTitle(kind);
    m_lineFont = m_document.fontIndex({kArial, 10, false});
}

void LabelPages::add(const QStringList &lines) {
    const LabelGeometry::Slot slot = m_geometry.slot(m_labels++);
    while (static_cast<int>(m_document.pages.size()) <= slot.page)
        m_document.pages.emplace_back();
    ReportPage &page = m_document.pages[static_cast<size_t>(slot.page)];
    const auto count = std::min<qsizetype>(lines.size(), static_cast<qsizetype>(m_geometry.lineTops.size()));
    for (qsizetype i = 0; i < count; ++i) {
        const QString text = lines[i].left(m_geometry.lineChars);
        if (text.trimmed().isEmpty())
            continue;
        page.texts.push_back({slot.x + m_geometry.lineLeft,
                              slot.y + m_geometry.lineTops[static_cast<size_t>(i)], m_lineFont, text});
    }
}

ReportDocument LabelPages::take() {
    return std::move(m_document);
}

PhoneListGeometry PhoneListGeometry::forKind(ReportKind kind) {
    PhoneListGeometry g;
    if (isNameReport(kind)) {
        g.body = {500, 1063, 8000, 9500};
        g.header = {250, 250, 8000, 563};
        g.headingHeight = 490;
        g.lineHeight = 170;
        g.columns = {750, 3250, 4850};
    } else {
        g.body = {1000, 2800, 6000, 6198};
        g.header = {1000, 1000, 6000, 563};
        g.headingHeight = 1000;
        g.lineHeight = 200;
        g.columns = {1000, 2600, 3300, 5100};
    }
    g.footerTop = g.body.top + g.body.height + 100;
    return g;
}

PhoneListPages::PhoneListPages(ReportKind kind, QString categoryLine)
    : m_kind(kind)
    , m_geometry(PhoneListGeometry::forKind(kind))
    , m_categoryLine(std::move(categoryLine)) {
    const bool names = isNameReport(kind);
    m_document.title = reportTitle(kind);
    // A text the layout gives no font of its own (the name list's member
    // heading, the company list's column headings) is in the base font.
    m_baseFont = m_document.fontIndex({kSansSerif, 8, false});
    m_titleFont = m_document.fontIndex({kArial, 14, true});
    m_categoryFont = m_document.fontIndex({kSansSerif, names ? 10.0 : 12.0, true});
    m_nameFont = names ? m_baseFont : m_document.fontIndex({kSansSerif, 10, true});
    m_addressFont = names ? m_baseFont : m_document.fontIndex({kArial, 10, false});
    m_lineFont = m_document.fontIndex({kArial, names ? 8.0 : 10.0, false});
    m_footerFont = m_document.fontIndex({kArial, 8, false});
}

void PhoneListPages::text(qint32 x, qint32 y, quint8 font, const QString &text) {
    if (!text.trimmed().isEmpty())
        page().texts.push_back({x, y, font, text});
}

void PhoneListPages::newPage() {
    m_document.pages.emplace_back();
    const Area &h = m_geometry.header;
    text(h.left, h.top, m_titleFont, reportTitle(m_kind));
    text(h.left, h.top + 300, m_categoryFont, m_categoryLine);
    text(m_geometry.body.left, m_geometry.footerTop, m_footerFont,
         pageFooter(static_cast<int>(m_document.pages.size())));
    m_y = m_geometry.body.top;
}

void PhoneListPages::add(const PhoneRow &row) {
    const qint32 bottom = m_geometry.body.top + m_geometry.body.height;
    const qint32 left = m_geometry.body.left;
    if (!m_started) {
        newPage();
        m_started = true;
    }
    if (row.member != m_member || m_document.pages.empty()) {
        m_member = row.member;
        // The heading stays with its first line.
        const qint32 needed = m_geometry.headingHeight + (row.hasPhone ? m_geometry.lineHeight : 0);
        if (m_y + needed > bottom && m_y > m_geometry.body.top)
            newPage();
        if (isNameReport(m_kind)) {
            text(left, m_y + 60, m_nameFont, row.heading.name);
            text(left, m_y + 260, m_addressFont, row.heading.address.value(0));
        } else {
            text(left, m_y + 20, m_nameFont, row.heading.name);
            text(left, m_y + 230, m_addressFont, row.heading.address.value(0));
            text(left, m_y + 430, m_addressFont, row.heading.address.value(1));
            const QStringList titles{QStringLiteral("Number"), QStringLiteral("Ext"),
                                     QStringLiteral("Location"), QStringLiteral("Name")};
            for (size_t i = 0; i < m_geometry.columns.size(); ++i)
                text(m_geometry.columns[i], m_y + 700, m_baseFont,
                     titles.value(static_cast<qsizetype>(i)));
            page().rules.push_back({left, m_y + 920, left + m_geometry.body.width, m_y + 920});
        }
        m_y += m_geometry.headingHeight;
    }
    if (!row.hasPhone)
        return;
    if (m_y + m_geometry.lineHeight > bottom)
        newPage();
    for (size_t i = 0; i < m_geometry.columns.size(); ++i)
        text(m_geometry.columns[i], m_y, m_lineFont, row.phone.value(static_cast<qsizetype>(i)));
    m_y += m_geometry.lineHeight;
}

ReportDocument PhoneListPages::take() {
    return std::move(m_document);
}

} // namespace tabulo::reports
