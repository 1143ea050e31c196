#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tabulo::reports {

// The four printed outputs.
enum class ReportKind { NameLabels, NamePhoneList, CompanyLabels, CompanyPhoneList };

// How the command line names a report ("name-labels") and back.
QString commandName(ReportKind kind);
std::optional<ReportKind> reportKindFromCommand(const QString &name);
// The report's title ("Name Phone List"; the label reports have their own).
QString reportTitle(ReportKind kind);

bool isNameReport(ReportKind kind);
bool isLabelReport(ReportKind kind);

// The fixed estimate of records a report reads, against which its percent
// is computed.
int recordsToProcess(ReportKind kind);
// The table a read error names.
QString readErrorTable(ReportKind kind);
// The tables told to read sequentially fast for the pass.
QStringList hintedTables(ReportKind kind);
// The tables the report opens (through the shared open counts).
QStringList tablesUsed(ReportKind kind);

} // namespace tabulo::reports
