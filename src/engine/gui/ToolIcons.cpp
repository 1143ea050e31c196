#include "engine/gui/ToolIcons.h"

#include <array>

namespace tabulo::engine::gui {

namespace {

struct ToolPicture {
    const char *button; // the button's object name
    const char *theme;  // freedesktop icon name
    const char *own;    // the built-in picture, under :/tabulo/tools/
    const char *text;   // what the button says beside its picture
};

// The freedesktop icon names, which every desktop theme draws.
constexpr std::array<ToolPicture, 16> kPictures{{
    {"addIcon", "document-new", "add", "Add"},
    {"deleteIcon", "edit-delete", "delete", "Delete"},
    {"assignIcon", "list-add", "assign", "Assign"},
    {"moveIcon", "go-jump", "move", "Move"},
    {"removeIcon", "list-remove", "remove", "Remove"},
    {"exitIcon", "application-exit", "exit", "Exit"},
    {"callsIcon", "call-start", "calls", "Calls"},
    {"pendingIcon", "x-office-calendar", "pending", "Dates"},
    {"setupIcon", "preferences-system", "setup", "Setup"},
    {"justPhonesIcon", "phone", "justPhones", "Phones"},
    {"printIcon", "document-print", "print", "Print"},
    {"allIcon", "edit-select-all", "all", "All"},
    {"categoryIcon", "folder", "category", "Category"},
    {"findIcon", "edit-find", "find", "Find..."},
    {"namesIcon", "x-office-address-book", "names", "Names"},
    {"companiesIcon", "applications-office", "companies", "Companies"},
}};

const ToolPicture *pictureOf(const QString &objectName) {
    for (const ToolPicture &p : kPictures) {
        if (objectName == QLatin1String(p.button))
            return &p;
    }
    return nullptr;
}

} // namespace

QString toolIconThemeName(const QString &objectName) {
    const ToolPicture *p = pictureOf(objectName);
    return p ? QString::fromLatin1(p->theme) : QString();
}

QString toolText(const QString &objectName) {
    const ToolPicture *p = pictureOf(objectName);
    return p ? QString::fromLatin1(p->text) : QString();
}

QIcon toolIcon(const QString &objectName) {
    const ToolPicture *p = pictureOf(objectName);
    if (!p)
        return {};
    const QIcon own(QStringLiteral(":/tabulo/tools/%1.svg").arg(QLatin1String(p->own)));
    return QIcon::fromTheme(QString::fromLatin1(p->theme), own);
}

} // namespace tabulo::engine::gui
