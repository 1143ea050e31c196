#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class QSerialPort;

namespace tabulo::phones::gui {

// The serial line to a modem, held open from the first command to the end of
// the call: closing it drops the line's DTR, which puts most modems on hook.
// Each call answers with an empty text or with what went wrong, worded for
// the user.
class ModemLine final {
public:
    ModemLine();
    ~ModemLine();
    ModemLine(const ModemLine &) = delete;
    ModemLine &operator=(const ModemLine &) = delete;

    // Opens `device`, unless it is the one open already; another one open
    // is closed first.
    QString open(const QString &device);
    // Writes `command` and waits until the line has taken all of it.
    QString send(const QByteArray &command);
    void close();

    bool isOpen() const;
    QString device() const;

private:
    std::unique_ptr<QSerialPort> m_port;
    QString m_device;
};

} // namespace tabulo::phones::gui
