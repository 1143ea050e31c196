#pragma once

#include <QByteArray>
#include <QString>

namespace tabulo::phones {

// How a stored number becomes what is dialled: the outside-line digit, the
// long-distance "1" and the area code, as the setup record asks. Without any
// window, so that the rules are tested on their own; the dial window hands
// the result to the desktop as a tel: address or to a modem as an AT command.

// The dialling settings of the setup record.
struct DialSettings {
    QString localAreaCode;     // three digits; blank when not known
    int prefix = 0;            // the digit that gets an outside line (9 behind many switchboards); 0 for none
    bool dialAreaCode = false; // local numbers dialled with their area code too
    QString port;              // the modem port; blank to hand the number to the desktop

    bool operator==(const DialSettings &) const = default;
};

// What is dialled for one number. A 10-digit number in the local area code
// is a local call: its last 7 digits, or all 10 with the dial-area-code
// setting. One in another area code is a long-distance call, "1" and its 10
// digits; with no local area code known the 10 digits go as they are. A
// 7-digit number is local; an 11-digit one that starts with "1" is taken as
// that "1" and 10 digits. Other lengths (service codes, numbers abroad
// written with their 011) are dialled as typed.
struct DialString {
    QString prefix; // the outside-line digit, or empty
    QString number; // the digits after it
    QString error;  // why nothing can be dialled; empty when the digits are good

    bool ok() const { return error.isEmpty(); }
    // For the desktop: the digits at once, since a softphone or a mobile
    // phone sends the whole number in one go ("tel:915551234").
    QString telUri() const;
    // For a modem: tone dialling, a pause (",") after the outside-line digit
    // for the dial tone, and ";" so that the modem stays in command mode
    // once it has dialled instead of waiting for a data carrier: the user
    // talks on the handset, and Hang Up can still reach the modem.
    QByteArray modemCommand() const;
};

DialString composeDialString(const QString &number, const DialSettings &settings);

// Puts the modem back on hook.
inline constexpr char kHangUpCommand[] = "ATH\r";

// The serial device a modem port names. The setup keeps the port as one
// character: a digit n is COMn, which Linux calls /dev/ttyS(n-1) (COM1 is
// /dev/ttyS0); "COMn" and "COMn:" mean the same. A path is taken as it is
// ("/dev/ttyUSB0", "/dev/serial/by-id/..."), and a plain device name is
// looked for under /dev ("ttyACM0"). Blank or "0": no modem, and `device`
// stays empty; so does it when `error` says that the port names nothing.
struct ModemPort {
    QString device;
    QString error;
};
ModemPort modemPort(const QString &port);

// The dialling settings of the setup record in `directory`, read on a
// connection of their own so that no window's record buffer moves and no
// table is created; all blank when there is no setup record.
DialSettings readDialSettings(const QString &directory);

} // namespace tabulo::phones
