#pragma once

#include "engine/Globals.h"
#include "store/Store.h"
#include "support/ScriptedMessageService.h"
#include "support/TempDataDir.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPointer>
#include <QWidget>
#include <gtest/gtest.h>

namespace tabulo::test {

// A fresh data directory as the store's, scripted message boxes, and every
// top-level window opened during the test closed at its end.
class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        store::Store::instance().setDirectory(m_dir.path());
        engine::resetGlobals();
        m_before = QApplication::topLevelWidgets();
    }

    void TearDown() override {
        settle();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!m_before.contains(w) && w->isVisible())
                w->close();
        }
        // Forms that still ask on close get answered "No".
        settle();
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (!m_before.contains(w))
                delete w;
        }
        settle();
        m_messages.expectAllAnswered();
        store::Store::instance().closeAll();
    }

    static void settle() {
        for (int i = 0; i < 5; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    // A visible top-level window by object name, the newest first.
    template <typename T = QWidget> static T *window(const QString &name) {
        const auto all = QApplication::topLevelWidgets();
        for (auto it = all.rbegin(); it != all.rend(); ++it) {
            if ((*it)->objectName() == name && (*it)->isVisible())
                return qobject_cast<T *>(*it);
        }
        return nullptr;
    }

    TempDataDir m_dir;
    ScriptedMessageService m_messages;
    ScopedMessageService m_scope{m_messages};
    QList<QWidget *> m_before;
};

} // namespace tabulo::test
