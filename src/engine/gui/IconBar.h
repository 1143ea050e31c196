#pragma once

#include <QString>

#include <functional>
#include <map>
#include <span>

class QBoxLayout;
class QWidget;

namespace tabulo::engine::gui {

// One button of a list window's icon bar, declared as data: its object name
// (which also picks its picture and text, see ToolIcons), its tooltip and
// status text, and what it does.
struct IconAction {
    const char *name;   // "addIcon"
    const char *tip;    // "Add Record"
    const char *status; // "" for none
    std::function<void()> run;
};

// Lays out `icons` in their order as auto-raised tool buttons into `into`.
// `before`, when given, runs before each action and stops it by returning
// false (the names list re-reads its highlighted records first). Every
// button is also kept in `buttons` under its object name.
void addIconBar(QWidget *owner, QBoxLayout *into, std::span<const IconAction> icons,
                std::map<QString, QWidget *> &buttons, const std::function<bool()> &before = {});

} // namespace tabulo::engine::gui
