#pragma once

#include "engine/BrowseList.h"

#include <QStringList>
#include <functional>

namespace tabulo::test {

// A list window without a window: a page of a fixed size, and a form that
// acts at once (reads GlobalRequest, sets GlobalResponse).
class ListTestHost final : public engine::BrowseHost {
public:
    int rows = 5;
    int closes = 0;
    std::function<void()> form;

    int visibleRows() const override { return rows; }
    void pageChanged() override {}
    void runForm(std::function<void()> done) override {
        if (form)
            form();
        done();
    }
    void closeList() override { ++closes; }
};

inline QStringList list(std::initializer_list<const char *> items) {
    QStringList out;
    for (const char *i : items)
        out << QString::fromUtf8(i);
    return out;
}

// The text of one column over the whole page.
inline QStringList columnTexts(const engine::BrowseList &list, int column) {
    QStringList out;
    for (int i = 1; i <= list.rowCount(); ++i)
        out << list.row(i).texts.at(column).trimmed();
    return out;
}

// A form that answers `response` and does `work` first.
inline std::function<void()> answeringForm(engine::Response response, std::function<void()> work = {}) {
    return [response, work = std::move(work)] {
        engine::setGlobalRequest(engine::Request::None);
        if (work)
            work();
        engine::setGlobalResponse(response);
    };
}

} // namespace tabulo::test
