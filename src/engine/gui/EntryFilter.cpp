#include "engine/gui/EntryFilter.h"

#include "base/Text.h"

#include <QLineEdit>
#include <QValidator>

namespace tabulo::engine::gui {

namespace {

class ControlFilter final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override {
        const QString clean = base::withoutControls(input);
        if (clean.size() != input.size()) {
            pos -= static_cast<int>(input.left(pos).size() - base::withoutControls(input.left(pos)).size());
            input = clean;
        }
        return Acceptable;
    }
};

} // namespace

void filterControls(QLineEdit *entry) {
    entry->setValidator(new ControlFilter(entry));
}

} // namespace tabulo::engine::gui
