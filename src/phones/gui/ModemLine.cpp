#include "phones/gui/ModemLine.h"

#include <QSerialPort>

namespace tabulo::phones::gui {

namespace {
// A few dozen bytes at any speed: what is not written by then will not be.
constexpr int kWriteMs = 3000;
} // namespace

ModemLine::ModemLine() = default;

ModemLine::~ModemLine() {
    close();
}

QString ModemLine::open(const QString &device) {
    if (isOpen() && m_device == device)
        return {};
    close();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(device);
    // Modems take their AT commands at whatever speed they are sent; 9600
    // 8N1 is the one every modem answers.
    port->setBaudRate(QSerialPort::Baud9600);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite)) {
        switch (port->error()) {
        case QSerialPort::DeviceNotFoundError:
            return QStringLiteral("The modem port %1 is missing.").arg(device);
        case QSerialPort::PermissionError:
            return QStringLiteral(
                       "The modem port %1 is in use by another program, or you may not open it (%2).")
                .arg(device, port->errorString());
        default:
            return QStringLiteral("The modem port %1 could not be opened (%2).")
                .arg(device, port->errorString());
        }
    }
    m_port = std::move(port);
    m_device = device;
    return {};
}

QString ModemLine::send(const QByteArray &command) {
    if (!isOpen())
        return QStringLiteral("No modem port is open.");
    const qint64 written = m_port->write(command);
    bool taken = written == command.size();
    while (taken && m_port->bytesToWrite() > 0)
        taken = m_port->waitForBytesWritten(kWriteMs);
    if (!taken)
        return QStringLiteral("The modem on %1 did not take the command (%2).")
            .arg(m_device, m_port->errorString());
    return {};
}

void ModemLine::close() {
    if (m_port)
        m_port->close();
    m_port.reset();
    m_device.clear();
}

bool ModemLine::isOpen() const {
    return m_port && m_port->isOpen();
}

QString ModemLine::device() const {
    return isOpen() ? m_device : QString();
}

} // namespace tabulo::phones::gui
