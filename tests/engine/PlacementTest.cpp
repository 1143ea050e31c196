#include "engine/PlacementSettings.h"
#include "engine/gui/WindowPlacement.h"
#include "support/TempDataDir.h"

#include <QGuiApplication>
#include <QMdiArea>
#include <QScreen>
#include <QMdiSubWindow>
#include <QSettings>
#include <QWidget>
#include <QtTest/QTest>
#include <gtest/gtest.h>
#include <memory>

using tabulo::engine::Placement;
using tabulo::engine::PlacementSettings;
using tabulo::engine::gui::WindowPlacement;

namespace {

class PlacementTest : public ::testing::Test {
protected:
    QString ini() const { return m_dir.file(QStringLiteral("QK.INI")); }

    // A top-level window designed at 300 x 200 that keeps its placement in "catls".
    std::unique_ptr<QWidget> openWindow(const QString &section = QStringLiteral("catls")) {
        auto window = std::make_unique<QWidget>();
        window->setObjectName(QStringLiteral("placedWindow"));
        window->setGeometry(40, 50, 300, 200);
        WindowPlacement::attach(window.get(), section, ini());
        return window;
    }

    QString raw(const QString &key) const {
        return QSettings(ini(), QSettings::IniFormat).value(key).toString();
    }

    tabulo::test::TempDataDir m_dir;
};

TEST_F(PlacementTest, ClosingWritesTheSectionAndOpeningRestoresIt) {
    {
        auto window = openWindow();
        window->show();
        window->setGeometry(120, 130, 420, 310);
        window->close();
    }
    EXPECT_EQ(raw(QStringLiteral("catls/XPosit")), QStringLiteral("120"));
    EXPECT_EQ(raw(QStringLiteral("catls/YPosit")), QStringLiteral("130"));
    EXPECT_EQ(raw(QStringLiteral("catls/Width")), QStringLiteral("420"));
    EXPECT_EQ(raw(QStringLiteral("catls/Height")), QStringLiteral("310"));
    EXPECT_EQ(raw(QStringLiteral("catls/Maximize")), QStringLiteral("No"));

    auto again = openWindow();
    EXPECT_EQ(again->geometry(), QRect(120, 130, 420, 310));
    EXPECT_FALSE(again->windowState() & Qt::WindowMaximized);
    // Another window's section is untouched by this one.
    auto other = openWindow(QStringLiteral("zipls"));
    EXPECT_EQ(other->geometry(), QRect(40, 50, 300, 200));
}

TEST_F(PlacementTest, SavedAtXZeroOpensAtTheDesignedPlace) {
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{0, 200, 500, 400, true});
    auto window = openWindow();
    EXPECT_EQ(window->geometry(), QRect(40, 50, 300, 200));
    // "Maximize" is not even read.
    EXPECT_FALSE(window->windowState() & Qt::WindowMaximized);
}

TEST_F(PlacementTest, AZeroYOrSizeLeavesTheWindowAlone) {
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{100, 0, 500, 400, false});
    EXPECT_EQ(openWindow()->geometry(), QRect(40, 50, 300, 200));
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{100, 90, 0, 400, false});
    EXPECT_EQ(openWindow()->geometry(), QRect(40, 50, 300, 200));
}

TEST_F(PlacementTest, ClosingWhileMinimisedKeepsThePreviousPlacement) {
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{70, 80, 350, 250, false});
    {
        auto window = openWindow();
        window->show();
        window->setGeometry(200, 210, 500, 400);
        window->setWindowState(Qt::WindowMinimized);
        window->close();
    }
    const Placement kept = PlacementSettings(ini()).read(QStringLiteral("catls"));
    EXPECT_EQ(kept.x, 70);
    EXPECT_EQ(kept.y, 80);
    EXPECT_EQ(kept.width, 350);
    EXPECT_EQ(kept.height, 250);
}

TEST_F(PlacementTest, ClosingWhileMaximisedSavesYesWithTheNormalGeometryAndReopensMaximised) {
    {
        auto window = openWindow();
        window->show();
        window->setGeometry(110, 120, 330, 230);
        window->showMaximized();
        ASSERT_TRUE(window->isMaximized());
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->geometry() != QRect(110, 120, 330, 230); }));
        window->close();
    }
    EXPECT_EQ(raw(QStringLiteral("catls/Maximize")), QStringLiteral("Yes"));
    const Placement saved = PlacementSettings(ini()).read(QStringLiteral("catls"));
    EXPECT_EQ(QRect(saved.x, saved.y, saved.width, saved.height), QRect(110, 120, 330, 230));

    auto again = openWindow();
    EXPECT_TRUE(again->windowState() & Qt::WindowMaximized);
    again->show();
    EXPECT_TRUE(again->isMaximized());
    again->showNormal();
    EXPECT_EQ(again->geometry(), QRect(110, 120, 330, 230));
    again->close();
}

TEST_F(PlacementTest, AChildWindowOfTheFrameKeepsItsNormalPlaceWhenClosedMaximised) {
    QMdiArea area;
    area.resize(800, 600);
    area.show();
    auto *list = new QWidget;
    list->resize(300, 200);
    QMdiSubWindow *sub = area.addSubWindow(list);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setGeometry(30, 40, 320, 230);
    WindowPlacement::attach(sub, QStringLiteral("catls"), ini());
    sub->show();
    sub->showMaximized();
    ASSERT_TRUE(sub->isMaximized());
    sub->close();
    const Placement saved = PlacementSettings(ini()).read(QStringLiteral("catls"));
    EXPECT_TRUE(saved.maximised);
    EXPECT_EQ(QRect(saved.x, saved.y, saved.width, saved.height), QRect(30, 40, 320, 230));
    area.close();
}

TEST_F(PlacementTest, AWindowCannotBeMadeSmallerThanItsDesignedSize) {
    auto window = openWindow();
    EXPECT_EQ(window->minimumSize(), QSize(300, 200));
    window->resize(100, 80);
    EXPECT_EQ(window->size(), QSize(300, 200));
    // Nor through a saved size smaller than the design.
    window->close();
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{60, 70, 120, 90, false});
    auto again = openWindow();
    EXPECT_EQ(again->geometry(), QRect(60, 70, 300, 200));
}

TEST_F(PlacementTest, AFixedSizeWindowIsOnlyMoved) {
    PlacementSettings(ini()).write(QStringLiteral("setup"), Placement{150, 160, 900, 700, false});
    QWidget window;
    window.setGeometry(10, 20, 300, 200);
    window.setFixedSize(300, 200);
    WindowPlacement::attach(&window, QStringLiteral("setup"), ini());
    EXPECT_EQ(window.geometry(), QRect(150, 160, 300, 200));
}

TEST_F(PlacementTest, MissingOrGarbledValuesReadAsZero) {
    PlacementSettings settings(ini());
    EXPECT_EQ(settings.number(QStringLiteral("Main"), QStringLiteral("XPosit")), 0);
    {
        QSettings raw(ini(), QSettings::IniFormat);
        raw.setValue(QStringLiteral("Main/XPosit"), QStringLiteral("left"));
        raw.setValue(QStringLiteral("Main/Maximize"), QStringLiteral("yes please"));
    }
    EXPECT_EQ(settings.number(QStringLiteral("Main"), QStringLiteral("XPosit")), 0);
    EXPECT_FALSE(settings.maximised(QStringLiteral("Main")));
}

} // namespace

TEST(PlacementClamp, SavedPlacesAreKeptOnTheScreensThatExist) {
    using tabulo::engine::clampPlacement;
    const QList<QRect> one{QRect(0, 0, 1920, 1080)};
    const QList<QRect> two{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QSize designed(300, 200);
    struct Case {
        const char *what;
        QRect saved;
        QList<QRect> areas;
        QRect expected;
    };
    const QList<QRect> small{QRect(0, 0, 1600, 1000)};
    const Case cases[] = {
        {"on the screen: kept", QRect(100, 120, 400, 300), one, QRect(100, 120, 400, 300)},
        {"far beyond: wholly on the screen", QRect(999999, 999999, 400, 300), one,
         QRect(1920 - 400, 1080 - 300, 400, 300)},
        {"a frame far beyond a smaller screen: wholly on it", QRect(999999, 999999, 900, 620), small,
         QRect(1600 - 900, 1000 - 620, 900, 620)},
        {"far before", QRect(-999999, -999999, 400, 300), one, QRect(0, 0, 400, 300)},
        {"title bar above the top: moved down", QRect(100, -10, 400, 300), one, QRect(100, 0, 400, 300)},
        {"partly off the right edge: moved in", QRect(1920 - 100, 500, 400, 300), one,
         QRect(1920 - 400, 500, 400, 300)},
        {"partly off the bottom: moved up", QRect(200, 1000, 400, 300), one, QRect(200, 1080 - 300, 400, 300)},
        {"on the second screen: kept", QRect(2500, 100, 400, 300), two, QRect(2500, 100, 400, 300)},
        {"across both screens: kept", QRect(1800, 100, 400, 300), two, QRect(1800, 100, 400, 300)},
        {"mostly on the second screen, partly below it: onto it", QRect(2500, 900, 400, 300), two,
         QRect(2500, 1024 - 300, 400, 300)},
        {"beyond the second screen: onto it", QRect(9000, 100, 400, 300), two,
         QRect(1920 + 1280 - 400, 100, 400, 300)},
        {"wider than the screen: a quarter and the title bar show", QRect(1800, 100, 2400, 300), one,
         QRect(1920 - 600, 100, 2400, 300)},
        {"taller than the screen: its title bar at the top", QRect(100, -50, 400, 1200), one,
         QRect(100, 0, 400, 1200)},
        {"below the designed size: the designed size", QRect(100, 100, 10, 5), one, QRect(100, 100, 300, 200)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(clampPlacement(c.saved, designed, c.areas, 30), c.expected);
    }
}

TEST_F(PlacementTest, AWindowSavedOffEveryScreenOpensWhollyOnOneAndIsSavedThere) {
    PlacementSettings(ini()).write(QStringLiteral("catls"), Placement{999999, 999999, 50, 40, false});
    auto window = openWindow();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(window->geometry())) << window->geometry().x() << "," << window->geometry().y();
    EXPECT_EQ(window->size(), QSize(300, 200));
    window->show();
    window->close();
    const Placement saved = PlacementSettings(ini()).read(QStringLiteral("catls"));
    EXPECT_LT(saved.x, screen.right());
    EXPECT_LT(saved.y, screen.bottom());
}
