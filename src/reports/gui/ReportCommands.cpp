#include "reports/gui/ReportCommands.h"

#include "engine/Globals.h"
#include "host/BatchCommands.h"
#include "host/gui/WindowOpeners.h"
#include "reports/ReportRun.h"
#include "reports/gui/PagePainter.h"
#include "reports/gui/ReportRunner.h"
#include "store/Messages.h"

namespace tabulo::reports::gui {

namespace {

int runReportCommand(const host::BatchRequest &request, QTextStream &out, QTextStream &err) {
    const auto kind = reportKindFromCommand(request.value);
    if (!kind) {
        err << "Unknown report \"" << request.value
            << "\": use name-labels, name-phones, company-labels or company-phones." << Qt::endl;
        return 2;
    }
    const QString file = request.option(QStringLiteral("pdf"));
    if (file.isEmpty()) {
        err << "--report needs --pdf FILE." << Qt::endl;
        return 2;
    }
    const QString wanted = request.option(QStringLiteral("category"));
    const auto category = categoryByName(*kind, wanted);
    if (!category) {
        err << "There is no " << (isNameReport(*kind) ? "name category" : "company category") << " \""
            << wanted << "\"." << Qt::endl;
        return 1;
    }
    if (isNameReport(*kind))
        engine::setCurrentCategory(category->first, category->second);
    else
        engine::setCurrentGroup(category->first, category->second);

    std::optional<ReportRun::Failure> failure;
    const ReportDocument document = runReport(*kind, failure);
    if (failure) {
        err << store::buildStandardMessage(failure->message, failure->table).text << Qt::endl;
        if (document.pages.empty())
            return 1;
    }
    const QString problem = writePdf(document, file);
    if (!problem.isEmpty()) {
        err << "The report could not be written: " << problem << "." << Qt::endl;
        return 1;
    }
    if (document.pages.empty())
        out << reportTitle(*kind) << " for " << category->second << ": no members, an empty page written to "
            << file << "." << Qt::endl;
    else
        out << reportTitle(*kind) << " for " << category->second << ": " << document.pageCount()
            << (document.pageCount() == 1 ? " page" : " pages") << " written to " << file << "." << Qt::endl;
    return failure ? 1 : 0;
}

} // namespace

void registerReportWindows(host::gui::WindowOpeners &openers) {
    using host::gui::FrameCommand;
    openers.set(FrameCommand::NamesLabels, [](const auto &) { ReportRunner::start(ReportKind::NameLabels); });
    openers.set(FrameCommand::NamesReport,
                [](const auto &) { ReportRunner::start(ReportKind::NamePhoneList); });
    openers.set(FrameCommand::CompanyLabels,
                [](const auto &) { ReportRunner::start(ReportKind::CompanyLabels); });
    openers.set(FrameCommand::CompanyReport,
                [](const auto &) { ReportRunner::start(ReportKind::CompanyPhoneList); });
}

void registerReportCommands() {
    host::registerBatchCommand(
        {QStringLiteral("report"),
         QStringLiteral("kind"),
         QStringLiteral(
             "Write a report (name-labels, name-phones, company-labels, company-phones) to a PDF."),
         {{QStringLiteral("category"), QStringLiteral("name"),
           QStringLiteral("The category to report (All when not given).")},
          {QStringLiteral("pdf"), QStringLiteral("file"),
           QStringLiteral("The PDF file the report is written to.")}},
         false,
         runReportCommand});
}

} // namespace tabulo::reports::gui
