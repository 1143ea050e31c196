#pragma once

#include "reports/ReportPage.h"

#include <QDialog>
#include <QWidget>

class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QSpinBox;
class QStackedWidget;
class QToolButton;

namespace tabulo::reports::gui {

class PageGrid;
class ZoomedPage;

// How the preview shows its pages.
enum class ZoomMode { NoZoom, PageWidth, Percent50, Percent75, Percent100, Percent200, Percent300 };

// "Report Preview": the pages as thumbnails across and down, or one page
// zoomed; pages forward and back, jump, and finally Print or Exit. It
// answers through finished(): true when the user chose to print.
class ReportPreview final : public QWidget {
    Q_OBJECT
public:
    // The document must outlive the window.
    explicit ReportPreview(const ReportDocument *document, QWidget *parent = nullptr);

    int currentPage() const { return m_current; }
    int pageCount() const { return m_document->pageCount(); }
    int across() const { return m_across; }
    int down() const { return m_down; }
    ZoomMode zoomMode() const { return m_zoom; }
    // The zoom factor of the zoomed view (the page's width fits the window
    // in page-width mode).
    double zoomFactor() const;
    QString pageText() const;
    QString zoomText() const;
    // The pages the thumbnail view shows, one per cell (0 for an empty cell).
    QList<int> shownPages() const;

    void next();
    void previous();
    void jumpTo(int page);
    void setDisplay(int across, int down);
    void setZoom(ZoomMode mode);
    // A click on the thumbnail of `page`.
    void thumbnailClicked(int page);
    void print();
    // The pop-up of the Zoom button, built for the current mode.
    QMenu *zoomMenu();
    // Opens the jump dialog; its answer becomes the current page.
    void openJumpDialog();
    void openDisplayDialog();
    bool saveAsPdf();

signals:
    void finished(bool print);

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildMenus();
    void rebuild();
    int perScreen() const { return m_across * m_down; }

    const ReportDocument *m_document;
    int m_current = 1;
    int m_across = 1;
    int m_down = 1;
    ZoomMode m_zoom = ZoomMode::NoZoom;
    bool m_print = false;
    bool m_finished = false;

    QStackedWidget *m_stack;
    PageGrid *m_grid;
    QScrollArea *m_scroll;
    ZoomedPage *m_zoomed;
    QSpinBox *m_pageSpin;
    QSpinBox *m_acrossSpin;
    QSpinBox *m_downSpin;
    QLabel *m_pageLabel;
    QLabel *m_zoomLabel;
    QAction *m_nextAction;
    QAction *m_previousAction;
    QToolButton *m_zoomButton;
    QMenu *m_zoomPopup = nullptr;
    bool m_updating = false;
};

// "Jump to a Report Page": the chosen page, or the current one on Cancel.
class JumpDialog final : public QDialog {
    Q_OBJECT
public:
    JumpDialog(int current, int count, QWidget *parent = nullptr);
    int page() const;

private:
    QSpinBox *m_page;
    int m_current;
};

// "Change the Report Display": pages across and down.
class DisplayDialog final : public QDialog {
    Q_OBJECT
public:
    DisplayDialog(int across, int down, QWidget *parent = nullptr);
    int across() const;
    int down() const;

private:
    QSpinBox *m_across;
    QSpinBox *m_down;
};

} // namespace tabulo::reports::gui
