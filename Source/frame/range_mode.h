// VariantTypeRangeMode: how an object returns 64-bit quantities in variants. Mode 1 gives
// VT_I4 (the low 32 bits of a stored value), mode 2 (the default) VT_I8.
#pragma once

#include "automation/oleauto.h"

namespace kez::frame {

class VariantRangeMode {
public:
    LONG Get() const { return mode_; }
    // Stores the value clamped to 1..2.
    void Put(LONG mode) { mode_ = mode < 1 ? 1 : mode > 2 ? 2 : mode; }

    // A stored 64-bit quantity as a new variant (out is overwritten, not cleared).
    void Store(LONGLONG value, VARIANT* out) const;
    // A computed quotient changed in place to the mode's integer type by the platform's
    // numeric conversion; a change that fails leaves it as it was.
    void Narrow(VARIANT* value) const;

private:
    LONG mode_ = 2;
};

}  // namespace kez::frame
