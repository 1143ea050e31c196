#pragma once

#include "engine/gui/BrowseWindow.h"

#include <QString>

#include <functional>

class QWidget;

namespace tabulo::engine::gui {

// Which current category a category list reads and sets: the name category
// (glo:cat_ctrl) or the company category (glo:grp_ctrl).
enum class CategoryKind { Names, Companies };

QString categoryTableOf(CategoryKind kind);
qint32 currentCategoryOf(CategoryKind kind);
QString currentCategoryNameOf(CategoryKind kind);
void setCurrentCategoryOf(CategoryKind kind, qint64 number, const QString &name);

// What sets one category list apart from the other: everything else (one
// name column in name order, the buttons on a "General" tab, a selection
// that becomes the current category) is the same for both.
struct CategoryListShape {
    CategoryKind kind;
    QString objectName; // "catls": also its placement and its tables' use
    QString title;      // "Names Categories"
    QString tableName;  // "QKcat"
    QString nameField;  // "CAT:CATEGORY"
    QString picture;    // "@s30"
    QString columnFormat;
    QString orderKey; // "CAT_KEY"
    FormRunner form;
};

// The list's set-up, for a window to adjust before it opens it.
ListSetup categoryListSetup(const CategoryListShape &shape);

// Opens the list for GlobalRequest over `caller` (or on its own); the
// highlighted category becomes the current one of `kind` when the user
// selects it. `done` runs when the list has ended.
BrowseWindow *openCategoryListWindow(ListSetup setup, CategoryKind kind, QWidget *caller,
                                     std::function<void()> done);

// The opener a category change picks its target category with.
using CategoryPicker = std::function<BrowseWindow *(QWidget *caller, std::function<void()> done)>;

// Copying, moving or removing records between categories: with `needsTarget`
// the user first picks the target category over `caller` through `pick`
// (picking nothing changes nothing, and `done` gets false); `apply` runs
// with the picked category's number (0 without a target) under the wait
// cursor. The list goes on showing the category it showed: the current
// category the picker set is put back.
void changeCategories(CategoryKind kind, bool needsTarget, QWidget *caller, const CategoryPicker &pick,
                      std::function<void(qint64 target)> apply, std::function<void(bool ran)> done);

} // namespace tabulo::engine::gui
