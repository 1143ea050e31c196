#include "reports/gui/ReportRunner.h"

#include "engine/Globals.h"
#include "engine/gui/WindowHost.h"
#include "host/gui/SharedPrinter.h"
#include "reports/gui/PagePainter.h"
#include "reports/gui/ReportPreview.h"
#include "store/MessageService.h"
#include "store/Messages.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tabulo::reports::gui {

ReportRunner *ReportRunner::start(ReportKind kind) {
    auto *runner = new ReportRunner(kind);
    QTimer::singleShot(0, runner, &ReportRunner::begin);
    return runner;
}

ReportRunner::ReportRunner(ReportKind kind)
    : m_run(std::make_unique<ReportRun>(kind))
    , m_timer(new QTimer(this)) {
    m_progress = new engine::gui::ProgressWindow(QStringLiteral("Generating Report"),
                                                 QStringLiteral("reportProgress"));
    m_run->onPercent = [this](int percent) {
        if (m_progress)
            m_progress->setPercent(percent);
    };
    connect(m_progress, &engine::gui::ProgressWindow::cancelled, this, [this] {
        m_run->cancel();
        if (m_progress)
            m_progress->close();
    });
    // The close box cancels as Cancel does.
    connect(m_progress, &engine::gui::ProgressWindow::closed, this, [this] {
        m_run->cancel();
        QTimer::singleShot(0, this, &ReportRunner::passEnded);
    });
    m_timer->setInterval(0);
    connect(m_timer, &QTimer::timeout, this, &ReportRunner::cycle);
}

ReportRunner::~ReportRunner() {
    if (m_progress)
        m_progress->close();
}

void ReportRunner::begin() {
    if (!m_progress || m_passEnded)
        return; // cancelled before it began
    m_run->start();
    if (m_run->state() == ReportRun::State::Failed)
        store::standardMessage(36);
    if (!m_run->running()) {
        // Nothing to report: the progress window never shows.
        delete m_progress;
        passEnded();
        return;
    }
    engine::gui::WindowHost::present(m_progress);
    m_timer->start();
}

void ReportRunner::cycle() {
    if (!m_run->step()) {
        m_timer->stop();
        if (m_progress)
            m_progress->close();
    }
}

void ReportRunner::passEnded() {
    if (m_passEnded)
        return;
    m_passEnded = true;
    m_timer->stop();
    m_run->finish();
    if (m_run->failure() && m_run->failure()->message == 35)
        store::standardMessage(35, m_run->failure()->table);
    if (m_run->state() != ReportRun::State::Completed) {
        end();
        return;
    }
    m_document = m_run->takeDocument();
    m_preview = new ReportPreview(&m_document);
    connect(m_preview, &ReportPreview::finished, this, &ReportRunner::previewClosed);
    engine::gui::WindowHost::present(m_preview);
}

void ReportRunner::previewClosed(bool print) {
    engine::setGlobalResponse(print ? engine::Response::RequestCompleted
                                    : engine::Response::RequestCancelled);
    if (print)
        printReport(m_document, nullptr);
    end();
}

void ReportRunner::end() {
    m_document = {};
    emit ended();
    deleteLater();
}

bool printReport(const ReportDocument &document, QWidget *owner) {
    QPrinter &printer = host::gui::sharedPrinter();
    const bool toFile = printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty();
    if (!toFile && QPrinterInfo::availablePrinters().isEmpty()) {
        store::MessageBox box;
        box.title = QStringLiteral("Print Report");
        box.text = QStringLiteral("There is no printer to print on. Install a printer and choose it in Print "
                                  "Setup, or save the report as a PDF.\n\nSave the report as a PDF now?");
        box.icon = store::MessageIcon::Question;
        box.buttons = store::Button::Yes | store::Button::No;
        box.defaultButton = store::Button::Yes;
        box.owner = owner;
        if (store::MessageService::current().show(box) == store::Button::Yes)
            return saveReportAsPdf(document, owner);
        return false;
    }
    if (printDocument(document, printer))
        return true;
    store::MessageBox box;
    box.title = QStringLiteral("Print Report");
    box.text = QStringLiteral("The printer could not be started.");
    box.owner = owner;
    store::MessageService::current().show(box);
    return false;
}

bool saveReportAsPdf(const ReportDocument &document, QWidget *owner) {
    QString file = QFileDialog::getSaveFileName(owner, QStringLiteral("Save as PDF"),
                                                document.title + QStringLiteral(".pdf"),
                                                QStringLiteral("PDF files (*.pdf)"));
    if (file.isEmpty())
        return false;
    if (!file.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        file += QStringLiteral(".pdf");
    const QString problem = writePdf(document, file);
    if (problem.isEmpty())
        return true;
    store::MessageBox box;
    box.title = QStringLiteral("Save as PDF");
    box.text = QStringLiteral("The report could not be saved: %1.").arg(problem);
    box.owner = owner;
    store::MessageService::current().show(box);
    return false;
}

} // namespace tabulo::reports::gui
