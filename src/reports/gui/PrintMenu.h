#pragma once

#include <QWidget>

namespace tabulo::reports::gui {

// "Print Menu": one button per report. Each starts its report over the
// categories current at that moment; the menu stays open, so reports can be
// started one after another, and closing it stops none of them.
class PrintMenu final : public QWidget {
    Q_OBJECT
public:
    explicit PrintMenu(QWidget *parent = nullptr);
    // Opens the menu as a window of the frame.
    static PrintMenu *open();
};

} // namespace tabulo::reports::gui
