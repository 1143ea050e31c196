#include "postal/CityIndex.h"

#include "store/Store.h"

#include <mutex>

namespace tabulo::postal {

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

QString homeState() {
    store::TableUse use({QStringLiteral("QKset")});
    store::Table &set = use[QStringLiteral("QKset")];
    store::Cursor cursor(set);
    cursor.setOrder(nullptr);
    if (cursor.toStart() || cursor.next())
        return {};
    return set.record().value(QStringLiteral("STATE")).toString();
}

} // namespace tabulo::postal
