// What a browse list does on request: the default and double-click actions,
// the record forms it calls and what it does with their response, and its
// context menu.
#include "engine/BrowseList.h"

#include <utility>

namespace tabulo::engine {

ListAction BrowseList::defaultAction() const {
    switch (m_openingRequest) {
    case Request::SelectRecord:
        return ListAction::Select;
    case Request::InsertRecord:
        return ListAction::Insert;
    case Request::ChangeRecord:
        return ListAction::Change;
    default:
        return ListAction::None;
    }
}

ListAction BrowseList::doubleClickAction() const {
    return m_openingRequest == Request::SelectRecord ? ListAction::Select : ListAction::Change;
}

void BrowseList::callForm(Request request, std::function<void(Response)> then) {
    m_view->discardBatch();
    setGlobalRequest(request);
    setGlobalResponse(Response::None);
    m_formRunning = true;
    m_host->runForm([this, then = std::move(then)]() {
        m_formRunning = false;
        Response answer = globalResponse();
        if (answer == Response::None)
            answer = Response::RequestCancelled;
        m_response = answer;
        then(answer);
        finishRebuild();
        m_request = m_openingRequest;
        m_response = Response::RequestCancelled;
        refresh(m_active - 1);
    });
}

void BrowseList::callFormAndFollow(Request request) {
    callForm(request, [this](Response r) {
        if (r == Response::RequestCompleted)
            locate(LocateMode::ExactPosition);
        else
            reset(ResetMode::FromFirstRow);
    });
}

void BrowseList::perform(ListAction action) {
    if (m_formRunning)
        return;
    switch (action) {
    case ListAction::Insert:
        insert();
        break;
    case ListAction::Change:
        change();
        break;
    case ListAction::Delete:
        remove();
        break;
    case ListAction::Select:
        select();
        break;
    case ListAction::Close:
        close();
        break;
    case ListAction::Command:
        if (auto command = std::exchange(m_chosenCommand, nullptr))
            command();
        break;
    case ListAction::None:
        break;
    }
}

void BrowseList::insert() {
    fetchHighlighted();
    m_table->record().clear();
    if (m_active != 0 && order().key) {
        for (size_t i = 0; i < m_builtRanges.size() && i < order().key->components.size(); ++i)
            m_table->record().setValue(order().key->components[i].field, m_builtRanges[i]);
    }
    callFormAndFollow(Request::InsertRecord);
}

void BrowseList::insertCopy(const std::function<void(store::Record &)> &prepare) {
    if (m_page.empty() || !fetchHighlighted()) {
        reset(ResetMode::FromFirstRow);
        return;
    }
    prepare(m_table->record());
    callFormAndFollow(Request::InsertRecord);
}

void BrowseList::change() {
    if (m_page.empty())
        return;
    if (!fetchHighlighted()) {
        // Another station deleted it meanwhile: show what is there now.
        reset(ResetMode::FromFirstRow);
        return;
    }
    callFormAndFollow(Request::ChangeRecord);
}

void BrowseList::remove() {
    if (m_page.empty())
        return;
    if (!fetchHighlighted()) {
        reset(ResetMode::FromFirstRow);
        return;
    }
    callForm(Request::DeleteRecord, [this](Response r) {
        if (r == Response::RequestCompleted && m_highlighted >= 1 && m_highlighted <= rowCount())
            m_page.erase(m_page.begin() + (m_highlighted - 1));
        reset(ResetMode::FromFirstRow);
    });
}

void BrowseList::select() {
    if (m_page.empty() || !selectEnabled())
        return;
    if (!fetchHighlighted())
        return;
    m_response = Response::RequestCompleted;
    if (m_onSelect)
        m_onSelect();
    m_host->closeList();
}

void BrowseList::close() {
    fetchHighlighted();
    m_response = Response::RequestCancelled;
    m_host->closeList();
}

void BrowseList::windowClosing() {
    fetchHighlighted();
    m_response = Response::RequestCancelled;
}

std::vector<MenuItem> BrowseList::menuItems() const {
    if (m_menu)
        return m_menu->items;
    std::vector<MenuItem> items{{QStringLiteral("&Insert"), ListAction::Insert}};
    if (!m_hasSelectButton) {
        items.push_back({m_updateLabel, ListAction::Change, {}, true});
        items.push_back({QStringLiteral("&Delete"), ListAction::Delete, {}, true});
        return items;
    }
    items.push_back({QStringLiteral("&Edit"), ListAction::Change, {}, true});
    items.push_back({QStringLiteral("&Delete"), ListAction::Delete, {}, true});
    items.push_back({QStringLiteral("-")});
    items.push_back({QStringLiteral("&Select"), ListAction::Select, {}, true, true});
    return items;
}

bool BrowseList::itemEnabled(const MenuItem &item) const {
    return !(item.needsRows && m_page.empty()) && !(item.needsSelectMode && !selectEnabled());
}

QString BrowseList::contextMenuText() const {
    if (m_menu && !m_menu->shownWhenEmpty && m_page.empty())
        return {};
    QStringList texts;
    for (const MenuItem &item : menuItems()) {
        if (item.text == QLatin1String("-"))
            texts << item.text;
        else
            texts << (itemEnabled(item) ? item.text : QLatin1Char('~') + item.text);
    }
    return texts.join(QLatin1Char('|'));
}

ListAction BrowseList::contextMenuAction(int item) const {
    if (m_menu && !m_menu->shownWhenEmpty && m_page.empty())
        return ListAction::None;
    int number = 0;
    for (const MenuItem &i : menuItems()) {
        if (i.text == QLatin1String("-") || ++number != item)
            continue;
        if (!itemEnabled(i))
            return ListAction::None;
        if (i.command) {
            m_chosenCommand = i.command;
            return ListAction::Command;
        }
        return i.action == ListAction::Command ? ListAction::None : i.action;
    }
    return ListAction::None;
}


} // namespace tabulo::engine
