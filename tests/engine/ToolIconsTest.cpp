#include "engine/gui/ToolIcons.h"
#include "support/TempDataDir.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

using tabulo::engine::gui::toolIcon;
using tabulo::engine::gui::toolIconThemeName;

namespace {

// The object names of the buttons of the names and companies lists' icon bars.
const char *const kButtons[] = {"addIcon",     "deleteIcon",     "assignIcon", "moveIcon",     "removeIcon",
                                "exitIcon",    "callsIcon",      "pendingIcon", "setupIcon",   "justPhonesIcon",
                                "printIcon",   "allIcon",        "categoryIcon", "findIcon",   "namesIcon",
                                "companiesIcon"};

int paintedPixels(const QIcon &icon) {
    const QImage image = icon.pixmap(QSize(24, 24)).toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    }
    return painted;
}

// Puts a theme in place for the scope of a test, and the previous one back.
class ScopedTheme final {
public:
    ScopedTheme(const QString &searchPath, const QString &name)
        : m_paths(QIcon::themeSearchPaths())
        , m_name(QIcon::themeName()) {
        QIcon::setThemeSearchPaths({searchPath});
        QIcon::setThemeName(name);
    }
    ~ScopedTheme() {
        QIcon::setThemeSearchPaths(m_paths);
        QIcon::setThemeName(m_name);
    }

private:
    QStringList m_paths;
    QString m_name;
};

} // namespace

// Without a theme that has them, every button shows the program's own
// picture; a name that is no button has none.
TEST(ToolIcons, EveryIconButtonHasAPictureOfItsOwn) {
    tabulo::test::TempDataDir empty;
    ScopedTheme none(empty.path(), QStringLiteral("no-such-theme"));
    QStringList themeNames;
    for (const char *button : kButtons) {
        SCOPED_TRACE(button);
        const QIcon icon = toolIcon(QString::fromLatin1(button));
        ASSERT_FALSE(icon.isNull());
        // A drawn picture: neither empty nor a filled square.
        const int painted = paintedPixels(icon);
        EXPECT_GT(painted, 24 * 24 / 8);
        EXPECT_LT(painted, 24 * 24);
        const QString theme = toolIconThemeName(QString::fromLatin1(button));
        EXPECT_FALSE(theme.isEmpty());
        EXPECT_FALSE(themeNames.contains(theme)) << theme.toStdString() << " is used twice";
        themeNames << theme;
    }
    EXPECT_TRUE(toolIcon(QStringLiteral("closeButton")).isNull());
    EXPECT_TRUE(toolIconThemeName(QStringLiteral("closeButton")).isEmpty());
}

// The desktop's theme comes first where it has the picture; the program's
// own fills the gaps.
TEST(ToolIcons, TheDesktopThemesPictureComesFirst) {
    tabulo::test::TempDataDir themes;
    const QDir root(themes.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("plain/24x24/actions")));
    QFile index(root.filePath(QStringLiteral("plain/index.theme")));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=plain\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nContext=Actions\nType=Fixed\n");
    index.close();
    QImage red(24, 24, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(root.filePath(QStringLiteral("plain/24x24/actions/document-print.png"))));
    ScopedTheme plain(themes.path(), QStringLiteral("plain"));

    const QImage fromTheme = toolIcon(QStringLiteral("printIcon")).pixmap(QSize(24, 24)).toImage();
    EXPECT_EQ(fromTheme.pixelColor(12, 12), QColor(Qt::red));
    EXPECT_EQ(paintedPixels(toolIcon(QStringLiteral("printIcon"))), 24 * 24);
    const int own = paintedPixels(toolIcon(QStringLiteral("findIcon")));
    EXPECT_GT(own, 0);
    EXPECT_LT(own, 24 * 24) << "the theme lacks edit-find: the program's own picture";
}
