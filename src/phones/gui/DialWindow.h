#pragma once

#include "phones/Dialer.h"

#include <QWidget>
#include <memory>

class QLineEdit;
class QPushButton;

namespace tabulo::phones::gui {

// The "Phone Dial" window: the number to dial, the local area code and the
// modem port on a general tab, with Dial, Hang Up and Close. It is laid out
// for dialling but has no dialling behaviour yet, so the dial operation
// prepares it and lets it go without showing it.
class DialWindow final : public QWidget {
    Q_OBJECT
public:
    DialWindow(const DialRequest &request, const QString &localAreaCode);

    const DialRequest &request() const { return m_request; }
    QLineEdit *numberEntry() const { return m_number; }
    QLineEdit *areaCodeEntry() const { return m_areaCode; }
    QLineEdit *portEntry() const { return m_port; }

private:
    DialRequest m_request;
    QLineEdit *m_number = nullptr;
    QLineEdit *m_areaCode = nullptr;
    QLineEdit *m_port = nullptr;
};

// Prepares the dial window for a request, with the local area code of the
// program's setup record; nothing is shown and no data changes.
std::unique_ptr<DialWindow> prepareDialWindow(const DialRequest &request);

// The dial operation every window calls: returns at once, shows nothing,
// sends nothing to a port and changes no table.
void dial(const QString &callerLabel, const QString &locationLabel, const QString &number);

} // namespace tabulo::phones::gui
