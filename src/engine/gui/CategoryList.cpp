#include "engine/gui/CategoryList.h"

#include "engine/Globals.h"
#include "engine/gui/WindowHost.h"
#include "store/Dictionary.h"
#include "store/Store.h"

#include <QApplication>

#include <limits>

namespace tabulo::engine::gui {

QString categoryTableOf(CategoryKind kind) {
    return kind == CategoryKind::Names ? QStringLiteral("QKcat") : QStringLiteral("QKgrp");
}

qint32 currentCategoryOf(CategoryKind kind) {
    return kind == CategoryKind::Names ? currentCategory() : currentGroup();
}

QString currentCategoryNameOf(CategoryKind kind) {
    return kind == CategoryKind::Names ? currentCategoryName() : currentGroupName();
}

void setCurrentCategoryOf(CategoryKind kind, qint64 number, const QString &name) {
    // A category's number may be wider than the current category's 32 bits:
    // a number past it is shown as no category rather than as another one.
    const bool fits =
        number >= std::numeric_limits<qint32>::min() && number <= std::numeric_limits<qint32>::max();
    const qint32 current = fits ? static_cast<qint32>(number) : 0;
    if (kind == CategoryKind::Names)
        setCurrentCategory(current, name);
    else
        setCurrentGroup(current, name);
}

ListSetup categoryListSetup(const CategoryListShape &shape) {
    const store::TableDef &def = store::tableDef(shape.tableName.toLatin1().constData());
    ListSetup setup;
    setup.objectName = shape.objectName;
    setup.title = shape.title;
    setup.placementKey = shape.objectName;
    setup.tableName = shape.tableName;
    setup.uses = store::tablesUsedBy(shape.objectName);
    setup.columns = {{shape.nameField, shape.picture}};
    setup.columnFormat = shape.columnFormat;
    setup.orders = {SortOrder{def.key(shape.orderKey)}};
    setup.thumb = ThumbKind::Fixed;
    setup.buttonsTab = QStringLiteral("General");
    setup.statusText = QStringLiteral("Select or update Category");
    setup.form = shape.form;
    return setup;
}

BrowseWindow *openCategoryListWindow(ListSetup setup, CategoryKind kind, QWidget *caller,
                                     std::function<void()> done) {
    const store::TableDef &def = store::tableDef(setup.tableName.toLatin1().constData());
    // The category's number is its table's first field.
    const int name = def.fieldIndex(setup.columns.front().field.section(QLatin1Char(':'), -1));
    auto *window = new BrowseWindow(std::move(setup), caller, std::move(done));
    store::Table &table = window->engine().table();
    window->engine().onSelect([&table, kind, name] {
        setCurrentCategoryOf(kind, table.record().integer(0), table.record().text(name));
    });
    return window;
}

void changeCategories(CategoryKind kind, bool needsTarget, QWidget *caller, const CategoryPicker &pick,
                      std::function<void(qint64 target)> apply, std::function<void(bool ran)> done) {
    const auto run = [apply](qint64 target) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        apply(target);
        QApplication::restoreOverrideCursor();
    };
    if (!needsTarget) {
        run(0);
        if (done)
            done(true);
        return;
    }
    const qint32 kept = currentCategoryOf(kind);
    const QString keptName = currentCategoryNameOf(kind);
    setGlobalRequest(Request::SelectRecord);
    // The picker leaves the chosen category in its table's buffer; the
    // records the change starts from stay in theirs.
    pick(caller, [=] {
        const Response answer = globalResponse();
        setGlobalResponse(Response::RequestCancelled);
        const bool ran = answer == Response::RequestCompleted;
        if (ran)
            run(store::Store::instance().table(categoryTableOf(kind)).record().integer(0));
        setCurrentCategoryOf(kind, kept, keptName);
        if (done)
            done(ran);
    });
}

} // namespace tabulo::engine::gui
