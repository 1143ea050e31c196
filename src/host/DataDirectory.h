#pragma once

#include <QString>

namespace tabulo::host {

// Where the tables and the settings file live: the working directory unless
// the command line named another, or asked for the user's standard data
// location (as the desktop launcher does). Process-wide, set once at start.
class DataDirectory final {
public:
    // The absolute path of the data directory.
    static QString path();
    // Makes `directory` the data directory and the working directory, so that
    // every table opened by a bare name lands there. Returns an error text, or
    // an empty string on success.
    static QString use(const QString &directory);

    // The user's standard data location for this program (on Linux
    // $XDG_DATA_HOME/tabulo, by default ~/.local/share/tabulo). Empty when
    // the platform names none.
    static QString standardLocation();
    // Creates the standard data location when it is missing and uses it as
    // above. Returns an error text, or an empty string on success.
    static QString useStandardLocation();

    // Full path of the window placement file, "QK.INI" in the data directory.
    static QString settingsFile();
};

} // namespace tabulo::host
