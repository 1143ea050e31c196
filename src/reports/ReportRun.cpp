#include "reports/ReportRun.h"

#include "engine/Globals.h"
#include "store/Messages.h"
#include "store/ReadScope.h"

namespace tabulo::reports {

namespace {

MemberFields nameFields(const store::Record &nam) {
    return {nam.value(QStringLiteral("FNAME")).toString(), nam.value(QStringLiteral("LNAME")).toString(),
            nam.value(QStringLiteral("ADDR1")).toString(), nam.value(QStringLiteral("ADDR2")).toString(),
            nam.value(QStringLiteral("CITY")).toString(),  nam.value(QStringLiteral("STATE")).toString(),
            nam.value(QStringLiteral("ZIP")).toString()};
}

MemberFields companyFields(const store::Record &cmp) {
    return {QString(),
            cmp.value(QStringLiteral("NAME")).toString(),
            cmp.value(QStringLiteral("ADDR1")).toString(),
            cmp.value(QStringLiteral("ADD2")).toString(),
            cmp.value(QStringLiteral("CITY")).toString(),
            cmp.value(QStringLiteral("STATE")).toString(),
            cmp.value(QStringLiteral("ZIP")).toString()};
}

PhoneFields phoneFields(const store::Record &fon) {
    return {fon.value(QStringLiteral("LOCATION")).toString(), fon.value(QStringLiteral("NUMBER")).toString(),
            fon.value(QStringLiteral("EXT")).toString(), fon.value(QStringLiteral("NAME")).toString()};
}

} // namespace

ReportRun::ReportRun(ReportKind kind)
    : m_kind(kind) {}

ReportRun::~ReportRun() {
    finish();
}

void ReportRun::sendHints(const QString &option) {
    for (const QString &name : hintedTables(m_kind)) {
        (*m_tables)[name].send(option);
        m_hints << name + QLatin1Char(' ') + option;
    }
}

void ReportRun::saveBuffers() {
    m_saved.clear();
    for (const QString &name : tablesUsed(m_kind)) {
        store::Table &t = (*m_tables)[name];
        m_saved.emplace_back(&t, t.record());
    }
}

void ReportRun::keepOwnBuffers() {
    m_own.clear();
    for (auto &[table, record] : m_saved)
        m_own.push_back(table->record());
}

void ReportRun::loadOwnBuffers() {
    for (size_t i = 0; i < m_own.size() && i < m_saved.size(); ++i)
        m_saved[i].first->record() = m_own[i];
}

void ReportRun::restoreBuffers() {
    for (auto &[table, record] : m_saved)
        table->record() = record;
    m_saved.clear();
}

void ReportRun::start() {
    const bool names = isNameReport(m_kind);
    m_tables = std::make_unique<store::TableUse>(tablesUsed(m_kind));
    m_link = &(*m_tables)[names ? QStringLiteral("QKjnc") : QStringLiteral("QKjcg")];
    m_member = &(*m_tables)[names ? QStringLiteral("QKnam") : QStringLiteral("QKcmp")];
    if (!isLabelReport(m_kind))
        m_phone = &(*m_tables)[QStringLiteral("QKfon")];
    saveBuffers();
    sendHints(QStringLiteral("QUICKSCAN=on"));
    m_hinted = true;

    const store::TableDef &link = m_link->def();
    const store::TableDef &member = m_member->def();
    m_view = std::make_unique<store::View>(*m_link);
    m_view->setOrder(link.key(names ? QStringLiteral("CAT_CTRL_KEY") : QStringLiteral("GRP_CTRL_KEY")));
    const qint64 category = names ? engine::currentCategory() : engine::currentGroup();
    // The range seeks straight to the category; the filter says the same for
    // anyone reading the view.
    m_view->setRange({store::sql::Value(category)});
    m_view->setReadAhead(kRecordsPerCycle * 4);
    const store::StoreError filtered =
        m_view->setFilter(names ? QStringLiteral("jnc:cat_ctrl = glo:cat_ctrl")
                                : QStringLiteral("jcg:grp_ctrl = glo:grp_ctrl"));
    // A link whose member is gone has nothing to print: it is skipped.
    const store::StoreError joined =
        m_view->join(*m_member, *member.key(QStringLiteral("CTRL_KEY")),
                     {names ? QStringLiteral("NAM_CTRL") : QStringLiteral("CMP_CTRL")}, true);
    if (filtered || joined || m_view->toStart()) {
        m_failure = Failure{36, QString()};
        m_state = State::Failed;
        restoreBuffers();
        return;
    }
    if (m_phone) {
        m_phones = std::make_unique<store::Cursor>(*m_phone);
        m_phones->setOrder(
            m_phone->def().key(names ? QStringLiteral("NAM_CTRL_KEY") : QStringLiteral("CMP_CTRL_KEY")));
        m_phoneList = std::make_unique<PhoneListPages>(
            m_kind, categoryLine(m_kind, names ? engine::currentCategoryName() : engine::currentGroupName()));
    } else {
        m_labels = std::make_unique<LabelPages>(m_kind);
    }
    read();
    if (m_state != State::Running && m_processed == 0 && !m_failure)
        m_state = State::Empty;
    keepOwnBuffers();
    restoreBuffers();
}

bool ReportRun::readPhoneRow() {
    // One row per phone of each linked member; a member without phones
    // gives one row of its own so that it is still listed.
    for (;;) {
        if (m_needLink) {
            const store::StoreError linked = m_view->next();
            if (linked)
                return false;
            const qint64 member =
                m_member->record().integer(m_member->def().fieldIndex(QStringLiteral("CTRL_NBR")));
            m_phones->setRange({store::sql::Value(member)});
            m_phones->toStart();
            const store::StoreError phoned = m_phones->next();
            m_memberHasPhone = !phoned;
            m_needLink = !m_memberHasPhone;
            if (phoned && phoned.code != store::Code::EndOfFile) {
                store::setLastError(phoned);
                return false;
            }
            if (!m_memberHasPhone)
                store::setLastError({});
            return true;
        }
        const store::StoreError phoned = m_phones->next();
        if (!phoned) {
            m_memberHasPhone = true;
            return true;
        }
        if (phoned.code != store::Code::EndOfFile) {
            store::setLastError(phoned);
            return false;
        }
        m_needLink = true;
    }
}

void ReportRun::read() {
    bool ok;
    if (m_phones) {
        ok = readPhoneRow();
    } else {
        ok = !m_view->next();
    }
    if (!ok) {
        if (store::lastError().code != store::Code::EndOfFile) {
            store::takeSavedError();
            m_failure = Failure{35, readErrorTable(m_kind)};
        }
        m_state = State::Completed;
        return;
    }
    ++m_processed;
    if (m_percent < 100) {
        m_percent = std::min(100, static_cast<int>(qint64(m_processed) * 100 / recordsToProcess(m_kind)));
        if (m_percent != m_percentShown) {
            m_percentShown = m_percent;
            if (onPercent)
                onPercent(m_percent);
        }
    }
}

void ReportRun::layOut() {
    if (m_labels) {
        m_labels->add(isNameReport(m_kind) ? nameLabelLines(nameFields(m_member->record()))
                                           : companyLabelLines(companyFields(m_member->record())));
        return;
    }
    const bool names = isNameReport(m_kind);
    PhoneRow row;
    row.member = m_member->record().integer(m_member->def().fieldIndex(QStringLiteral("CTRL_NBR")));
    row.heading = names ? namePhoneHeading(nameFields(m_member->record()))
                        : companyPhoneHeading(companyFields(m_member->record()));
    row.hasPhone = m_memberHasPhone;
    if (row.hasPhone)
        row.phone = names ? namePhoneLine(phoneFields(m_phone->record()))
                          : companyPhoneLine(phoneFields(m_phone->record()));
    m_phoneList->add(row);
}

bool ReportRun::step() {
    if (m_state != State::Running)
        return false;
    saveBuffers();
    loadOwnBuffers();
    const store::ReadScope reading({m_link, m_member, m_phone});
    for (int i = 0; i < kRecordsPerCycle && m_state == State::Running; ++i) {
        layOut();
        read();
    }
    keepOwnBuffers();
    restoreBuffers();
    return m_state == State::Running;
}

void ReportRun::cancel() {
    if (m_state == State::Running)
        m_state = State::Cancelled;
}

void ReportRun::finish() {
    if (m_hinted) {
        sendHints(QStringLiteral("QUICKSCAN=off"));
        m_hinted = false;
    }
    m_phones.reset();
    m_view.reset();
    m_tables.reset();
}

ReportDocument &ReportRun::document() {
    static ReportDocument none;
    if (m_labels)
        return m_labels->document();
    if (m_phoneList)
        return m_phoneList->document();
    return none;
}

std::optional<std::pair<qint32, QString>> categoryByName(ReportKind kind, const QString &name) {
    const QString wanted = name.trimmed();
    if (wanted.isEmpty() || wanted.compare(QLatin1String("All"), Qt::CaseInsensitive) == 0)
        return std::pair<qint32, QString>(0, QStringLiteral("All"));
    const bool names = isNameReport(kind);
    const QString tableName = names ? QStringLiteral("QKcat") : QStringLiteral("QKgrp");
    store::TableUse use({tableName});
    store::Table &table = use[tableName];
    const store::Record kept = table.record();
    table.record().clear();
    table.record().setValue(names ? QStringLiteral("CATEGORY") : QStringLiteral("GROUP"), wanted);
    const store::StoreError found =
        table.fetch(*table.def().key(names ? QStringLiteral("CAT_KEY") : QStringLiteral("GROUP_KEY")));
    const qint64 ctrl = table.record().integer(table.def().fieldIndex(QStringLiteral("CTRL_NBR")));
    const QString stored =
        table.record().value(names ? QStringLiteral("CATEGORY") : QStringLiteral("GROUP")).toString();
    table.record() = kept;
    if (found)
        return std::nullopt;
    return std::pair<qint32, QString>(static_cast<qint32>(ctrl), stored);
}

ReportDocument runReport(ReportKind kind, std::optional<ReportRun::Failure> &failure) {
    ReportRun run(kind);
    run.start();
    while (run.step()) {
    }
    run.finish();
    failure = run.failure();
    if (run.state() != ReportRun::State::Completed)
        return {};
    return run.takeDocument();
}

ReportDocument ReportRun::takeDocument() {
    if (m_labels)
        return m_labels->take();
    if (m_phoneList)
        return m_phoneList->take();
    return {};
}

} // namespace tabulo::reports
