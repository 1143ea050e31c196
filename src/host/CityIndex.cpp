#include "host/CityIndex.h"

#include "store/Store.h"

#include <mutex>

namespace tabulo::host {

namespace {
constexpr int SearchWidth = 30;
std::mutex s_mutex;
QString s_search;
} // namespace

QString zipSearchText() {
    std::lock_guard lock(s_mutex);
    return s_search;
}

void setZipSearchText(const QString &city) {
    std::lock_guard lock(s_mutex);
    s_search = city.left(SearchWidth);
}

CityZip cityInBuffer() {
    const store::Record &r = store::Store::instance().table(QStringLiteral("QKzip")).record();
    return {r.value(QStringLiteral("CITY")).toString(), r.value(QStringLiteral("STATE")).toString(),
            r.value(QStringLiteral("ZIP")).toString()};
}

std::optional<CityZip> lookUpCity(const QString &city) {
    store::TableUse use({QStringLiteral("QKzip")});
    store::Table &zip = use[QStringLiteral("QKzip")];
    zip.record().clear();
    zip.record().setValue(QStringLiteral("CITY"), city.trimmed());
    if (zip.fetch(*zip.def().key(QStringLiteral("DUPECITYKEY"))))
        return std::nullopt;
    return cityInBuffer();
}

std::vector<CityZip> citiesNamed(const QString &city, int atMost) {
    std::vector<CityZip> found;
    const QString wanted = city.trimmed();
    if (wanted.isEmpty())
        return found;
    store::TableUse use({QStringLiteral("QKzip")});
    store::Table &zip = use[QStringLiteral("QKzip")];
    const store::Record kept = zip.record();
    zip.record().clear();
    zip.record().setValue(QStringLiteral("CITY"), wanted);
    if (!zip.setNotBelow(*zip.def().key(QStringLiteral("DUPECITYKEY")))) {
        while (static_cast<int>(found.size()) < atMost && zip.next().ok()) {
            const CityZip entry = cityInBuffer();
            if (entry.city.trimmed().compare(wanted, Qt::CaseInsensitive) != 0)
                break;
            found.push_back(entry);
        }
    }
    zip.record() = kept;
    return found;
}

CityLookup lookUpAddressCity(const QString &city, const CityZip &address) {
    CityLookup out;
    out.address = address;
    const QString typed = city.trimmed();
    out.address.city = typed;
    if (typed.isEmpty())
        return out; // a blank city leaves the state and zip alone
    const std::vector<CityZip> entries = citiesNamed(typed, 2);
    if (entries.size() != 1) {
        out.needsPicker = true;
        return out;
    }
    const CityZip &known = entries.front();
    out.address.city = known.city.trimmed();
    if (!known.state.trimmed().isEmpty())
        out.address.state = known.state;
    if (!known.zip.trimmed().isEmpty())
        out.address.zip = known.zip;
    return out;
}

QString homeState() {
    store::TableUse use({QStringLiteral("QKset")});
    store::Table &set = use[QStringLiteral("QKset")];
    store::Cursor cursor(set);
    cursor.setOrder(nullptr);
    if (cursor.toStart() || cursor.next())
        return {};
    return set.record().value(QStringLiteral("STATE")).toString();
}

} // namespace tabulo::host
