#pragma once

#include <QString>
#include <QVariant>
#include <optional>

namespace tabulo::engine {

// What a caller asks of the list or form it opens (GlobalRequest).
enum class Request : int { None = 0, InsertRecord = 1, ChangeRecord = 2, DeleteRecord = 3, SelectRecord = 4 };
// What a list or form answers its caller (GlobalResponse).
enum class Response : int { None = 0, RequestCompleted = 1, RequestCancelled = 2 };

// The process-wide hand-over between a caller and the list or form it runs:
// the caller sets the request just before opening, the callee copies and
// clears it at entry and leaves its answer in the response when it ends.
Request globalRequest();
void setGlobalRequest(Request request);
Response globalResponse();
void setGlobalResponse(Response response);

// The current name category (glo:cat_ctrl) and company category
// (glo:grp_ctrl) with their 30-character names; 0 is the pseudo-category
// "All", whose name is "All".
qint32 currentCategory();
QString currentCategoryName();
void setCurrentCategory(qint32 ctrl, const QString &name);
qint32 currentGroup();
QString currentGroupName();
void setCurrentGroup(qint32 ctrl, const QString &name);

// The process-wide values that filter expressions may name ("glo:cat_ctrl",
// "glo:grp_ctrl"), case-insensitively; nothing for an unknown name.
std::optional<QVariant> globalValue(const QString &name);

// Binds "glo:cat_ctrl" and "glo:grp_ctrl" for every filter expression of the
// process, read when a filter is evaluated, so no window binds them itself.
// Done once when the program loads and again by resetGlobals().
void bindProcessWideNames();

// Program start: request, response and categories back to none / "All".
void resetGlobals();

} // namespace tabulo::engine
