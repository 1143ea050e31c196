#include "engine/gui/AlphabetBar.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace tabulo::engine::gui {

AlphabetBar::AlphabetBar(QWidget *parent)
    : QWidget(parent)
    , m_letters(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("alphabetBar"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(1);
    m_letters->setExclusive(true);
    for (char c = 'A'; c <= 'Z'; ++c) {
        auto *b = new QToolButton(this);
        b->setObjectName(QStringLiteral("letter") + QLatin1Char(c));
        b->setText(QString(QLatin1Char(c)));
        b->setCheckable(true);
        b->setAutoRaise(true);
        m_letters->addButton(b, c);
        row->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, c] { emit letterChosen(QLatin1Char(c)); });
    }
    row->addStretch();
}

void AlphabetBar::showLetterOf(const QString &text) {
    const QString trimmed = text.trimmed();
    const QChar first = trimmed.isEmpty() ? QChar() : trimmed.at(0).toUpper();
    if (QAbstractButton *letter = m_letters->button(first.unicode())) {
        letter->setChecked(true);
        return;
    }
    // An exclusive group keeps one button pressed: let go for a moment.
    if (QAbstractButton *checked = m_letters->checkedButton()) {
        m_letters->setExclusive(false);
        checked->setChecked(false);
        m_letters->setExclusive(true);
    }
}

QChar AlphabetBar::letter() const {
    const int id = m_letters->checkedId();
    return id > 0 ? QChar(id) : QChar();
}

} // namespace tabulo::engine::gui
