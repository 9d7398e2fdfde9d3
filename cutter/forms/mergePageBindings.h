// The merge page's readers, writers and tag access bound to the program's component
// instances, so the page, the merge job and playback share them with the rest of the window.
#pragma once

#include <memory>

#include "mergeServices.h"

class TProgramComponents;

using TMergeBindingsPtr = std::unique_ptr<TMergeBindings, TMergeBindingsDeleter>;

// Bindings over `components`, which must outlive them.
TMergeBindingsPtr MakeMergeBindings(TProgramComponents& components);
TMergeServices ServicesOf(TMergeBindings& bindings);
