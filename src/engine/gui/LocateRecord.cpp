#include "engine/gui/LocateRecord.h"

#include "engine/gui/BrowseWindow.h"
#include "store/Table.h"

namespace tabulo::engine::gui {

namespace {

bool readLink(store::Table &links, const LinkOf &link, qint64 owner)
{
    store::Record &record = links.record();
    record.clear();
    record.setInteger(record.indexOf(QString::fromLatin1(link.ownerField)), owner);
    record.setInteger(record.indexOf(QString::fromLatin1(link.categoryField)), 0);
    return links.fetch(*links.def().key(QString::fromLatin1(link.key))).ok();
}

} // namespace

bool locateOnLink(BrowseWindow &list, store::Table &links, const LinkOf &link, qint64 owner,
                  const std::function<void()> &showAll)
{
    if (owner <= 0 || !readLink(links, link, owner))
        return false;
    showAll();
    list.engine().refresh(0);
    // The rebuild read its own page through the buffer: the link again, and
    // the list positioned on exactly that record.
    if (!readLink(links, link, owner))
        return false;
    list.engine().locate(BrowseList::LocateMode::ExactPosition);
    return true;
}

bool locateOwnedRecord(BrowseWindow &list, store::Table &records, qint64 ctrl, const QString &ownerField,
                       qint64 owner)
{
    list.engine().refresh(0);
    store::Record &record = records.record();
    record.clear();
    record.setInteger(0, ctrl);
    if (!records.fetch(*records.def().primaryKey()).ok() || record.integer(record.indexOf(ownerField)) != owner)
        return false;
    list.engine().locate(BrowseList::LocateMode::ExactPosition);
    return true;
}

} // namespace tabulo::engine::gui
