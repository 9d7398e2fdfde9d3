// Helpers shared by the automation sources; not part of the platform's exported surface.
#pragma once

#include "automation/oleauto.h"

namespace platform_automation {

// Bytes of one element of the given base type in an array or behind a VT_BYREF pointer;
// 0 for a type that has no fixed element size.
UINT ElementSize(VARTYPE vt);

// S_OK when vt names a type a VARIANT can hold (with VT_ARRAY and VT_BYREF forms),
// DISP_E_BADVARTYPE otherwise.
HRESULT ValidateVariantType(VARTYPE vt);

// Reads the value of an IDispatch's default property (DISPID_VALUE) into out (owned by
// the caller). DISP_E_TYPEMISMATCH when there is no object or it answers no value.
HRESULT FetchDispatchValue(IDispatch* object, VARIANT* out);

}  // namespace platform_automation
