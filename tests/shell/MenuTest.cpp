#include "host/SetupSource.h"
#include "shell/gui/MainFrame.h"
#include "support/CaseName.h"
#include "support/TempDataDir.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

using tabulo::shell::gui::MainFrame;

namespace {

struct MenuItem {
    const char *menu;
    const char *text;
    const char *statusTip;
    const char *shortcut;
    bool enabled;
};

// The menu's and the item's texts without their mnemonic marks.
std::string plain(const char *text) {
    std::string s(text);
    std::erase(s, '&');
    return s;
}

void PrintTo(const MenuItem &item, std::ostream *os) {
    *os << plain(item.menu) << " > " << plain(item.text);
}

// The frame's menu as the user sees it, item by item in order.
const MenuItem kMenu[] = {
    {"&File", "&Backup Data Files", "", "", true},
    {"&File", "Restore from Backup...", "", "", true},
    {"&File", "&P&rint Setup...", "Setup Printer", "", true},
    {"&File", "&Import vCard or CSV...", "", "", true},
    {"&File", "Expor&t vCard or CSV...", "", "", true},
    {"&File", "E&xit", "Exit this application", "", true},
    {"&Edit", "Cu&t", "Remove item to Windows Clipboard", "Ctrl+X", true},
    {"&Edit", "&Copy", "Copy item to Windows Clipboard", "Ctrl+C", true},
    {"&Edit", "&Paste", "Paste contents of Windows Clipboard", "Ctrl+V", true},
    {"&Edit", "&Find...", "Find people, companies, notes, phone numbers and calls", "Ctrl+F", true},
    {"&Views", "&Names List", "", "", true},
    {"&Views", "&Companies List", "", "", true},
    {"&Views", "Pending &Dates List", "", "", true},
    {"&Views", "&Calls List", "", "", true},
    {"Data &Tables", "Cities and &Zip Codes", "", "", true},
    {"Data &Tables", "&Company Categories", "", "", true},
    {"Data &Tables", "&Important Dates", "", "", true},
    {"Data &Tables", "&Names Categories", "", "", true},
    {"Data &Tables", "&Setup", "", "", true},
    {"Data &Tables", "&Calendar", "", "", true},
    {"&Reports", "Names &Labels", "", "", true},
    {"&Reports", "Names &Report", "", "", true},
    {"&Reports", "&Company Labels", "", "", true},
    {"&Reports", "Co&mpany Report", "", "", true},
    {"&Window", "T&ile", "Make all open windows visible", "", true},
    {"&Window", "&Cascade", "Stack all open windows", "", true},
    {"&Window", "&Arrange Icons", "Align all window icons", "", true},
    {"&Help", "Help &Online", "", "", true},
    {"&Help", "Help &Local", "", "", true},
    {"&Help", "&About Tabulo List Manager", "Version, data directory and licences", "", true},
};

class NoSetup final : public tabulo::host::SetupSource {
public:
    Outcome prepare() override { return {true, {}, {}}; }
    void release() override {}
};

class MenuTest : public ::testing::TestWithParam<MenuItem> {
protected:
    static void SetUpTestSuite() {
        s_dir = new tabulo::test::TempDataDir;
        MainFrame::Services services;
        services.setup = &s_setup;
        services.formatD3 = [](int) { return QString(); };
        services.settingsFile = s_dir->file(QStringLiteral("QK.INI"));
        s_frame = new MainFrame(services);
    }
    static void TearDownTestSuite() {
        s_frame->close();
        delete s_frame;
        delete s_dir;
    }

    // The item's action in the menu named `menuText`, or null.
    static QAction *find(const QString &menuText, const QString &itemText) {
        for (QAction *top : s_frame->menuBar()->actions()) {
            if (top->text() != menuText || !top->menu())
                continue;
            for (QAction *item : top->menu()->actions())
                if (item->text() == itemText)
                    return item;
        }
        return nullptr;
    }

    static inline NoSetup s_setup;
    static inline tabulo::test::TempDataDir *s_dir = nullptr;
    static inline MainFrame *s_frame = nullptr;
};

TEST_P(MenuTest, ItemIsInItsMenuWithItsTexts) {
    const MenuItem &item = GetParam();
    QAction *action = find(QString::fromLatin1(item.menu), QString::fromLatin1(item.text));
    ASSERT_NE(action, nullptr) << item.menu << " / " << item.text;
    EXPECT_EQ(action->statusTip(), QString::fromLatin1(item.statusTip));
    EXPECT_EQ(action->shortcut().toString(QKeySequence::PortableText), QString::fromLatin1(item.shortcut));
    EXPECT_EQ(action->isEnabled(), item.enabled);
    EXPECT_FALSE(action->objectName().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Frame, MenuTest, ::testing::ValuesIn(kMenu),
                         [](const ::testing::TestParamInfo<MenuItem> &info) {
                             return tabulo::test::caseName(plain(info.param.menu) + " " +
                                                           plain(info.param.text));
                         });

TEST_F(MenuTest, MenusAndItemsComeInOrderAndNothingElse) {
    QStringList menus;
    QStringList items;
    for (QAction *top : s_frame->menuBar()->actions()) {
        menus.append(top->text());
        for (QAction *item : top->menu()->actions())
            if (!item->isSeparator())
                items.append(top->text() + QLatin1Char('/') + item->text());
    }
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Edit"), QStringLiteral("&Views"),
                                  QStringLiteral("Data &Tables"), QStringLiteral("&Reports"),
                                  QStringLiteral("&Window"), QStringLiteral("&Help")}));
    QStringList expected;
    for (const MenuItem &item : kMenu)
        expected.append(QString::fromLatin1(item.menu) + QLatin1Char('/') + QString::fromLatin1(item.text));
    EXPECT_EQ(items, expected);

    QAction *window = s_frame->menuBar()->actions().at(5);
    EXPECT_EQ(window->statusTip(), QStringLiteral("Create and Arrange windows"));
}

} // namespace
