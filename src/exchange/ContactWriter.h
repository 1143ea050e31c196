#pragma once

#include "exchange/ContactImport.h"
#include "store/StoreError.h"

#include <memory>

namespace tabulo::exchange {

// Writes cards into the tables, each batch one unit of work over all of
// them: a kill, a full disk or a lock leaves a batch whole or absent. The
// caller turns cards into records while a thread of the writer's own
// writes the records queued before. The cards stay alive while the writer
// works (it keeps pointers to the people it added, for the duplicate check).
class ContactWriter final {
public:
    explicit ContactWriter(ImportSummary &summary);
    // A batch left open (the caller stopped on a failure) is undone.
    ~ContactWriter();
    ContactWriter(const ContactWriter &) = delete;
    ContactWriter &operator=(const ContactWriter &) = delete;

    store::StoreError open();
    // How many cards the import stores in all, before the first batch: a
    // large import's search indexes are brought up to date after its
    // batches (catchUpSearch), a small one's inside each batch.
    void setCardCount(int cards);
    store::StoreError beginBatch();
    store::StoreError commitBatch();
    void rollbackBatch();
    // Stores one card; `added` tells whether it was stored or skipped as a
    // duplicate, `cut` how many of its fields were cut to fit.
    store::StoreError write(const Contact &c, bool addDuplicates, bool &added, int &cut);
    int companiesAdded() const;
    // The search indexes of what the committed batches stored, each table's
    // on a thread of its own.
    store::StoreError catchUpSearch();

private:
    class Impl;
    std::unique_ptr<Impl> m;
};

} // namespace tabulo::exchange
