#pragma once

#include "store/StoreError.h"

#include <QString>

namespace tabulo::companies {

// What the company windows keep in step around one company: its links to
// company categories with their copies of the company's name, and the
// records that point at it. The tables (QKcmp, QKjcg, QKfon, QKmem, QKnam)
// must be in use by the caller. Every routine leaves the record buffers of
// the tables it reads as they were, so a window's highlighted records stay
// put.

// The company whose link to "All" carries this name, 0 when none does (or
// the name is blank). Unlike the routines below it uses QKjcg itself, for
// the look-up alone, and finds nothing in a table never made rather than
// make it: a window that only looks companies up by name does not create
// the table that the company windows keep.
qint64 companyNamed(const QString &name);

// Whether the company has a link to the category (0 = "All").
bool hasGroupLink(qint64 company, qint64 group);

// Adds a link of the company to the category with the name copy, numbered
// after the highest link; a number another station took meanwhile is tried
// again, three attempts in all. The failure of the last attempt is returned.
store::StoreError addGroupLink(qint64 company, qint64 group, const QString &name);

// Rewrites the name copy in every link of the company, all of them or none.
store::StoreError rewriteGroupLinkNames(qint64 company, const QString &name);

// Deletes every link of the company, stopping at the first failure.
store::StoreError deleteGroupLinks(qint64 company);

// Clears what was made for a new company that was abandoned before it was
// saved: its phones, notes and links go; its people stay but no longer name
// it, since its number is free for the next company. `stage` says which
// table a failure came from.
store::StoreError releaseAbandonedCompany(qint64 company, QString *stage = nullptr);

} // namespace tabulo::companies
