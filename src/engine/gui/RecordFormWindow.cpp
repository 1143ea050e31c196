#include "engine/gui/RecordFormWindow.h"

#include "engine/FieldText.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

namespace tabulo::engine::gui {

namespace {
int pictureWidth(const QString &picture) {
    static const QRegularExpression digits(QStringLiteral("(\\d+)"));
    const auto m = digits.match(picture);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}
} // namespace

RecordFormWindow *RecordFormWindow::run(QWidget *caller, FormWindowSetup setup, std::function<void()> done) {
    auto *window = new RecordFormWindow(caller, std::move(setup), std::move(done));
    if (window->m_engine->open() == UpdateForm::Start::Ended) {
        window->end();
        window->deleteLater();
        return nullptr;
    }
    window->setWindowTitle(window->m_engine->windowTitle());
    if (window->m_action)
        window->m_action->setText(window->m_engine->actionMessage());
    if (window->m_setup.beforeShow) {
        window->m_setup.beforeShow(window);
        window->m_setup.beforeShow = nullptr;
    }
    const QString iniFile = QDir(store::Store::instance().directory()).filePath(QStringLiteral("QK.INI"));
    if (window->m_setup.form.variant == FormVariant::B) {
        window->fixControls();
        engine::gui::WindowPlacement::attachResizable(window, window->m_setup.form.formKey, iniFile);
    } else {
        engine::gui::WindowPlacement::attach(window, window->m_setup.form.formKey, iniFile);
        // The form window keeps the size it was designed with.
        window->setFixedSize(window->size());
    }
    window->redisplay();
    WindowHost::present(window, caller);
    window->focusFirstField();
    return window;
}

RecordFormWindow::RecordFormWindow(QWidget *caller, FormWindowSetup setup, std::function<void()> done)
    : QWidget(caller, Qt::Window | Qt::Dialog)
    , m_setup(std::move(setup))
    , m_use(m_setup.uses.isEmpty() ? QStringList{m_setup.tableName} : m_setup.uses)
    , m_done(std::move(done)) {
    setObjectName(m_setup.objectName);
    setAttribute(Qt::WA_DeleteOnClose);
    store::Table &table = store::Store::instance().table(m_setup.tableName);
    m_engine = std::make_unique<UpdateForm>(table, m_setup.form, *this);

    auto *outer = new QVBoxLayout(this);
    auto *sheet = new QTabWidget(this);
    sheet->setObjectName(QStringLiteral("sheet"));
    auto *general = new QWidget(sheet);
    auto *fields = new QFormLayout(general);
    for (const FormField &f : m_setup.fields) {
        auto *edit = new QLineEdit(general);
        edit->setObjectName(f.objectName);
        if (const int width = pictureWidth(f.picture); width > 0)
            edit->setMaxLength(width);
        edit->installEventFilter(this);
        fields->addRow(f.prompt, edit);
        const int index = static_cast<int>(m_entries.size());
        connect(edit, &QLineEdit::editingFinished, this, [this, index] {
            if (!m_accepting)
                acceptField(index);
        });
        m_entries.push_back(edit);
        m_fieldIndexes.push_back(table.def().fieldIndex(f.field));
    }
    sheet->addTab(general, QStringLiteral("General"));
    outer->addWidget(sheet);
    if (m_setup.form.variant == FormVariant::A) {
        m_action = new QLabel(this);
        m_action->setObjectName(QStringLiteral("actionMessage"));
        outer->addWidget(m_action);
    }
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton(m_setup.okLabel, this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(m_setup.cancelLabel, this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    if (m_setup.form.variant == FormVariant::B) {
        auto *help = new QPushButton(QStringLiteral("Help"), this);
        help->setObjectName(QStringLiteral("helpButton"));
        help->hide();
        buttons->addWidget(help);
    }
    outer->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, [this] { m_engine->ok(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_engine->cancel(); });
}

void RecordFormWindow::fixControls() {
    // The layouts only design a variant B form: once they have placed every
    // control, each control keeps that place and the layouts go, so that the
    // control resizer moves and stretches the controls by its own rules when
    // the user resizes the form.
    // Rendering once lays everything out, tab pages included, without
    // making a window of it: the form may yet become a sub-window.
    ensurePolished();
    layout()->activate();
    resize(sizeHint());
    grab();
    for (QLayout *l : findChildren<QLayout *>())
        l->activate();
    grab();
    const QSize designed = size();
    std::vector<std::pair<QPointer<QWidget>, QRect>> places;
    for (QWidget *w : findChildren<QWidget *>())
        places.emplace_back(w, w->geometry());
    for (QObject *child : children()) {
        if (auto *page = qobject_cast<QTabWidget *>(child)) {
            for (int i = 0; i < page->count(); ++i)
                delete page->widget(i)->layout();
        }
    }
    delete layout();
    for (const auto &[w, place] : places) {
        if (w)
            w->setGeometry(place);
    }
    resize(designed);
}

bool RecordFormWindow::acceptField(int index) {
    QLineEdit *edit = m_entries.at(static_cast<size_t>(index));
    const FormField &f = m_setup.fields.at(static_cast<size_t>(index));
    const int field = m_fieldIndexes.at(static_cast<size_t>(index));
    const EntryValue v = readEntry(f.picture, edit->text());
    QString problem = v.ok ? QString() : v.error;
    if (problem.isEmpty() && f.check)
        problem = f.check(v.value);
    if (!problem.isEmpty()) {
        QApplication::beep();
        // Show what is stored, say why the input was refused, stay here.
        if (field >= 0)
            edit->setText(showValue(f.picture, m_engine->table().record().value(field)));
        edit->setToolTip(problem);
        edit->setFocus();
        return false;
    }
    edit->setToolTip({});
    if (field >= 0)
        m_engine->table().record().setValue(field, v.value);
    return true;
}

bool RecordFormWindow::acceptAll() {
    m_accepting = true;
    bool ok = true;
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        if (!acceptField(i)) {
            ok = false;
            break;
        }
    }
    m_accepting = false;
    return ok;
}

void RecordFormWindow::redisplay() {
    const store::Record &rec = m_engine->table().record();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (m_fieldIndexes[i] >= 0)
            m_entries[i]->setText(showValue(m_setup.fields[i].picture, rec.value(m_fieldIndexes[i])));
    }
}

void RecordFormWindow::focusFirstField() {
    if (!m_entries.empty()) {
        m_entries.front()->setFocus();
        m_entries.front()->selectAll();
    }
}

QObject *RecordFormWindow::messageOwner() const {
    // A delete runs before the form is ever shown: its boxes belong to the caller.
    if (!isVisible() && parentWidget())
        return parentWidget();
    return const_cast<RecordFormWindow *>(this);
}

void RecordFormWindow::closeForm() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void RecordFormWindow::setWaitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void RecordFormWindow::keyPressEvent(QKeyEvent *event) {
    if (pressDefaultButton(this, event))
        return;
    QWidget::keyPressEvent(event);
}

bool pressDefaultButton(QWidget *form, QKeyEvent *event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    if (event->modifiers() & ~(Qt::KeypadModifier))
        return false;
    // Enter on a button presses that button; anywhere else, the default one.
    QPushButton *target = qobject_cast<QPushButton *>(form->focusWidget());
    if (!target) {
        for (QPushButton *b : form->findChildren<QPushButton *>()) {
            if (b->isDefault() && b->isVisible() && b->isEnabled()) {
                target = b;
                break;
            }
        }
    }
    if (!target || !target->isEnabled())
        return false;
    event->accept();
    target->click();
    return true;
}

bool RecordFormWindow::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Enter in an entry is OK, whose pass checks every field once; the
        // entry itself does not check on the way.
        if (pressDefaultButton(this, key))
            return true;
        if (key->key() == Qt::Key_Apostrophe && (key->modifiers() & Qt::ControlModifier)) {
            for (size_t i = 0; i < m_entries.size(); ++i) {
                if (m_entries[i] == watched) {
                    m_engine->recall(m_fieldIndexes[i]);
                    return true;
                }
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RecordFormWindow::closeEvent(QCloseEvent *event) {
    if (!m_ended) {
        // What the user typed last counts for the close check.
        if (m_engine->response() != Response::RequestCompleted) {
            m_accepting = true;
            for (size_t i = 0; i < m_entries.size(); ++i) {
                const int field = m_fieldIndexes[i];
                const EntryValue v = readEntry(m_setup.fields[i].picture, m_entries[i]->text());
                if (field >= 0 && v.ok)
                    m_engine->table().record().setValue(field, v.value);
            }
            m_accepting = false;
        }
        if (!m_engine->mayClose()) {
            event->ignore();
            return;
        }
    }
    event->accept();
    QWidget::closeEvent(event);
    end();
}

void RecordFormWindow::end() {
    if (m_ended)
        return;
    m_ended = true;
    m_engine->finish();
    WindowHost::release(this);
    if (m_done)
        m_done();
}

} // namespace tabulo::engine::gui
