#include "reports/ReportPage.h"

namespace tabulo::reports {

quint8 ReportDocument::fontIndex(const ReportFont &font) {
    for (size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i] == font)
            return static_cast<quint8>(i);
    fonts.push_back(font);
    return static_cast<quint8>(fonts.size() - 1);
}

} // namespace tabulo::reports
