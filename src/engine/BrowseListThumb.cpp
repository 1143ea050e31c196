// The browse list's thumb: the table of a hundred key values spread over the
// sort order's range, where the highlighted row stands in it, and a drag
// of the thumb to one of them.
#include "engine/BrowseList.h"
#include "engine/BrowseListInternal.h"

#include "base/Text.h"

#include <algorithm>
#include <cmath>

namespace tabulo::engine {

namespace {
constexpr int ThumbEntries = 100;

// Orders two values of one key component as the thumb table needs them:
// in the key's own direction, so a newest-first date reads its table from
// the newest down.
int compareComponent(const QVariant &a, const QVariant &b, bool numeric, bool descending) {
    int order = 0;
    if (numeric) {
        const qint64 x = a.toLongLong(), y = b.toLongLong();
        order = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        order = QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
    }
    return descending ? -order : order;
}
} // namespace

void BrowseList::thumbDragged(int position) {
    if (position <= 1) {
        scrollToEnd(false);
        return;
    }
    if (position >= ThumbEntries) {
        scrollToEnd(true);
        return;
    }
    if (!distributedThumb() || m_thumbTable.size() != ThumbEntries)
        return;
    const int field = firstFreeField();
    if (field < 0)
        return;
    m_table->record().setValue(field, m_thumbTable[static_cast<size_t>(position - 1)]);
    locate(LocateMode::NotBelow);
}

void BrowseList::buildThumbTable() {
    m_thumbTable.clear();
    m_thumbTableOrdered = false;
    const int field = firstFreeField();
    if (field < 0)
        return;
    QVariant low, high;
    bool found = false;
    {
        // The reads below move the buffers; the list's own records stay put.
        const KeptBuffers kept(*m_table, m_view->parents());
        if (startOfSortOrder() && m_view->previous().ok()) {
            high = m_table->record().value(field);
            if (startOfSortOrder() && m_view->next().ok()) {
                low = m_table->record().value(field);
                found = true;
            }
        }
    }
    if (!found)
        return;
    const store::FieldDef &f = m_table->def().fields[static_cast<size_t>(field)];
    m_thumbTable = thumbEntries(low, high, isNumeric(f), f.width);
    m_thumbTableOrdered = true;
    const bool descending = firstFreeDescending();
    for (size_t i = 1; i < m_thumbTable.size(); ++i) {
        if (compareComponent(m_thumbTable[i - 1], m_thumbTable[i], isNumeric(f), descending) > 0)
            m_thumbTableOrdered = false;
    }
}

void BrowseList::updateThumbFromTable() {
    if (m_thumbTable.size() != ThumbEntries || m_page.empty()) {
        m_thumb = 0;
        return;
    }
    const int field = firstFreeField();
    if (field < 0)
        return;
    const size_t comp = static_cast<size_t>(firstFreeComponent());
    const ListRow &r = row(m_highlighted);
    if (comp >= r.keyValues.size())
        return;
    const bool numeric = isNumeric(m_table->def().fields[static_cast<size_t>(field)]);
    const bool descending = firstFreeDescending();
    int k = 0;
    while (k + 1 < ThumbEntries && compareComponent(m_thumbTable[static_cast<size_t>(k + 1)],
                                                    r.keyValues[comp], numeric, descending) <= 0)
        ++k;
    m_thumb = k * 100 / (ThumbEntries - 1);
}

std::vector<QVariant> thumbEntries(const QVariant &low, const QVariant &high, bool numeric, int width) {
    std::vector<QVariant> entries;
    entries.reserve(ThumbEntries);
    if (numeric) {
        const qint64 lo = low.toLongLong(), hi = high.toLongLong();
        for (int k = 1; k <= ThumbEntries; ++k) {
            const double v = static_cast<double>(lo) + (k - 1) * static_cast<double>(hi - lo) / 99.0;
            entries.emplace_back(static_cast<qint64>(std::trunc(v)));
        }
        return entries;
    }

    // The alphabet: the upper-case letters among codes 1 to 255, in code order.
    static const QString alphabet = [] {
        QString a;
        for (int c = 1; c <= 255; ++c) {
            if (QChar(c).isUpper())
                a.append(QChar(c));
        }
        return a;
    }();
    const qint64 base = alphabet.size() + 1;
    const int length = std::max(width, 1);

    QString lo = low.toString().leftJustified(length, QLatin1Char(' '), true);
    QString hi = tabulo::base::withoutTrailingBlanks(high.toString());
    hi = hi.leftJustified(length, alphabet.back(), true);
    int common = 0;
    while (common < length && lo.at(common) == hi.at(common))
        ++common;
    const QString prefix = lo.left(common);
    const QString lo4 = lo.mid(common, 4).toUpper().leftJustified(4, QLatin1Char(' '));
    const QString hi4 = hi.mid(common, 4).toUpper().leftJustified(4, QLatin1Char(' '));
    auto number = [&](const QString &four) {
        qint64 n = 0;
        for (QChar ch : four)
            n = n * base + (alphabet.indexOf(ch) + 1);
        return n;
    };
    auto spell = [&](qint64 n) {
        QString s(4, QLatin1Char(' '));
        for (int i = 3; i >= 0; --i) {
            const qint64 digit = n % base;
            n /= base;
            s[i] = digit > 0 ? alphabet.at(static_cast<int>(digit - 1)) : QLatin1Char(' ');
        }
        return s;
    };
    const qint64 loN = number(lo4), hiN = number(hi4);
    const qint64 step = (hiN - loN) / 99;
    entries.emplace_back(prefix + lo4);
    for (int k = 2; k < ThumbEntries; ++k)
        entries.emplace_back(prefix + spell(loN + (k - 1) * step));
    entries.emplace_back(prefix + hi4);
    return entries;
}


} // namespace tabulo::engine
