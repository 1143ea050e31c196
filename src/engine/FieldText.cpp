#include "engine/FieldText.h"

#include "engine/Picture.h"

#include <QHash>
#include <mutex>

namespace tabulo::engine {

namespace {
// Pictures are few and parsed once.
const Picture *pictureFor(const QString &text) {
    static std::mutex mutex;
    static QHash<QString, std::optional<Picture>> cache;
    std::lock_guard lock(mutex);
    auto it = cache.find(text);
    if (it == cache.end()) {
        Parsed<Picture> p = Picture::fromText(text.trimmed());
        it = cache.insert(text, p.ok() ? std::optional<Picture>(p.value()) : std::nullopt);
    }
    return it->has_value() ? &**it : nullptr;
}
} // namespace

QString showValue(const QString &picture, const QVariant &value) {
    if (const Picture *p = pictureFor(picture))
        return p->format(value).trimmed();
    return value.toString().trimmed();
}

EntryValue readEntry(const QString &picture, const QString &typed) {
    const Picture *p = pictureFor(picture);
    if (!p)
        return {true, QVariant(typed), {}};
    const Parsed<QVariant> v = p->parse(typed);
    if (!v.ok())
        return {false, {}, v.error()};
    return {true, v.value(), {}};
}

} // namespace tabulo::engine
