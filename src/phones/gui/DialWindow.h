#pragma once

#include "host/Dialer.h"
#include "phones/DialPlan.h"
#include "phones/gui/ModemLine.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QUrl;

namespace tabulo::phones::gui {

// The "Phone Dial" window: the number to dial, the local area code and the
// modem port on a general tab, with Dial, Hang Up and Close. Dial hands the
// number to the desktop as a tel: address (a softphone, or a mobile phone
// paired with the computer, takes it from there) or, when a modem port is
// given, sends the modem its dial command. The entries are this call's own:
// what is typed in them is not saved.
class DialWindow final : public QWidget {
    Q_OBJECT
public:
    DialWindow(const host::DialRequest &request, const DialSettings &settings, QWidget *parent = nullptr);
    ~DialWindow() override;

    const host::DialRequest &request() const { return m_request; }
    QLineEdit *numberEntry() const { return m_number; }
    QLineEdit *areaCodeEntry() const { return m_areaCode; }
    QLineEdit *portEntry() const { return m_port; }
    QLabel *statusText() const { return m_status; }
    const ModemLine &line() const { return m_line; }

    void dialNumber();
    void hangUp();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void tell(const QString &text);

    host::DialRequest m_request;
    DialSettings m_settings;
    QLineEdit *m_number = nullptr;
    QLineEdit *m_areaCode = nullptr;
    QLineEdit *m_port = nullptr;
    QLabel *m_status = nullptr;
    ModemLine m_line;
};

// How a tel: address reaches the desktop: QDesktopServices::openUrl, unless
// a test has put its own opener in. Returns the opener it replaces; an empty
// one puts the desktop back.
using UrlOpener = std::function<bool(const QUrl &)>;
UrlOpener setUrlOpener(UrlOpener opener);

// The dial operation every window calls: opens "Phone Dial" over `caller`
// with the request, the setup's dialling settings and the program's own
// placement for it, and returns the window, which closes itself. Nothing is
// dialled until the user presses Dial, and no table changes.
DialWindow *dial(QWidget *caller, const QString &callerLabel, const QString &locationLabel,
                 const QString &number);

} // namespace tabulo::phones::gui
