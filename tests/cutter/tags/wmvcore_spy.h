// A stand-in editor module for watching the WMA tag writer's calls: it logs every call
// with its arguments and can be told to fail at creation, QueryInterface or Open.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "WMVCORE/wmsdk.h"

struct SpyState {
    HRESULT createResult = S_OK;
    HRESULT queryResult = S_OK;
    HRESULT openResult = S_OK;
    // The header as the spy's editor holds it: name and value per index.
    std::vector<std::pair<std::u16string, std::u16string>> header;
    std::vector<std::string> calls;
    int liveObjects = 0;
};

using SpyStateFn = SpyState* (*)();
