// The test server's class: one dual interface with every kind of member the table binds,
// and one outgoing interface.
#pragma once

#include "com/connection.h"
#include "com/dispatch.h"

inline constexpr CLSID CLSID_Calculator =
    PLATFORM_GUID(0x6F1C2A10, 0x3B5D, 0x4E21, 0x9A, 0x41, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x62);
inline constexpr IID IID_ICalculator =
    PLATFORM_GUID(0x6F1C2A11, 0x3B5D, 0x4E21, 0x9A, 0x41, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x62);
inline constexpr IID DIID_ICalculatorEvents =
    PLATFORM_GUID(0x6F1C2A12, 0x3B5D, 0x4E21, 0x9A, 0x41, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x62);
inline constexpr GUID LIBID_ComTest =
    PLATFORM_GUID(0x6F1C2A13, 0x3B5D, 0x4E21, 0x9A, 0x41, 0x1D, 0x2E, 0x3F, 0x40, 0x51, 0x62);

inline constexpr const OLECHAR* kCalculatorProgId = u"ComTest.Calculator.1";
inline constexpr const OLECHAR* kCalculatorIndependentProgId = u"ComTest.Calculator";
inline constexpr HRESULT kCalculatorFailure = (HRESULT)0x8004030B;

struct CalcPoint {
    LONG x;
    LONG y;
};

struct ICalculator : IDispatch {
    STDMETHOD(Add)(LONG a, LONG b, LONG* sum) = 0;  // 1
    // value: [in, out] scaled by factor; label: [out] its text; the retval counts calls.
    STDMETHOD(Scale)(LONG factor, LONG* value, BSTR* label, LONG* calls) = 0;  // 2
    STDMETHOD(Fail)(BSTR why) = 0;                                             // 3
    STDMETHOD(get_Name)(BSTR* value) = 0;                                      // 4
    STDMETHOD(put_Name)(BSTR value) = 0;
    STDMETHOD(get_Volume)(LONG* value) = 0;  // 5 (clamped 0..100)
    STDMETHOD(put_Volume)(LONG value) = 0;
    STDMETHOD(get_Enabled)(VARIANT_BOOL* value) = 0;  // 6
    STDMETHOD(put_Enabled)(VARIANT_BOOL value) = 0;
    STDMETHOD(Reverse)(SAFEARRAY* bytes, SAFEARRAY** reversed) = 0;    // 7
    STDMETHOD(Echo)(VARIANT value, VARIANT* copy) = 0;                 // 8
    STDMETHOD(Sum)(LONG a, VARIANT b, double c, LONGLONG* total) = 0;  // 9 (b optional)
    STDMETHOD(Mirror)(CalcPoint* point) = 0;                           // 10
    STDMETHOD(Ring)(LONG count) = 0;                                   // 11: count Tick events, then Done
};

// Events: Tick(N) = 1, Done() = 2.
inline constexpr DISPID kTickEvent = 1;
inline constexpr DISPID kDoneEvent = 2;

const platform::DispInterface& CalculatorTable();
const platform::DispInterface& CalculatorEventsTable();
