#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

namespace tabulo::test {

// A role a test binary can play as a separate process ("second station").
using ChildRole = std::function<int(int argc, char **argv)>;

// Registers a role under a name; call from a static initialiser in a test file.
bool registerChildRole(const std::string &name, ChildRole role);

// Dispatches "--child <role> args..." to the registered role.
int runChild(int argc, char **argv);

// Path of the running test binary, to start it again as a child.
QString selfPath();

} // namespace tabulo::test
