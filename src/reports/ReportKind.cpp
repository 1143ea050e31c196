#include "reports/ReportKind.h"

#include "store/Store.h"

namespace tabulo::reports {

QString commandName(ReportKind kind) {
    switch (kind) {
    case ReportKind::NameLabels:
        return QStringLiteral("name-labels");
    case ReportKind::NamePhoneList:
        return QStringLiteral("name-phones");
    case ReportKind::CompanyLabels:
        return QStringLiteral("company-labels");
    case ReportKind::CompanyPhoneList:
        return QStringLiteral("company-phones");
    }
    return {};
}

std::optional<ReportKind> reportKindFromCommand(const QString &name) {
    for (ReportKind kind : {ReportKind::NameLabels, ReportKind::NamePhoneList, ReportKind::CompanyLabels,
                            ReportKind::CompanyPhoneList})
        if (commandName(kind).compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

QString reportTitle(ReportKind kind) {
    switch (kind) {
    case ReportKind::NameLabels:
        return QStringLiteral("Name Labels");
    case ReportKind::NamePhoneList:
        return QStringLiteral("Name Phone List");
    case ReportKind::CompanyLabels:
        return QStringLiteral("Company Labels");
    case ReportKind::CompanyPhoneList:
        return QStringLiteral("Company Phone List");
    }
    return {};
}

bool isNameReport(ReportKind kind) {
    return kind == ReportKind::NameLabels || kind == ReportKind::NamePhoneList;
}

bool isLabelReport(ReportKind kind) {
    return kind == ReportKind::NameLabels || kind == ReportKind::CompanyLabels;
}

int recordsToProcess(ReportKind kind) {
    return isLabelReport(kind) ? 25 : 500;
}

QString readErrorTable(ReportKind kind) {
    return isNameReport(kind) ? QStringLiteral("QKnam") : QStringLiteral("QKjcg");
}

QStringList hintedTables(ReportKind kind) {
    switch (kind) {
    case ReportKind::NameLabels:
        return {QStringLiteral("QKjnc"), QStringLiteral("QKnam")};
    case ReportKind::NamePhoneList:
        return {QStringLiteral("QKjnc"), QStringLiteral("QKnam"), QStringLiteral("QKcat")};
    case ReportKind::CompanyLabels:
        return {QStringLiteral("QKjcg"), QStringLiteral("QKcmp")};
    case ReportKind::CompanyPhoneList:
        return {QStringLiteral("QKjcg"), QStringLiteral("QKgrp"), QStringLiteral("QKcmp")};
    }
    return {};
}

QStringList tablesUsed(ReportKind kind) {
    switch (kind) {
    case ReportKind::NameLabels:
        return store::tablesUsedBy(QStringLiteral("namelabels"));
    case ReportKind::NamePhoneList:
        return store::tablesUsedBy(QStringLiteral("namephonelist"));
    case ReportKind::CompanyLabels:
        return store::tablesUsedBy(QStringLiteral("companylabels"));
    case ReportKind::CompanyPhoneList:
        return store::tablesUsedBy(QStringLiteral("companyphonelist"));
    }
    return {};
}

} // namespace tabulo::reports
