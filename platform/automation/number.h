// The numeric view of a variant that type change and arithmetic share: every numeric
// variant type reads into one of four kinds, and each target type is written from them
// with the Windows rules (half to even, overflow checks).
#pragma once

#include "automation/oleauto.h"

#include <cstdint>
#include <string>

namespace platform_automation {

struct Number {
    enum Kind { Signed, Unsigned, Real, Currency } kind = Signed;
    std::int64_t i = 0;   // Signed; Currency (value x 10000)
    std::uint64_t u = 0;  // Unsigned
    double d = 0;         // Real
};

// Reads a non-reference variant holding EMPTY, an integer, BOOL, a real, DATE, CY,
// DECIMAL or a BSTR (parsed with invariant "C" rules). DISP_E_TYPEMISMATCH for anything
// else or text that is not a number, DISP_E_OVERFLOW for a number no type can hold.
HRESULT ReadNumber(const VARIANT& v, Number* out);

// Parses invariant numeric text ("1.5", "-3", "2E+3", "&HFF"); leading and trailing blanks
// allowed. DISP_E_TYPEMISMATCH when it is not a number.
HRESULT ParseNumber(const OLECHAR* text, UINT length, Number* out);

double ToDouble(const Number& n);

// Rounds to an integer, half to even. False when the value is not finite or falls outside
// [min, max].
bool ToInteger(const Number& n, __int128 min, __int128 max, __int128* out);

// Writes n into a fresh variant of numeric type vt (integers, BOOL, R4, R8, DATE, CY,
// DECIMAL). DISP_E_OVERFLOW when it does not fit; dest is untouched on failure.
HRESULT StoreNumber(const Number& n, VARTYPE vt, VARIANT* dest);

// Invariant text of a real with the given significant digits, as "%.*G" would write it.
std::string FormatReal(double value, int digits);

}  // namespace platform_automation
