#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

namespace tabulo::test {

// A pseudo-terminal pair standing in for a modem: the program opens the
// terminal side as its serial port, the test reads what reached the line on
// the other side.
class PseudoModem final {
public:
    PseudoModem() {
        m_fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_fd >= 0 && grantpt(m_fd) == 0 && unlockpt(m_fd) == 0)
            m_device = QString::fromLocal8Bit(ptsname(m_fd));
    }
    ~PseudoModem() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PseudoModem(const PseudoModem &) = delete;
    PseudoModem &operator=(const PseudoModem &) = delete;

    bool ready() const { return !m_device.isEmpty(); }
    // The terminal side, which the program opens.
    const QString &device() const { return m_device; }

    // What the program has written so far. The program writes before its
    // button's click returns, so the bytes are waiting here already; the
    // wait only bounds a broken line.
    QByteArray received() {
        QByteArray got;
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, got.isEmpty() ? 5000 : 0);
            if (ready <= 0 || !(p.revents & POLLIN))
                return got;
            char buffer[256];
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0)
                return got;
            got.append(buffer, static_cast<qsizetype>(n));
        }
    }
    // True when nothing is waiting to be read.
    bool quiet() {
        pollfd p{m_fd, POLLIN, 0};
        return ::poll(&p, 1, 0) == 0;
    }

private:
    int m_fd = -1;
    QString m_device;
};

} // namespace tabulo::test
