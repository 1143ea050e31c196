#include "reports/gui/PrintMenu.h"

#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "reports/gui/ReportRunner.h"

#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <optional>

namespace tabulo::reports::gui {

PrintMenu::PrintMenu(QWidget *parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("printMenu"));
    setWindowTitle(QStringLiteral("Print Menu"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    struct Entry {
        const char *name;
        const char *text;
        std::optional<ReportKind> kind;
    };
    const Entry entries[] = {
        {"nameLabelsButton", "&Name Labels", ReportKind::NameLabels},
        {"nameReportButton", "Name Report", ReportKind::NamePhoneList},
        {"companyLabelsButton", "&Company Labels", ReportKind::CompanyLabels},
        {"companyReportButton", "Company Report", ReportKind::CompanyPhoneList},
        {"closeButton", "&Close", std::nullopt},
    };
    QPushButton *first = nullptr;
    for (const Entry &e : entries) {
        auto *b = new QPushButton(QString::fromLatin1(e.text), this);
        b->setObjectName(QLatin1String(e.name));
        layout->addWidget(b);
        if (!first)
            first = b;
        if (e.kind) {
            const ReportKind kind = *e.kind;
            connect(b, &QPushButton::clicked, this, [this, kind] {
                ReportRunner::start(kind);
                update();
            });
        } else {
            connect(b, &QPushButton::clicked, this, &QWidget::close);
        }
    }
    setMinimumWidth(220);
    setFocusProxy(first);
    engine::gui::WindowPlacement::attach(this, QStringLiteral("PrintMenu"));
}

PrintMenu *PrintMenu::open() {
    auto *menu = new PrintMenu;
    engine::gui::WindowHost::present(menu);
    if (QWidget *first = menu->focusProxy())
        QTimer::singleShot(0, first, [first] { first->setFocus(); });
    return menu;
}

} // namespace tabulo::reports::gui
