#include "engine/Globals.h"

#include "store/Filter.h"

#include <atomic>
#include <mutex>

namespace tabulo::engine {

namespace {
constexpr int NameWidth = 30;

std::atomic<int> s_request{0};
std::atomic<int> s_response{0};

struct Category {
    qint32 ctrl = 0;
    QString name = QStringLiteral("All");
};

std::mutex s_mutex;
Category s_category;
Category s_group;

QString categoryName(qint32 ctrl, const QString &name) {
    if (ctrl == 0 && name.trimmed().isEmpty())
        return QStringLiteral("All");
    return name.left(NameWidth);
}
} // namespace

Request globalRequest() {
    return static_cast<Request>(s_request.load());
}

void setGlobalRequest(Request request) {
    s_request = static_cast<int>(request);
}

Response globalResponse() {
    return static_cast<Response>(s_response.load());
}

void setGlobalResponse(Response response) {
    s_response = static_cast<int>(response);
}

qint32 currentCategory() {
    std::lock_guard lock(s_mutex);
    return s_category.ctrl;
}

QString currentCategoryName() {
    std::lock_guard lock(s_mutex);
    return s_category.name;
}

void setCurrentCategory(qint32 ctrl, const QString &name) {
    std::lock_guard lock(s_mutex);
    s_category = {ctrl, categoryName(ctrl, name)};
}

qint32 currentGroup() {
    std::lock_guard lock(s_mutex);
    return s_group.ctrl;
}

QString currentGroupName() {
    std::lock_guard lock(s_mutex);
    return s_group.name;
}

void setCurrentGroup(qint32 ctrl, const QString &name) {
    std::lock_guard lock(s_mutex);
    s_group = {ctrl, categoryName(ctrl, name)};
}

std::optional<QVariant> globalValue(const QString &name) {
    const QString n = name.trimmed().toLower();
    if (n == QLatin1String("glo:cat_ctrl"))
        return QVariant(static_cast<qint64>(currentCategory()));
    if (n == QLatin1String("glo:grp_ctrl"))
        return QVariant(static_cast<qint64>(currentGroup()));
    return std::nullopt;
}

void bindProcessWideNames() {
    // Read at evaluation time: a category chosen in another window shows at
    // the next read of any list or report that filters by it.
    store::bindGlobal(QStringLiteral("glo:cat_ctrl"),
                      [] { return QVariant(static_cast<qint64>(currentCategory())); });
    store::bindGlobal(QStringLiteral("glo:grp_ctrl"),
                      [] { return QVariant(static_cast<qint64>(currentGroup())); });
}

namespace {
// Any filter compiled in this process resolves the names, also one compiled
// before the first resetGlobals().
const bool s_namesBound = (bindProcessWideNames(), true);
} // namespace

void resetGlobals() {
    bindProcessWideNames();
    setGlobalRequest(Request::None);
    setGlobalResponse(Response::None);
    setCurrentCategory(0, {});
    setCurrentGroup(0, {});
}

} // namespace tabulo::engine
