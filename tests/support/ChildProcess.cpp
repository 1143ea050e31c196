#include "support/ChildProcess.h"

#include <QFileInfo>
#include <cstdio>
#include <map>

namespace tabulo::test {

namespace {
std::map<std::string, ChildRole> &roles()
{
    static std::map<std::string, ChildRole> table;
    return table;
}
} // namespace

bool registerChildRole(const std::string &name, ChildRole role)
{
    roles()[name] = std::move(role);
    return true;
}

int runChild(int argc, char **argv)
{
    auto it = roles().find(argv[0]);
    if (it == roles().end()) {
        std::fprintf(stderr, "unknown child role %s\n", argv[0]);
        return 99;
    }
    return it->second(argc - 1, argv + 1);
}

QString selfPath()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

} // namespace tabulo::test
