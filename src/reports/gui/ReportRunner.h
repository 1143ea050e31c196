#pragma once

#include "engine/gui/ProgressWindow.h"
#include "reports/ReportKind.h"
#include "reports/ReportPage.h"
#include "reports/ReportRun.h"
#include "reports/gui/ReportPreview.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QTimer;
class QWidget;

namespace tabulo::reports::gui {

class ReportPreview;

// Runs one report in windows of the frame: the progress window while the
// pass runs in timer batches, then the preview, then the printer when the
// preview answers Print. Several run side by side; each deletes itself when
// it ends.
class ReportRunner final : public QObject {
    Q_OBJECT
public:
    // Starts a report over the current category or group as it is now.
    static ReportRunner *start(ReportKind kind);
    ~ReportRunner() override;

    ReportRun &run() { return *m_run; }
    engine::gui::ProgressWindow *progressWindow() const { return m_progress; }
    ReportPreview *preview() const { return m_preview; }

signals:
    // The report has ended, whichever way (after printing, if it printed).
    void ended();

private:
    explicit ReportRunner(ReportKind kind);
    void begin();
    void cycle();
    void passEnded();
    void previewClosed(bool print);
    void end();

    std::unique_ptr<ReportRun> m_run;
    QPointer<engine::gui::ProgressWindow> m_progress;
    QPointer<ReportPreview> m_preview;
    QTimer *m_timer;
    ReportDocument m_document;
    bool m_passEnded = false;
};

// Sends the pages to the printer chosen in Print Setup. When no printer
// exists the user is told so and offered a PDF instead. True when printed or
// saved.
bool printReport(const ReportDocument &document, QWidget *owner);
// Asks for a file and writes the pages to it as a PDF.
bool saveReportAsPdf(const ReportDocument &document, QWidget *owner);

} // namespace tabulo::reports::gui
