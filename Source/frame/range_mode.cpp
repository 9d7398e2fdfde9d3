#include "frame/range_mode.h"

namespace kez::frame {

void VariantRangeMode::Store(LONGLONG value, VARIANT* out) const {
    if (!out) return;
    VariantInit(out);
    if (mode_ == 1) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(static_cast<std::uint32_t>(value));
    } else {
        out->vt = VT_I8;
        out->llVal = value;
    }
}

void VariantRangeMode::Narrow(VARIANT* value) const {
    if (!value) return;
    VariantChangeType(value, value, 0, mode_ == 1 ? VT_I4 : VT_I8);
}

}  // namespace kez::frame
