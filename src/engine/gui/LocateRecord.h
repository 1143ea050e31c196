#pragma once

#include <QString>

#include <functional>

namespace tabulo::store {
class Table;
}

namespace tabulo::engine::gui {

class BrowseWindow;

// Where a record sits in a list, for windows that open a list on one
// record (the find window).
struct LinkOf
{
    const char *key;           // the link table's key: owner, then category
    const char *ownerField;    // "JNC:NAM_CTRL"
    const char *categoryField; // "JNC:CAT_CTRL"
};

// Places a list over a category's links on the link of `owner` in the
// category every record belongs to (number 0): `showAll` switches the list
// to that category; the list is rebuilt and positioned on exactly that link,
// as names may repeat. False when the owner has no such link.
bool locateOnLink(BrowseWindow &list, store::Table &links, const LinkOf &link, qint64 owner,
                  const std::function<void()> &showAll);

// Places a list of an owner's records (notes) on the record numbered
// `ctrl`, when it belongs to `owner` through `ownerField`; the list is
// rebuilt first. False when it is not the owner's.
bool locateOwnedRecord(BrowseWindow &list, store::Table &records, qint64 ctrl, const QString &ownerField,
                       qint64 owner);

} // namespace tabulo::engine::gui
