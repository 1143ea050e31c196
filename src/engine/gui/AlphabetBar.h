#pragma once

#include <QWidget>

class QButtonGroup;

namespace tabulo::engine::gui {

// The 26 letter buttons beside a list ordered by name: choosing one jumps the
// list to the first entry at or after the letter, and the letter of the
// highlighted entry shows pressed.
class AlphabetBar final : public QWidget {
    Q_OBJECT
public:
    explicit AlphabetBar(QWidget *parent = nullptr);

    // Presses the letter `text` begins with; none when it begins otherwise.
    void showLetterOf(const QString &text);
    // The pressed letter, or a null character.
    QChar letter() const;

signals:
    void letterChosen(QChar letter);

private:
    QButtonGroup *m_letters;
};

} // namespace tabulo::engine::gui
