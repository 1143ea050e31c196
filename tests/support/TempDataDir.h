#pragma once

#include <QString>
#include <QTemporaryDir>

namespace tabulo::test {

// A fresh, empty data directory removed when the test ends.
class TempDataDir final
{
public:
    TempDataDir() { m_dir.setAutoRemove(true); }
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

} // namespace tabulo::test
