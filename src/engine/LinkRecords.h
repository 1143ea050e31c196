#pragma once

#include "store/Record.h"
#include "store/StoreError.h"

#include <QString>

#include <functional>

namespace tabulo::engine {

// The links of people and companies to their categories (QKjnc, QKjcg):
// one link per category a record belongs to, each carrying copies of the
// record's name so that a category lists in name order. The routines below
// keep either kind; the caller has the table in use, and each routine leaves
// its record buffer as it was, so a window's highlighted link stays put.
struct LinkTable {
    const char *table;         // "QKjnc"
    const char *ownerKey;      // the key by owner and category ("NAM_CTRL_KEY")
    const char *ownerField;    // "NAM_CTRL"
    const char *categoryField; // "CAT_CTRL"
};

// Whether `owner` has a link to `category` (0 = "All").
bool hasLink(const LinkTable &links, qint64 owner, qint64 category);

// Adds a link of `owner` to `category`, numbered after the highest link,
// with the name copies `names` puts in; a number another station took
// meanwhile is tried again, three attempts in all. The failure of the last
// attempt is returned.
store::StoreError addLink(const LinkTable &links, qint64 owner, qint64 category,
                          const std::function<void(store::Record &link)> &names);

// Rewrites the name copies in every link of `owner`, all of them or none.
store::StoreError rewriteLinkCopies(const LinkTable &links, qint64 owner,
                                    const std::function<void(store::Record &link)> &names);

// Deletes every link of `owner`, all of them or none.
store::StoreError deleteLinks(const LinkTable &links, qint64 owner);

} // namespace tabulo::engine
