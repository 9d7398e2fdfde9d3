// What the merge page reads and writes with, and the bindings that give it the program's
// component instances. Both the page and its bindings include this.
#pragma once

#include "workflow/AudioIo.h"
#include "workflow/MergeList.h"

class TMergeBindings;
struct TMergeBindingsDeleter {
    void operator()(TMergeBindings* b) const;
};

// The readers and writers the page works with; any of them may be missing (then the
// operations that need it do nothing).
struct TMergeServices {
    workflow::MediaInspector* media = nullptr;
    workflow::JobComponents job;  // reader and wmaReader also serve playback
};
