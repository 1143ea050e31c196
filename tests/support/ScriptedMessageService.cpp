#include "support/ScriptedMessageService.h"

#include <gtest/gtest.h>

namespace tabulo::test {

ScriptedMessageService::~ScriptedMessageService() {
    expectAllAnswered();
}

void ScriptedMessageService::answer(int button) {
    std::lock_guard lock(m_mutex);
    m_script.push_back({std::nullopt, button});
}

void ScriptedMessageService::answer(int number, int button) {
    std::lock_guard lock(m_mutex);
    m_script.push_back({number, button});
}

int ScriptedMessageService::show(const store::MessageBox &box) {
    std::lock_guard lock(m_mutex);
    m_shown.push_back(box);
    if (m_script.empty()) {
        ADD_FAILURE() << "Unexpected message " << box.number << " \"" << box.title.toStdString()
                      << "\": " << box.text.toStdString();
        return box.defaultButton;
    }
    const Scripted next = m_script.front();
    m_script.pop_front();
    if (next.number && *next.number != box.number) {
        ADD_FAILURE() << "Expected message " << *next.number << " but message " << box.number << " \""
                      << box.title.toStdString() << "\" appeared: " << box.text.toStdString();
        return box.defaultButton;
    }
    if (!(box.buttons & next.button)) {
        ADD_FAILURE() << "Scripted answer " << next.button << " is not a button of message " << box.number
                      << " (buttons " << box.buttons << "): " << box.text.toStdString();
        return box.defaultButton;
    }
    return next.button;
}

void ScriptedMessageService::halt(const QString &haltText) {
    {
        std::lock_guard lock(m_mutex);
        m_haltTexts.push_back(haltText);
    }
    throw Halted(haltText);
}

std::vector<store::MessageBox> ScriptedMessageService::shown() const {
    std::lock_guard lock(m_mutex);
    return m_shown;
}

std::vector<int> ScriptedMessageService::shownNumbers() const {
    std::lock_guard lock(m_mutex);
    std::vector<int> numbers;
    for (const store::MessageBox &box : m_shown)
        numbers.push_back(box.number);
    return numbers;
}

store::MessageBox ScriptedMessageService::last() const {
    std::lock_guard lock(m_mutex);
    if (m_shown.empty()) {
        ADD_FAILURE() << "No message box was shown";
        return {};
    }
    return m_shown.back();
}

std::vector<QString> ScriptedMessageService::haltTexts() const {
    std::lock_guard lock(m_mutex);
    return m_haltTexts;
}

std::size_t ScriptedMessageService::pendingAnswers() const {
    std::lock_guard lock(m_mutex);
    return m_script.size();
}

void ScriptedMessageService::expectAllAnswered() {
    std::lock_guard lock(m_mutex);
    for (const Scripted &left : m_script) {
        ADD_FAILURE() << "Scripted answer " << left.button << " for message "
                      << (left.number ? std::to_string(*left.number) : std::string("(any)"))
                      << " was never asked for";
    }
    m_script.clear();
}

void ScriptedMessageService::clear() {
    std::lock_guard lock(m_mutex);
    m_script.clear();
    m_shown.clear();
    m_haltTexts.clear();
}

ScopedMessageService::ScopedMessageService(store::MessageService &service)
    : m_previous(store::MessageService::setCurrent(&service)) {}

ScopedMessageService::~ScopedMessageService() {
    store::MessageService::setCurrent(m_previous);
}

} // namespace tabulo::test
