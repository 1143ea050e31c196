#include "phones/gui/DialWindow.h"

#include "store/Store.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tabulo::phones::gui {

namespace {
QLineEdit *addEntry(QFormLayout *rows, const QString &prompt, const QString &objectName, int width) {
    auto *edit = new QLineEdit(rows->parentWidget());
    edit->setObjectName(objectName);
    edit->setMaxLength(width);
    rows->addRow(prompt, edit);
    return edit;
}

QPushButton *addButton(QHBoxLayout *row, QWidget *parent, const QString &text, const QString &objectName) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    row->addWidget(button);
    return button;
}
} // namespace

DialWindow::DialWindow(const DialRequest &request, const QString &localAreaCode)
    : m_request(request) {
    setObjectName(QStringLiteral("phoneDial"));
    setWindowTitle(QStringLiteral("Phone Dial"));

    auto *outer = new QVBoxLayout(this);
    auto *sheet = new QTabWidget(this);
    sheet->setObjectName(QStringLiteral("sheet"));
    auto *general = new QWidget(sheet);
    auto *rows = new QFormLayout(general);
    m_number = addEntry(rows, QStringLiteral("Dialing:"), QStringLiteral("dialingEntry"), kNumberWidth);
    m_areaCode = addEntry(rows, QStringLiteral("Local Area Code:"), QStringLiteral("areaCodeEntry"), 3);
    m_port = addEntry(rows, QStringLiteral("Comm Port:"), QStringLiteral("portEntry"), 1);
    sheet->addTab(general, QStringLiteral("General"));
    outer->addWidget(sheet);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    addButton(buttons, this, QStringLiteral("Dial"), QStringLiteral("dialButton"));
    addButton(buttons, this, QStringLiteral("Hang Up"), QStringLiteral("hangUpButton"));
    QPushButton *close = addButton(buttons, this, QStringLiteral("Close"), QStringLiteral("closeButton"));
    outer->addLayout(buttons);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // The port starts blank: which port to open is the dialling's business.
    m_number->setText(m_request.number);
    m_areaCode->setText(localAreaCode.left(3));
}

std::unique_ptr<DialWindow> prepareDialWindow(const DialRequest &request) {
    return std::make_unique<DialWindow>(request, localAreaCode(store::Store::instance().directory()));
}

void dial(const QString &callerLabel, const QString &locationLabel, const QString &number) {
    // Prepared and released again: until dialling exists there is nothing
    // for the user to do in it.
    prepareDialWindow(makeDialRequest(callerLabel, locationLabel, number));
}

} // namespace tabulo::phones::gui
