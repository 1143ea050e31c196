#include "phones/gui/DialWindow.h"

#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "store/MessageService.h"
#include "store/Store.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <mutex>

namespace tabulo::phones::gui {

namespace {

// The port entry takes a device name for this call (a USB modem's
// /dev/serial/by-id/... name is long), although the setup keeps one character.
constexpr int kPortEntryWidth = 100;
constexpr int kAreaCodeWidth = 3;

std::mutex s_openerMutex;
UrlOpener s_opener;

bool openOnDesktop(const QUrl &url) {
    UrlOpener opener;
    {
        std::lock_guard lock(s_openerMutex);
        opener = s_opener;
    }
    return opener ? opener(url) : QDesktopServices::openUrl(url);
}

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
    // Enter on a button presses it, as in the program's dialogs.
    button->setAutoDefault(true);
    row->addWidget(button);
    return button;
}

} // namespace

UrlOpener setUrlOpener(UrlOpener opener) {
    std::lock_guard lock(s_openerMutex);
    std::swap(s_opener, opener);
    return opener;
}

DialWindow::DialWindow(const host::DialRequest &request, const DialSettings &settings, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::Dialog)
    , m_request(request)
    , m_settings(settings) {
    setObjectName(QStringLiteral("phoneDial"));
    setWindowTitle(QStringLiteral("Phone Dial"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *outer = new QVBoxLayout(this);
    auto *caller = new QLabel(m_request.callerLabel, this);
    caller->setObjectName(QStringLiteral("callerText"));
    outer->addWidget(caller);
    // Most callers' labels end with the location already.
    auto *location = new QLabel(m_request.locationLabel, this);
    location->setObjectName(QStringLiteral("locationText"));
    location->setVisible(!m_request.locationLabel.isEmpty() &&
                         !m_request.callerLabel.endsWith(m_request.locationLabel));
    outer->addWidget(location);

    auto *sheet = new QTabWidget(this);
    sheet->setObjectName(QStringLiteral("sheet"));
    auto *general = new QWidget(sheet);
    auto *rows = new QFormLayout(general);
    m_number = addEntry(rows, QStringLiteral("Dialing:"), QStringLiteral("dialingEntry"), host::kNumberWidth);
    m_areaCode =
        addEntry(rows, QStringLiteral("Local Area Code:"), QStringLiteral("areaCodeEntry"), kAreaCodeWidth);
    m_port = addEntry(rows, QStringLiteral("Comm Port:"), QStringLiteral("portEntry"), kPortEntryWidth);
    sheet->addTab(general, QStringLiteral("General"));
    outer->addWidget(sheet);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("dialStatus"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    outer->addWidget(m_status);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    QPushButton *dialButton = addButton(buttons, this, QStringLiteral("Dial"), QStringLiteral("dialButton"));
    QPushButton *hangUpButton =
        addButton(buttons, this, QStringLiteral("Hang Up"), QStringLiteral("hangUpButton"));
    QPushButton *close = addButton(buttons, this, QStringLiteral("Close"), QStringLiteral("closeButton"));
    outer->addLayout(buttons);
    connect(dialButton, &QPushButton::clicked, this, &DialWindow::dialNumber);
    connect(hangUpButton, &QPushButton::clicked, this, &DialWindow::hangUp);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Enter in an entry dials, as pressing Dial would.
    for (QLineEdit *entry : {m_number, m_areaCode, m_port})
        connect(entry, &QLineEdit::returnPressed, this, &DialWindow::dialNumber);

    m_number->setText(m_request.number);
    m_areaCode->setText(m_settings.localAreaCode.left(kAreaCodeWidth));
    m_port->setText(m_settings.port);
    setTabOrder(m_port, dialButton);
}

DialWindow::~DialWindow() = default;

void DialWindow::dialNumber() {
    DialSettings settings = m_settings;
    settings.localAreaCode = m_areaCode->text();
    settings.port = m_port->text();
    const DialString dialled = composeDialString(m_number->text(), settings);
    if (!dialled.ok()) {
        tell(dialled.error);
        return;
    }
    const ModemPort port = modemPort(settings.port);
    if (!port.error.isEmpty()) {
        tell(port.error);
        return;
    }
    if (port.device.isEmpty()) {
        // No modem: the desktop's own phone program dials.
        m_line.close();
        const QString uri = dialled.telUri();
        if (!openOnDesktop(QUrl(uri))) {
            tell(QStringLiteral("No program on this desktop dials %1: set up a softphone or a phone link for "
                                "tel: addresses, or give the modem port.")
                     .arg(uri));
            return;
        }
        m_status->setText(QStringLiteral("Handed %1 to the desktop.").arg(uri));
        return;
    }
    if (const QString failed = m_line.open(port.device); !failed.isEmpty()) {
        tell(failed);
        return;
    }
    if (const QString failed = m_line.send(dialled.modemCommand()); !failed.isEmpty()) {
        m_line.close();
        tell(failed);
        return;
    }
    m_status->setText(QStringLiteral("Dialled %1 on %2: pick up the phone, then Hang Up.")
                          .arg(QString::fromLatin1(dialled.modemCommand().mid(4).chopped(2)), port.device));
}

void DialWindow::hangUp() {
    // The desktop's phone program hangs up by itself.
    if (!m_line.isOpen())
        return;
    if (const QString failed = m_line.send(QByteArray(kHangUpCommand)); !failed.isEmpty()) {
        m_line.close();
        tell(failed);
        return;
    }
    m_status->setText(QStringLiteral("Hung up."));
}

void DialWindow::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DialWindow::closeEvent(QCloseEvent *event) {
    m_line.close();
    QWidget::closeEvent(event);
}

void DialWindow::tell(const QString &text) {
    store::MessageBox box;
    box.title = QStringLiteral("Phone Dial");
    box.text = text;
    box.owner = this;
    store::MessageService::current().show(box);
}

DialWindow *dial(QWidget *caller, const QString &callerLabel, const QString &locationLabel,
                 const QString &number) {
    const QString directory = store::Store::instance().directory();
    auto *window = new DialWindow(host::makeDialRequest(callerLabel, locationLabel, number),
                                  readDialSettings(directory), caller);
    engine::gui::WindowPlacement::attach(window, QStringLiteral("PhoneDial"),
                                         QDir(directory).filePath(QStringLiteral("QK.INI")));
    engine::gui::WindowHost::present(window, caller);
    window->findChild<QPushButton *>(QStringLiteral("dialButton"))->setFocus();
    return window;
}

} // namespace tabulo::phones::gui
