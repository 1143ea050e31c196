#include "engine/gui/BrowseWindow.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>

using tabulo::engine::gui::menuFromText;

namespace {

// A menu text: "~" disables an item, "-" is a separator that is not counted
// when items report their number.
TEST(ListMenu, BuildsItemsSeparatorsAndNumbersFromText) {
    int chosen = 0;
    std::unique_ptr<QMenu> menu(menuFromText(QStringLiteral("&Insert|~&Edit|&Delete|-|~&Select"), nullptr,
                                             [&](int n) { chosen = n; }));
    const QList<QAction *> actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&Insert"));
    EXPECT_TRUE(actions[0]->isEnabled());
    EXPECT_EQ(actions[1]->text(), QStringLiteral("&Edit"));
    EXPECT_FALSE(actions[1]->isEnabled());
    EXPECT_TRUE(actions[3]->isSeparator());
    EXPECT_EQ(actions[4]->text(), QStringLiteral("&Select"));
    EXPECT_FALSE(actions[4]->isEnabled());
    actions[2]->trigger();
    EXPECT_EQ(chosen, 3);
    actions[0]->trigger();
    EXPECT_EQ(chosen, 1);
}

TEST(ListMenu, ListsWithoutSelectHaveThreeItems) {
    std::unique_ptr<QMenu> menu(
        menuFromText(QStringLiteral("Add &New|~&View\\Edit|~&Delete"), nullptr, [](int) {}));
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("&View\\Edit"));
    EXPECT_FALSE(menu->actions()[2]->isEnabled());
}

} // namespace
