#pragma once

#include "search/SearchIndexBuild.h"

class QObject;

namespace tabulo::host::gui {
struct FrameContext;
}

namespace tabulo::search::gui {

// Builds the search index of the searched files that lack it, showing
// "Building the search index" (a bar, the file at work, "NN% Completed" and
// Cancel), then says how it went through the message service. Cancel stops
// after the file at work is rolled back: the index stays missing and is
// offered again. While it runs only its window takes input, since each
// file is indexed in one write transaction. `owner` owns the closing
// message.
IndexBuildOutcome buildSearchIndexShowingProgress(QObject *owner = nullptr);

// Whether a build is running (the find window waits for it).
bool searchIndexBuilding();

// At the frame's start: builds the index when some searched file lacks it.
// A data directory whose index is complete costs a look at each searched
// file's schema.
void buildMissingSearchIndexAtStart(const host::gui::FrameContext &context);

} // namespace tabulo::search::gui
