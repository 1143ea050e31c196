#include "reports/gui/ReportPreview.h"

#include "engine/gui/WindowHost.h"
#include "reports/gui/PagePainter.h"
#include "reports/gui/ReportRunner.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace tabulo::reports::gui {

namespace {

constexpr int kGap = 3;

// Draws one page, white on its sheet, scaled into `target` keeping its shape.
void drawPage(QPainter &painter, const ReportDocument &document, int page, const QRectF &target) {
    const double scale = std::min(target.width() / document.pageWidth, target.height() / document.pageHeight);
    const QRectF sheet(target.topLeft(), QSizeF(document.pageWidth * scale, document.pageHeight * scale));
    painter.save();
    painter.fillRect(sheet, Qt::white);
    painter.setPen(Qt::darkGray);
    painter.drawRect(sheet);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(sheet);
    painter.translate(sheet.topLeft());
    painter.scale(scale, scale);
    PagePainter pages(painter, document);
    pages.paint(document.pages[static_cast<size_t>(page - 1)]);
    painter.restore();
}

struct ZoomEntry {
    ZoomMode mode;
    const char *menuText;
    const char *popupText;
    const char *statusText;
    double factor;
};

const ZoomEntry kZooms[] = {
    {ZoomMode::NoZoom, "No &Zoom", "No Zoom", "No Zoom", 0},
    {ZoomMode::PageWidth, "Page &Width", "Page Width", "Zoom (Page Width)", 0},
    {ZoomMode::Percent50, "&50 Percent", "50%", "Zoom (50%)", 0.5},
    {ZoomMode::Percent75, "&75 Percent", "75%", "Zoom (75%)", 0.75},
    {ZoomMode::Percent100, "&100 Percent", "100%", "Zoom (100%)", 1.0},
    {ZoomMode::Percent200, "&200 Percent", "200%", "Zoom (200%)", 2.0},
    {ZoomMode::Percent300, "&300 Percent", "300%", "Zoom (300%)", 3.0},
};

const ZoomEntry &zoomEntry(ZoomMode mode) {
    for (const ZoomEntry &e : kZooms)
        if (e.mode == mode)
            return e;
    return kZooms[0];
}

} // namespace

// The thumbnail grid: across x down cells with a small gap between them.
class PageGrid final : public QWidget {
public:
    PageGrid(const ReportDocument *document, QWidget *parent)
        : QWidget(parent)
        , m_document(document) {
        setObjectName(QStringLiteral("thumbnails"));
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Dark);
    }
    void show(QList<int> pages, int across, int down) {
        m_pages = std::move(pages);
        m_across = across;
        m_down = down;
        update();
    }
    QRectF cell(int index) const {
        const double w = (width() - (kGap * m_across - 1.0)) / m_across;
        const double h = (height() - (kGap * m_down - 1.0)) / m_down;
        return {(index % m_across) * (w + kGap), (index / m_across) * (h + kGap), w, h};
    }
    std::function<void(int)> clicked;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        for (int i = 0; i < m_pages.size(); ++i)
            if (m_pages[i] > 0)
                drawPage(painter, *m_document, m_pages[i], cell(i));
    }
    void mousePressEvent(QMouseEvent *event) override {
        for (int i = 0; i < m_pages.size(); ++i)
            if (m_pages[i] > 0 && cell(i).contains(event->position()) && clicked)
                clicked(m_pages[i]);
    }

private:
    const ReportDocument *m_document;
    QList<int> m_pages;
    int m_across = 1;
    int m_down = 1;
};

// One page at a zoom factor, inside a scroll area.
class ZoomedPage final : public QWidget {
public:
    ZoomedPage(const ReportDocument *document, QWidget *parent)
        : QWidget(parent)
        , m_document(document) {
        setObjectName(QStringLiteral("zoomedPage"));
    }
    void show(int page, double factor) {
        m_page = page;
        const double pixelsPerThou = factor * logicalDpiX() / 1000.0;
        setFixedSize(static_cast<int>(m_document->pageWidth * pixelsPerThou),
                     static_cast<int>(m_document->pageHeight * pixelsPerThou));
        update();
    }
    std::function<void()> clicked;

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        if (m_page > 0 && m_page <= m_document->pageCount())
            drawPage(painter, *m_document, m_page, rect());
    }
    void mousePressEvent(QMouseEvent *) override {
        if (clicked)
            clicked();
    }

private:
    const ReportDocument *m_document;
    int m_page = 0;
};

ReportPreview::ReportPreview(const ReportDocument *document, QWidget *parent)
    : QWidget(parent)
    , m_document(document) {
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(QStringLiteral("Report Preview"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_stack = new QStackedWidget(this);
    m_grid = new PageGrid(document, m_stack);
    m_grid->clicked = [this](int page) { thumbnailClicked(page); };
    m_scroll = new QScrollArea(m_stack);
    m_scroll->setObjectName(QStringLiteral("zoomArea"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_zoomed = new ZoomedPage(document, m_scroll);
    m_zoomed->clicked = [this] { setZoom(ZoomMode::NoZoom); };
    m_scroll->setWidget(m_zoomed);
    m_stack->addWidget(m_grid);
    m_stack->addWidget(m_scroll);

    buildMenus();
    layout->addWidget(m_stack, 1);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("previewStatus"));
    status->setSizeGripEnabled(false);
    m_pageLabel = new QLabel(status);
    m_pageLabel->setObjectName(QStringLiteral("pageText"));
    m_zoomLabel = new QLabel(status);
    m_zoomLabel->setObjectName(QStringLiteral("zoomText"));
    status->addWidget(m_pageLabel, 1);
    status->addWidget(m_zoomLabel, 1);
    layout->addWidget(status);

    setFocusPolicy(Qt::StrongFocus);
    resize(760, 640);
    rebuild();
}

void ReportPreview::buildMenus() {
    auto *bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("previewMenu"));
    auto addAction = [this](QMenu *menu, const char *name, const QString &text, const QString &tip,
                            auto slot) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QLatin1String(name));
        a->setStatusTip(tip);
        a->setToolTip(tip);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    QAction *printAction = addAction(file, "actionPrint", QStringLiteral("&Print"),
                                     QStringLiteral("Print the report"), [this] { print(); });
    QAction *pdfAction = addAction(file, "actionSaveAsPdf", QStringLiteral("Save as &PDF..."),
                                   QStringLiteral("Save the report as a PDF file"), [this] { saveAsPdf(); });
    file->addSeparator();
    QAction *exitAction = addAction(file, "actionExit", QStringLiteral("E&xit"),
                                    QStringLiteral("Exit without printing the report"), [this] { close(); });
    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    const QString pagesTip = QStringLiteral("View the next page or pages of the report");
    m_nextAction =
        addAction(view, "actionNextPages", QStringLiteral("&Next Page(s)"), pagesTip, [this] { next(); });
    m_previousAction = addAction(view, "actionPreviousPages", QStringLiteral("&Previous Page(s)"), pagesTip,
                                 [this] { previous(); });
    addAction(view, "actionJump", QStringLiteral("&Jump to a page"),
              QStringLiteral("Jump to a specific page of the report"), [this] { openJumpDialog(); });
    addAction(view, "actionChangeDisplay", QStringLiteral("&Change Display"),
              QStringLiteral("Change the number of pages displayed"), [this] { openDisplayDialog(); });
    QMenu *zoom = bar->addMenu(QStringLiteral("&Zoom"));
    int i = 0;
    for (const ZoomEntry &e : kZooms) {
        QAction *a = zoom->addAction(QString::fromLatin1(e.menuText));
        a->setObjectName(QStringLiteral("actionZoom%1").arg(i++));
        const ZoomMode mode = e.mode;
        connect(a, &QAction::triggered, this, [this, mode] { setZoom(mode); });
    }
    layout()->setMenuBar(bar);

    auto *tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("previewToolbar"));
    auto toolButton = [&](const char *name, const QString &text, const QString &tip, QAction *action) {
        auto *b = new QToolButton(tools);
        b->setObjectName(QLatin1String(name));
        b->setText(text);
        b->setToolTip(tip);
        if (action)
            connect(b, &QToolButton::clicked, action, &QAction::trigger);
        tools->addWidget(b);
        return b;
    };
    toolButton("printButton", QStringLiteral("Print"), QStringLiteral("Print this report"), printAction);
    toolButton("pdfButton", QStringLiteral("PDF"), QStringLiteral("Save the report as a PDF file"),
               pdfAction);
    toolButton("exitButton", QStringLiteral("Exit"), QStringLiteral("Exit without printing the report"),
               exitAction);
    m_zoomButton = toolButton("zoomButton", QStringLiteral("Zoom"),
                              QStringLiteral("Zoom in on a page of the report"), nullptr);
    connect(m_zoomButton, &QToolButton::clicked, this, [this] {
        QMenu *menu = zoomMenu();
        menu->popup(m_zoomButton->mapToGlobal(QPoint(0, m_zoomButton->height())));
    });
    auto spin = [&](const char *name, const QString &label, int max, const QString &tip) {
        auto *l = new QLabel(label, tools);
        auto *s = new QSpinBox(tools);
        s->setObjectName(QLatin1String(name));
        s->setRange(1, max);
        s->setToolTip(tip);
        l->setBuddy(s);
        tools->addWidget(l);
        tools->addWidget(s);
        return s;
    };
    const int count = std::max(1, pageCount());
    m_pageSpin = spin("pageSpin", QStringLiteral("&Page:"), std::min(count, 9999),
                      QStringLiteral("Enter a page number from 1 to %1").arg(count));
    m_acrossSpin = spin("acrossSpin", QStringLiteral("&Across:"), 99,
                        QStringLiteral("Select the number of thumbnails in a row"));
    m_downSpin = spin("downSpin", QStringLiteral("&Down:"), 99,
                      QStringLiteral("Select the number of thumbnails in a column"));
    connect(m_pageSpin, &QSpinBox::valueChanged, this, [this](int page) {
        if (!m_updating)
            jumpTo(page);
    });
    connect(m_acrossSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating)
            setDisplay(v, m_down);
    });
    connect(m_downSpin, &QSpinBox::valueChanged, this, [this](int v) {
        if (!m_updating)
            setDisplay(m_across, v);
    });
    static_cast<QVBoxLayout *>(layout())->addWidget(tools);
}

double ReportPreview::zoomFactor() const {
    if (m_zoom == ZoomMode::PageWidth) {
        const double pageWidthPixels = m_document->pageWidth * logicalDpiX() / 1000.0;
        const int available = m_scroll->viewport()->width() - 2;
        return pageWidthPixels > 0 ? std::max(0.05, available / pageWidthPixels) : 1.0;
    }
    return zoomEntry(m_zoom).factor;
}

QString ReportPreview::pageText() const {
    const int count = pageCount();
    if (m_zoom != ZoomMode::NoZoom || perScreen() == 1 || m_current == count)
        return QStringLiteral("Page %1 of %2").arg(m_current).arg(count);
    const int last = std::min(count, m_current + perScreen() - 1);
    return QStringLiteral("Pages %1-%2 of %3").arg(m_current).arg(last).arg(count);
}

QString ReportPreview::zoomText() const {
    return QString::fromLatin1(zoomEntry(m_zoom).statusText);
}

QList<int> ReportPreview::shownPages() const {
    QList<int> pages;
    for (int i = 0; i < perScreen(); ++i)
        pages << (m_current + i <= pageCount() ? m_current + i : 0);
    return pages;
}

void ReportPreview::next() {
    if (m_zoom == ZoomMode::NoZoom) {
        if (m_current + perScreen() <= pageCount())
            m_current += perScreen();
    } else if (m_current < pageCount()) {
        ++m_current;
    }
    rebuild();
}

void ReportPreview::previous() {
    m_current = std::max(1, m_current - (m_zoom == ZoomMode::NoZoom ? perScreen() : 1));
    rebuild();
}

void ReportPreview::jumpTo(int page) {
    if (page >= 1 && page <= pageCount())
        m_current = page;
    rebuild();
}

void ReportPreview::setDisplay(int across, int down) {
    m_across = std::clamp(across, 1, 99);
    m_down = std::clamp(down, 1, 99);
    m_zoom = ZoomMode::NoZoom;
    rebuild();
}

void ReportPreview::setZoom(ZoomMode mode) {
    m_zoom = mode;
    rebuild();
}

void ReportPreview::thumbnailClicked(int page) {
    m_current = page;
    setZoom(ZoomMode::PageWidth);
}

QMenu *ReportPreview::zoomMenu() {
    delete m_zoomPopup;
    m_zoomPopup = new QMenu(this);
    m_zoomPopup->setObjectName(QStringLiteral("zoomPopup"));
    bool first = true;
    for (const ZoomEntry &e : kZooms) {
        QAction *a = m_zoomPopup->addAction(QString::fromLatin1(e.popupText));
        a->setCheckable(true);
        a->setChecked(e.mode == m_zoom);
        const ZoomMode mode = e.mode;
        connect(a, &QAction::triggered, this, [this, mode] { setZoom(mode); });
        if (first) {
            m_zoomPopup->addSeparator();
            first = false;
        }
    }
    return m_zoomPopup;
}

void ReportPreview::print() {
    m_print = true;
    close();
}

bool ReportPreview::saveAsPdf() {
    return saveReportAsPdf(*m_document, this);
}

void ReportPreview::openJumpDialog() {
    auto *dialog = new JumpDialog(m_current, pageCount(), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, dialog] { jumpTo(dialog->page()); });
    dialog->open();
}

void ReportPreview::openDisplayDialog() {
    auto *dialog = new DisplayDialog(m_across, m_down, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { setDisplay(dialog->across(), dialog->down()); });
    dialog->open();
}

void ReportPreview::rebuild() {
    const int count = pageCount();
    m_current = std::clamp(m_current, 1, std::max(1, count));
    m_updating = true;
    m_pageSpin->setValue(m_current);
    m_acrossSpin->setValue(m_across);
    m_downSpin->setValue(m_down);
    m_updating = false;
    if (m_zoom == ZoomMode::NoZoom) {
        m_stack->setCurrentWidget(m_grid);
        m_grid->show(shownPages(), m_across, m_down);
        m_nextAction->setEnabled(m_current + perScreen() <= count);
    } else {
        m_stack->setCurrentWidget(m_scroll);
        m_zoomed->show(m_current, zoomFactor());
        m_nextAction->setEnabled(m_current < count);
    }
    if (count > 1)
        m_previousAction->setEnabled(m_current > 1);
    m_pageLabel->setText(pageText());
    m_zoomLabel->setText(zoomText());
}

void ReportPreview::closeEvent(QCloseEvent *event) {
    if (!m_finished) {
        m_finished = true;
        emit finished(m_print);
    }
    QWidget::closeEvent(event);
}

void ReportPreview::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_PageDown)
        next();
    else if (event->key() == Qt::Key_PageUp)
        previous();
    else
        QWidget::keyPressEvent(event);
}

void ReportPreview::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    rebuild();
}

JumpDialog::JumpDialog(int current, int count, QWidget *parent)
    : QDialog(parent)
    , m_current(current) {
    setObjectName(QStringLiteral("jumpDialog"));
    setWindowTitle(QStringLiteral("Jump to a Report Page"));
    auto *layout = new QFormLayout(this);
    m_page = new QSpinBox(this);
    m_page->setObjectName(QStringLiteral("jumpPage"));
    m_page->setRange(1, std::max(1, count));
    m_page->setValue(current);
    m_page->setToolTip(QStringLiteral("Select a page of the report"));
    layout->addRow(QStringLiteral("&Page:"), m_page);
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("jumpOk"));
    ok->setToolTip(QStringLiteral("Jump to the selected page"));
    QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("jumpCancel"));
    cancel->setToolTip(QStringLiteral("Cancel this selection"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

int JumpDialog::page() const {
    return result() == QDialog::Accepted ? m_page->value() : m_current;
}

DisplayDialog::DisplayDialog(int across, int down, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("displayDialog"));
    setWindowTitle(QStringLiteral("Change the Report Display"));
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(QStringLiteral("Pages Displayed"), this);
    auto *form = new QFormLayout(group);
    m_across = new QSpinBox(group);
    m_across->setObjectName(QStringLiteral("displayAcross"));
    m_across->setRange(1, 99);
    m_across->setValue(across);
    m_down = new QSpinBox(group);
    m_down->setObjectName(QStringLiteral("displayDown"));
    m_down->setRange(1, 99);
    m_down->setValue(down);
    form->addRow(QStringLiteral("Across"), m_across);
    form->addRow(QStringLiteral("Down"), m_down);
    layout->addWidget(group);
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("displayOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);
}

int DisplayDialog::across() const {
    return m_across->value();
}
int DisplayDialog::down() const {
    return m_down->value();
}

} // namespace tabulo::reports::gui
