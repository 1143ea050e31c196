#include "engine/gui/ProgressWindow.h"

#include "engine/Picture.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace tabulo::engine::gui {

QString ProgressWindow::completedText(int percent) {
    static const Picture threePlaces = Picture::fromText(QStringLiteral("N3")).value();
    return threePlaces.format(static_cast<qint64>(percent)) + QStringLiteral("% Completed");
}

ProgressWindow::ProgressWindow(const QString &title, const QString &objectName, QWidget *parent)
    : QWidget(parent) {
    setObjectName(objectName);
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_text = new QLabel(this);
    m_text->setObjectName(QStringLiteral("progressText"));
    m_text->setAlignment(Qt::AlignCenter);
    m_text->clear();
    m_percent = new QLabel(this);
    m_percent->setObjectName(QStringLiteral("percentText"));
    m_percent->setAlignment(Qt::AlignCenter);
    m_percent->setText(completedText(0));
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    layout->addWidget(m_bar);
    layout->addWidget(m_text);
    layout->addWidget(m_percent);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::cancelled);
    resize(320, sizeHint().height());
}

void ProgressWindow::setPercent(int percent) {
    m_bar->setValue(percent);
    m_percent->setText(completedText(percent));
}

QString ProgressWindow::percentText() const {
    return m_percent ? m_percent->text() : QString();
}

void ProgressWindow::setLine(const QString &text) {
    m_text->setText(text);
}

QString ProgressWindow::lineText() const {
    return m_text->text();
}

void ProgressWindow::closeEvent(QCloseEvent *event) {
    emit closed();
    QWidget::closeEvent(event);
}

} // namespace tabulo::engine::gui
