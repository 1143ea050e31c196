#pragma once

#include <QString>
#include <vector>

namespace tabulo::shell {

// A library the program is built on, as the About box names it.
struct UsedComponent {
    QString name;
    QString version; // the one running, when known
    QString license;
};

// The libraries the program uses, with the versions it runs with.
std::vector<UsedComponent> usedComponents();

// The About box's text (rich text): the program and its version, where its
// data lives, and the licences of what it uses. Every inserted value is
// escaped.
QString aboutText(const QString &version, const QString &dataDirectory,
                  const std::vector<UsedComponent> &components);

} // namespace tabulo::shell
