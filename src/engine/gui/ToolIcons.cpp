#include "engine/gui/ToolIcons.h"

#include <array>

namespace tabulo::engine::gui {

namespace {

struct ToolPicture {
    const char *button; // the button's object name
    const char *theme;  // freedesktop icon name
    const char *own;    // the built-in picture, under :/tabulo/tools/
};

// The freedesktop icon names, which every desktop theme draws.
constexpr std::array<ToolPicture, 16> kPictures{{
    {"addIcon", "document-new", "add"},
    {"deleteIcon", "edit-delete", "delete"},
    {"assignIcon", "list-add", "assign"},
    {"moveIcon", "go-jump", "move"},
    {"removeIcon", "list-remove", "remove"},
    {"exitIcon", "application-exit", "exit"},
    {"callsIcon", "call-start", "calls"},
    {"pendingIcon", "x-office-calendar", "pending"},
    {"setupIcon", "preferences-system", "setup"},
    {"justPhonesIcon", "phone", "justPhones"},
    {"printIcon", "document-print", "print"},
    {"allIcon", "edit-select-all", "all"},
    {"categoryIcon", "folder", "category"},
    {"findIcon", "edit-find", "find"},
    {"namesIcon", "x-office-address-book", "names"},
    {"companiesIcon", "applications-office", "companies"},
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

QIcon toolIcon(const QString &objectName) {
    const ToolPicture *p = pictureOf(objectName);
    if (!p)
        return {};
    const QIcon own(QStringLiteral(":/tabulo/tools/%1.svg").arg(QLatin1String(p->own)));
    return QIcon::fromTheme(QString::fromLatin1(p->theme), own);
}

} // namespace tabulo::engine::gui
