#pragma once

#include <QString>

namespace tabulo::host {

// The main frame's hold on the setup table: it is used for the frame's whole
// life, its one record is created when missing, and the owner's name goes
// into the title.
class SetupSource {
public:
    virtual ~SetupSource() = default;

    struct Outcome {
        bool ok = false;
        QString madeFor;       // SET:MADEFOR as stored
        QString error;         // why the blank record could not be added
        bool reported = false; // the user has already been told, with a standard message
    };

    // Uses the table, reads the first record and adds the blank record when
    // there is none. Called once at start.
    virtual Outcome prepare() = 0;
    // Releases the table at shut-down.
    virtual void release() = 0;
};

} // namespace tabulo::host
