#include "engine/gui/RecordFormWindow.h"

#include "base/Text.h"
#include "engine/FieldText.h"
#include "engine/gui/EntryFilter.h"
#include "store/Messages.h"
#include "engine/Picture.h"
#include "engine/gui/WindowHost.h"
#include "engine/gui/WindowPlacement.h"
#include "store/Dictionary.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>

#include <map>

namespace tabulo::engine::gui {

namespace {
// How many characters an entry takes: text and numbers are held to their
// width; dates and patterns accept longer forms and are checked when read.
int pictureWidth(const QString &picture) {
    const Parsed<Picture> p = Picture::fromText(picture.trimmed());
    if (!p.ok())
        return 0;
    switch (p->kind()) {
    case Picture::Kind::Text:
    case Picture::Kind::Number:
        return p->width();
    default:
        return 0;
    }
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
    m_sheet = new QTabWidget(this);
    m_sheet->setObjectName(QStringLiteral("sheet"));
    std::map<QString, QFormLayout *> pages;
    auto pageFor = [this, &pages](const QString &tab) {
        auto it = pages.find(tab);
        if (it != pages.end())
            return it->second;
        auto *page = new QWidget(m_sheet);
        page->setObjectName(tab.toLower() + QStringLiteral("Page"));
        auto *rows = new QFormLayout(page);
        m_sheet->addTab(page, tab);
        return pages.emplace(tab, rows).first->second;
    };
    for (const FormField &f : m_setup.fields) {
        QFormLayout *rows = pageFor(f.tab.isEmpty() ? QStringLiteral("General") : f.tab);
        QWidget *page = rows->parentWidget();
        const int index = static_cast<int>(m_controls.size());
        Control control;
        if (f.kind == FieldKind::Memo) {
            // One memo per record: a second memo field would edit the same text.
            Q_ASSERT(!m_memo);
            m_memo = new QPlainTextEdit(page);
            m_memo->setObjectName(f.objectName);
            m_memo->setTabChangesFocus(true);
            m_memo->installEventFilter(this);
            connect(m_memo, &QPlainTextEdit::textChanged, this, [this] { memoEdited(); });
            control.widget = m_memo;
        } else {
            auto *edit = new QLineEdit(page);
            edit->setObjectName(f.objectName);
            if (const int width = pictureWidth(f.picture); width > 0)
                edit->setMaxLength(width);
            filterControls(edit);
            edit->installEventFilter(this);
            connect(edit, &QLineEdit::editingFinished, this, [this, index] {
                if (m_accepting || m_ended || !isVisible())
                    return;
                // Clicking one of the form's buttons leaves the check to the
                // button: OK checks every field, Cancel drops the edits.
                // Tabbing onto a button is leaving the field as usual.
                if (m_leftByClick && qobject_cast<QPushButton *>(QApplication::focusWidget()) &&
                    isAncestorOf(QApplication::focusWidget()))
                    return;
                acceptField(index);
            });
            control.widget = edit;
            control.entry = edit;
            control.field = table.def().fieldIndex(f.field);
        }
        if (f.prompt.isEmpty())
            rows->addRow(control.widget);
        else
            rows->addRow(f.prompt, control.widget);
        m_controls.push_back(control);
    }
    if (pages.empty())
        m_sheet->addTab(new QWidget(m_sheet), QStringLiteral("General"));
    outer->addWidget(m_sheet);
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
    // Rendering lays everything out without making a window of it (the form
    // may yet become a sub-window); only the current page of a tab widget is
    // rendered, so each page takes its turn in front.
    ensurePolished();
    layout()->activate();
    resize(sizeHint());
    grab();
    for (QTabWidget *tabs : findChildren<QTabWidget *>()) {
        const int current = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            grab();
        }
        tabs->setCurrentIndex(current);
    }
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
    const Control &c = m_controls.at(static_cast<size_t>(index));
    if (!c.entry)
        return acceptMemo(index);
    QLineEdit *edit = c.entry;
    const FormField &f = m_setup.fields.at(static_cast<size_t>(index));
    const int field = c.field;
    if (const QString clean = base::withoutControls(edit->text()); clean != edit->text())
        edit->setText(clean);
    const EntryValue v = readEntry(f.picture, edit->text());
    QString problem = outOfRange(index, edit->text(), v);
    if (!problem.isEmpty()) {
        store::standardMessage(messageOwner(), 10, f.field.toLower(), problem);
        problem = QStringLiteral("The value of %1 must be between %2.").arg(f.field.toLower(), problem);
    } else if (!v.ok) {
        problem = v.error;
    }
    if (problem.isEmpty() && f.check)
        problem = f.check(v.value);
    if (!problem.isEmpty()) {
        QApplication::beep();
        // Show what is stored, say why the input was refused, stay here.
        if (field >= 0)
            edit->setText(showValue(f.picture, m_engine->table().record().value(field)));
        edit->setToolTip(problem);
        focusControl(index);
        return false;
    }
    edit->setToolTip({});
    if (field >= 0)
        m_engine->table().record().setValue(field, v.value);
    if (f.leave) {
        const bool passed = f.leave(*this);
        redisplay();
        if (!passed) {
            focusControl(index);
            return false;
        }
    }
    return true;
}

QString RecordFormWindow::outOfRange(int index, const QString &typed, const EntryValue &v) const {
    // A number that the field cannot hold, or that the picture would read as
    // another number (a sign it does not show), is refused, never clamped.
    const Control &c = m_controls.at(static_cast<size_t>(index));
    const FormField &f = m_setup.fields.at(static_cast<size_t>(index));
    if (c.field < 0)
        return {};
    const store::FieldDef &def = m_engine->table().def().fields.at(static_cast<size_t>(c.field));
    if (def.isText() || def.type == store::FieldType::Date || def.type == store::FieldType::Time)
        return {};
    const Parsed<Picture> picture = Picture::fromText(f.picture.trimmed());
    if (picture.ok() && picture.value().kind() != Picture::Kind::Number)
        return {};
    qint64 low = def.minValue();
    qint64 high = def.maxValue();
    if (picture.ok() && !picture.value().signAllowed())
        low = std::max<qint64>(low, 0);
    if (f.range) {
        low = std::max(low, f.range->first);
        high = std::min(high, f.range->second);
    }
    QString bare = typed.trimmed();
    bare.remove(QLatin1Char(','));
    bare.remove(QLatin1Char(' '));
    bool isNumber = false;
    const qlonglong number = bare.toLongLong(&isNumber);
    bool outside = isNumber && (number < low || number > high);
    if (!outside && v.ok && !typed.trimmed().isEmpty()) {
        bool isInteger = false;
        const qlonglong value = v.value.toLongLong(&isInteger);
        outside = isInteger && (value < low || value > high || (isNumber && value != number));
    }
    if (!outside)
        return {};
    return QStringLiteral("%1 and %2").arg(low).arg(high);
}

bool RecordFormWindow::acceptMemo(int index) {
    const int limit = m_engine->table().def().memoSize;
    const QString text = m_memo->toPlainText();
    if (const QString clean = base::withoutControls(text, base::TextKind::Memo); clean != text) {
        m_memo->setPlainText(clean);
        return acceptMemo(index);
    }
    if (text.size() > limit) {
        // The box keeps what was typed so the user can shorten it.
        QApplication::beep();
        m_memo->setToolTip(QStringLiteral("The memo holds at most %1 characters; %2 are typed.")
                               .arg(limit)
                               .arg(text.size()));
        focusControl(index);
        return false;
    }
    m_memo->setToolTip({});
    memoEdited();
    return true;
}

void RecordFormWindow::memoEdited() {
    // The record follows the box as the user types, so the close check and
    // a save see the memo without the box having to be left first.
    const QString text = m_memo->toPlainText();
    if (text.size() > m_engine->table().def().memoSize)
        return;
    m_engine->table().record().setMemo(text);
    m_memoSynced = m_engine->table().record().memo();
}

bool RecordFormWindow::acceptAll() {
    m_accepting = true;
    bool ok = true;
    for (int i = 0; i < static_cast<int>(m_controls.size()); ++i) {
        if (!acceptField(i)) {
            ok = false;
            break;
        }
    }
    m_accepting = false;
    if (ok && m_setup.beforeSave)
        m_setup.beforeSave(*this);
    return ok;
}

void RecordFormWindow::redisplay() {
    const store::Record &rec = m_engine->table().record();
    for (size_t i = 0; i < m_controls.size(); ++i) {
        const Control &c = m_controls[i];
        if (!c.entry || c.field < 0)
            continue;
        // An unchanged text keeps its cursor where the user left it.
        const QString shown = showValue(m_setup.fields[i].picture, rec.value(c.field));
        if (c.entry->text() != shown)
            c.entry->setText(shown);
    }
    if (m_memo && rec.memo() != m_memoSynced) {
        m_memoSynced = rec.memo();
        const QSignalBlocker quiet(m_memo);
        m_memo->setPlainText(m_memoSynced);
    }
}

void RecordFormWindow::focusControl(int index) {
    QWidget *w = m_controls.at(static_cast<size_t>(index)).widget;
    for (int page = 0; page < m_sheet->count(); ++page) {
        if (m_sheet->widget(page)->isAncestorOf(w))
            m_sheet->setCurrentIndex(page);
    }
    w->setFocus();
}

void RecordFormWindow::focusFirstField() {
    if (m_controls.empty())
        return;
    focusControl(0);
    if (QLineEdit *edit = m_controls.front().entry)
        edit->selectAll();
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
    if (event->type() == QEvent::FocusOut)
        m_leftByClick = static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason;
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool ditto = key->key() == Qt::Key_Apostrophe && (key->modifiers() & Qt::ControlModifier);
        if (m_memo && watched == m_memo) {
            // The memo has no history, and Enter starts a new line in it.
            return ditto;
        }
        // Enter in an entry is OK, whose pass checks every field once; the
        // entry itself does not check on the way.
        if (pressDefaultButton(this, key))
            return true;
        if (ditto) {
            for (const Control &c : m_controls) {
                if (c.entry && c.entry == watched) {
                    m_engine->recall(c.field);
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
            for (size_t i = 0; i < m_controls.size(); ++i) {
                const Control &c = m_controls[i];
                if (!c.entry || c.field < 0)
                    continue;
                const QString typed = base::withoutControls(c.entry->text());
                const EntryValue v = readEntry(m_setup.fields[i].picture, typed);
                if (v.ok && outOfRange(static_cast<int>(i), typed, v).isEmpty())
                    m_engine->table().record().setValue(c.field, v.value);
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

FormWindowSetup numberedFormSetup(const char *objectName, const char *table, QStringList uses,
                                  FormVariant variant) {
    const store::TableDef &t = store::tableDef(table);
    FormWindowSetup setup;
    setup.objectName = QString::fromLatin1(objectName);
    setup.tableName = t.name;
    setup.uses = std::move(uses);
    setup.form.formKey = setup.objectName;
    setup.form.variant = variant;
    setup.form.longConflictMessage = variant == FormVariant::B;
    setup.form.duplicateKeys = {t.key(QStringLiteral("CTRL_KEY"))};
    setup.okLabel = QStringLiteral("OK");
    setup.cancelLabel = QStringLiteral("Cancel");
    return setup;
}

std::function<QString(const QVariant &)> inRangeOf(const store::TableDef &table, const char *field) {
    const store::FieldDef *f = table.field(QString::fromLatin1(field));
    const qint64 low = f->minValue();
    const qint64 high = f->maxValue();
    return [low, high](const QVariant &value) -> QString {
        const qint64 v = value.toLongLong();
        if (v >= low && v <= high)
            return {};
        return QStringLiteral("The value must be between %1 and %2.").arg(low).arg(high);
    };
}

} // namespace tabulo::engine::gui
