#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tabulo::engine::gui {

// The window of a long pass the user may stop: a bar, a line saying what is
// at work, the percent text ("  4% Completed") and Cancel. The report run's
// "Generating Report" is one; the search index build another.
class ProgressWindow final : public QWidget {
    Q_OBJECT
public:
    ProgressWindow(const QString &title, const QString &objectName, QWidget *parent = nullptr);
    // The percent text: the percent right-aligned in three places, then
    // "% Completed".
    static QString completedText(int percent);

    void setPercent(int percent);
    QString percentText() const;
    // What is at work ("QKNAM"); empty hides nothing, the line stays.
    void setLine(const QString &text);
    QString lineText() const;
    QPushButton *cancelButton() const { return m_cancel; }

signals:
    void cancelled();
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QProgressBar *m_bar;
    QLabel *m_text;
    QLabel *m_percent;
    QPushButton *m_cancel;
};

} // namespace tabulo::engine::gui
