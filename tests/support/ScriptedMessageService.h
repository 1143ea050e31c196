#pragma once

#include "store/MessageService.h"

#include <QString>
#include <deque>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

namespace tabulo::test {

// Thrown by ScriptedMessageService::halt where the program would have ended,
// so a test can assert that it stops there.
class Halted final : public std::runtime_error {
public:
    explicit Halted(const QString &haltText)
        : std::runtime_error(haltText.toStdString())
        , m_text(haltText) {}
    const QString &text() const { return m_text; }

private:
    QString m_text;
};

// Answers message boxes from a script and records every box shown. A box that
// nobody scripted (or whose number differs from the scripted one) fails the
// running test, and is answered with its default button.
class ScriptedMessageService final : public store::MessageService {
public:
    ~ScriptedMessageService() override;

    // Queues the answer to the next box, whatever its number.
    void answer(int button);
    // Queues the answer to the next box, which must be message `number`.
    void answer(int number, int button);

    int show(const store::MessageBox &box) override;
    [[noreturn]] void halt(const QString &haltText) override;

    // Every box shown so far, oldest first.
    std::vector<store::MessageBox> shown() const;
    // The numbers of the boxes shown so far, oldest first.
    std::vector<int> shownNumbers() const;
    // The most recent box; fails the test and returns an empty box if none.
    store::MessageBox last() const;
    // The halt texts received so far.
    std::vector<QString> haltTexts() const;
    // Scripted answers not yet used.
    std::size_t pendingAnswers() const;
    // Fails the test when scripted answers are left over, and drops them.
    void expectAllAnswered();
    // Forgets the script and the record.
    void clear();

private:
    struct Scripted {
        std::optional<int> number;
        int button;
    };

    mutable std::mutex m_mutex;
    std::deque<Scripted> m_script;
    std::vector<store::MessageBox> m_shown;
    std::vector<QString> m_haltTexts;
};

// Installs a message service for the current scope and restores the previous
// one when the scope ends.
class ScopedMessageService final {
public:
    explicit ScopedMessageService(store::MessageService &service);
    ~ScopedMessageService();
    ScopedMessageService(const ScopedMessageService &) = delete;
    ScopedMessageService &operator=(const ScopedMessageService &) = delete;

private:
    store::MessageService *m_previous;
};

} // namespace tabulo::test
