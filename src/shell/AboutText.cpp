#include "shell/AboutText.h"

#include <QtGlobal>
#include <sqlite3.h>

namespace tabulo::shell {

std::vector<UsedComponent> usedComponents() {
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion()),
         QStringLiteral("GNU Lesser General Public License, version 3")},
        {QStringLiteral("SQLite"), QString::fromLatin1(sqlite3_libversion()),
         QStringLiteral("public domain")},
        {QStringLiteral("GNU C++ library (libstdc++)"),
         {},
         QStringLiteral("GNU General Public License, version 3, with the GCC Runtime Library Exception")},
    };
}

QString aboutText(const QString &version, const QString &dataDirectory,
                  const std::vector<UsedComponent> &components) {
    QString text = QStringLiteral("<h3>Tabulo List Manager</h3><p>Version %1</p>"
                                  "<p>Data directory:<br><b>%2</b></p>"
                                  "<p>Tabulo List Manager uses:</p><ul>")
                       .arg(version.toHtmlEscaped(), dataDirectory.toHtmlEscaped());
    for (const UsedComponent &c : components) {
        const QString name = c.version.isEmpty() ? c.name : c.name + QLatin1Char(' ') + c.version;
        text += QStringLiteral("<li>%1: %2</li>").arg(name.toHtmlEscaped(), c.license.toHtmlEscaped());
    }
    text += QStringLiteral("</ul>");
    return text;
}

} // namespace tabulo::shell
