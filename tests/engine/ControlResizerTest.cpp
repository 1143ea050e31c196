#include "engine/gui/ControlResizer.h"
#include "engine/gui/WindowPlacement.h"
#include "support/TempDataDir.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using tabulo::engine::gui::ControlResizer;
using tabulo::engine::gui::WindowPlacement;

namespace {

// A quick form as the forms lay themselves out: a tab sheet with prompts and
// entries, a check box, OK and Cancel at the bottom right, Help at the bottom left.
class QuickForm final : public QDialog {
public:
    QuickForm() {
        setObjectName(QStringLiteral("quickForm"));
        resize(400, 300);
        sheet = new QTabWidget(this);
        sheet->setObjectName(QStringLiteral("sheet"));
        sheet->setGeometry(10, 10, 380, 230);
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("generalPage"));
        sheet->addTab(page, QStringLiteral("General"));
        prompt = new QLabel(QStringLiteral("&Name:"), page);
        prompt->setGeometry(10, 10, 80, 22);
        name = new QLineEdit(page);
        name->setObjectName(QStringLiteral("nameEntry"));
        name->setGeometry(100, 10, 200, 22);
        inFrame = new QLineEdit(this);
        inFrame->setObjectName(QStringLiteral("loneEntry"));
        inFrame->setGeometry(20, 250, 150, 22);
        flag = new QCheckBox(QStringLiteral("Flag"), this);
        flag->setGeometry(180, 250, 60, 22);
        help = new QPushButton(QStringLiteral("Help"), this);
        help->setGeometry(10, 270, 70, 24);
        cancel = new QPushButton(QStringLiteral("Cancel"), this);
        cancel->setGeometry(240, 270, 70, 24);
        ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setGeometry(320, 270, 70, 24);
    }

    QTabWidget *sheet;
    QLabel *prompt;
    QLineEdit *name;
    QLineEdit *inFrame;
    QCheckBox *flag;
    QPushButton *help;
    QPushButton *cancel;
    QPushButton *ok;
};

QRect inWindow(const QWidget *widget) {
    return QRect(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
}

TEST(ControlResizerTest, TwiceAsWideKeepsButtonsAtTheRightEdgeAndDoublesEntries) {
    QuickForm form;
    ControlResizer *resizer = ControlResizer::install(&form);
    form.show();
    const QRect name = inWindow(form.name);

    form.resize(800, 300);
    EXPECT_DOUBLE_EQ(resizer->horizontalScale(), 2.0);
    EXPECT_DOUBLE_EQ(resizer->verticalScale(), 1.0);

    // OK and Cancel keep their distance to the right edge and their size.
    EXPECT_EQ(inWindow(form.ok), QRect(720, 270, 70, 24));
    EXPECT_EQ(inWindow(form.cancel), QRect(640, 270, 70, 24));
    // A button nearer the left edge stays there.
    EXPECT_EQ(inWindow(form.help), QRect(10, 270, 70, 24));
    // Entries double in width and keep their height, also inside the sheet.
    EXPECT_EQ(inWindow(form.inFrame), QRect(40, 250, 300, 22));
    const QRect wideName = inWindow(form.name);
    EXPECT_EQ(wideName.width(), 400);
    EXPECT_EQ(wideName.height(), 22);
    EXPECT_EQ(wideName.x(), 2 * name.x());
    EXPECT_EQ(wideName.y(), name.y());
    // Check boxes move in proportion without growing; the sheet scales.
    EXPECT_EQ(inWindow(form.flag), QRect(360, 250, 60, 22));
    EXPECT_EQ(form.sheet->geometry(), QRect(20, 10, 760, 230));

    // Back to the designed size puts everything back.
    form.resize(400, 300);
    EXPECT_EQ(inWindow(form.ok), QRect(320, 270, 70, 24));
    EXPECT_EQ(inWindow(form.inFrame), QRect(20, 250, 150, 22));
    EXPECT_EQ(form.name->geometry(), QRect(100, 10, 200, 22));
    form.close();
}

TEST(ControlResizerTest, TallerKeepsButtonsAtTheBottomAndEntriesAtTheirHeight) {
    QuickForm form;
    ControlResizer::install(&form);
    form.show();
    form.resize(400, 450);
    EXPECT_EQ(inWindow(form.ok), QRect(320, 420, 70, 24));
    EXPECT_EQ(inWindow(form.help), QRect(10, 420, 70, 24));
    EXPECT_EQ(inWindow(form.inFrame), QRect(20, 375, 150, 22));
    EXPECT_EQ(form.sheet->geometry(), QRect(10, 15, 380, 345));
    form.close();
}

TEST(ControlResizerTest, ListsTheControlsInCreationOrderWithTheirKinds) {
    QuickForm form;
    const ControlResizer *resizer = ControlResizer::install(&form);
    QList<QWidget *> widgets;
    QList<ControlResizer::Kind> kinds;
    for (const auto &control : resizer->controls()) {
        widgets.append(control.widget);
        kinds.append(control.kind);
    }
    const QList<QWidget *> expected{form.sheet, form.prompt, form.name,   form.inFrame,
                                    form.flag,  form.help,   form.cancel, form.ok};
    EXPECT_EQ(widgets, expected);
    using K = ControlResizer::Kind;
    const QList<K> expectedKinds{K::Other, K::Plain,  K::Entry,  K::Entry,
                                 K::Check, K::Button, K::Button, K::Button};
    EXPECT_EQ(kinds, expectedKinds);
    EXPECT_EQ(ControlResizer::of(&form), resizer);
}

TEST(ControlResizerTest, ControlsPlacedByALayoutAreLeftToTheLayout) {
    QDialog form;
    form.resize(300, 120);
    auto *layout = new QVBoxLayout(&form);
    auto *entry = new QLineEdit(&form);
    layout->addWidget(entry);
    auto *loose = new QPushButton(QStringLiteral("OK"), &form);
    loose->setGeometry(220, 90, 70, 24);
    const ControlResizer *resizer = ControlResizer::install(&form);
    ASSERT_EQ(resizer->controls().size(), 1);
    EXPECT_EQ(resizer->controls().front().widget, loose);
    form.show();
    form.resize(600, 120);
    EXPECT_EQ(loose->geometry(), QRect(520, 90, 70, 24));
    EXPECT_GT(entry->width(), 500);
    form.close();
}

TEST(ControlResizerTest, AResizableFormOpensAtItsSavedSizeWithItsControlsFollowing) {
    tabulo::test::TempDataDir dir;
    const QString ini = dir.file(QStringLiteral("QK.INI"));
    {
        QuickForm form;
        WindowPlacement::attachResizable(&form, QStringLiteral("UpdateQKfon"), ini);
        EXPECT_EQ(form.minimumSize(), QSize(400, 300));
        form.show();
        form.setGeometry(50, 60, 600, 300);
        EXPECT_EQ(inWindow(form.ok), QRect(520, 270, 70, 24));
        form.close();
    }
    QuickForm form;
    WindowPlacement::attachResizable(&form, QStringLiteral("UpdateQKfon"), ini);
    EXPECT_EQ(form.geometry(), QRect(50, 60, 600, 300));
    // Laid out for the restored size before it is ever shown.
    EXPECT_EQ(inWindow(form.ok), QRect(520, 270, 70, 24));
    EXPECT_EQ(form.inFrame->width(), 225);
}

} // namespace
