// IDispatch from a member table. One table per dual interface describes its members
// (names, dispatch ids, kinds, parameter types and directions, help strings); that table is
// the interface's type information: GetIDsOfNames, Invoke, GetTypeInfo and the type-library
// registration keys all read it.
//
// Usage:
//
//   struct IFoo : IDispatch {
//       STDMETHOD(Add)(LONG a, LONG b, LONG* sum) = 0;                  // sum: [out, retval]
//       STDMETHOD(Swap)(BSTR text, SAFEARRAY** bytes) = 0;              // bytes: [in, out]
//       STDMETHOD(get_Name)(BSTR* value) = 0;
//       STDMETHOD(put_Name)(BSTR value) = 0;
//       STDMETHOD(get_Enabled)(VARIANT_BOOL* value) = 0;
//   };
//   inline constexpr IID IID_IFoo = PLATFORM_GUID(0x12345678, ...);
//
//   const platform::DispInterface& FooTable() {
//       using namespace platform;
//       static const DispInterface table{u"IFoo", IID_IFoo, u"IFoo Interface", {
//           Method<&IFoo::Add>(u"Add", 1, u"method Add",
//                              {{u"a"}, {u"b"}, {u"sum", VT_EMPTY, kRetval}}),
//           Method<&IFoo::Swap>(u"Swap", 2, u"method Swap",
//                               {{u"text"}, {u"bytes", VT_ARRAY | VT_UI1, kInOut}}),
//           Get<&IFoo::get_Name>(u"Name", 3, u"property Name"),
//           Put<&IFoo::put_Name>(u"Name", 3, u"property Name"),
//           Get<&IFoo::get_Enabled>(u"Enabled", 4, u"property Enabled", VT_BOOL),
//       }};
//       return table;
//   }
//
//   class Foo : public platform::DispatchImpl<IFoo> {   // IUnknown is still yours
//   public:
//       Foo() : DispatchImpl(FooTable()) {}
//       ...
//   };
//
//   // in a test: EXPECT_EQ(platform::ValidateTable(FooTable()), "");
//
// Parameter types. Each DispParam gives the parameter's automation type; VT_EMPTY takes it
// from the C++ type (LONG -> VT_I4, BSTR -> VT_BSTR, LONG* -> VT_I4 | VT_BYREF, ...). Give
// it explicitly where the C++ type cannot tell: VT_BOOL for VARIANT_BOOL (the same C++ type
// as SHORT), VT_DATE for DATE (a double), VT_ARRAY | <element> for a SAFEARRAY (the element
// type is checked against the array the caller passes; VT_ARRAY alone accepts any), and
// VT_RECORD | VT_BYREF for a record. VT_BYREF in the table is optional: a C++ pointer
// parameter is by reference anyway.
//
// Supported C++ parameter types:
//   [in]  CHAR BYTE SHORT USHORT LONG ULONG LONGLONG ULONGLONG float double CY, enums with
//         a 32-bit underlying type, BSTR, VARIANT, VARIANT* (in by reference), IUnknown*,
//         IDispatch*, any other interface I* that has a platform::InterfaceId<I>
//         (PLATFORM_INTERFACE_ID), SAFEARRAY*; and records: S* or void* with VT_RECORD.
//   [out], [in, out], [out, retval]: a pointer to any of the in types above (LONG*, BSTR*,
//         VARIANT*, SAFEARRAY**, IDispatch**, I**, ...). Only the last parameter can be the
//         retval; its value is returned in Invoke's result variant.
//
// How Invoke passes arguments (DISPPARAMS holds them in reverse order; named arguments, and
// DISPID_PROPERTYPUT for the value of a put, are matched by id):
//   - In values are converted with VariantChangeType to the parameter's type (a VT_BYREF
//     argument is read through its pointer). Strings and arrays of the right type are passed
//     without a copy; [in] values stay the caller's, the method must not free them.
//   - An [out] or [in, out] argument must be VT_BYREF. When it points at exactly the
//     parameter's type, its pointer is handed to the method as is (COM rules: the method
//     overwrites an [out] value without freeing it; an [in, out] value is the method's to
//     free and replace). When it is VT_VARIANT | VT_BYREF, or by reference to another type,
//     the method works on a temporary that is converted and written back after success
//     (a variant target is cleared first).
//   - A retval SAFEARRAY that the method leaves null comes back as VT_EMPTY; a null BSTR
//     as VT_BSTR with a null pointer (the empty string).
//   - An omitted optional parameter ([optional], or any [out] one) is a zero / null value
//     (VT_ERROR with DISP_E_PARAMNOTFOUND for a VARIANT); an argument that is VT_ERROR with
//     DISP_E_PARAMNOTFOUND counts as omitted.
//   - A record parameter takes a VT_RECORD or VT_RECORD | VT_BYREF argument and receives
//     its pvRecord pointer, so the method reads and writes the caller's record in place. The
//     record's IRecordInfo and size are not checked: caller and method must agree on the
//     struct, as with any early-bound call. A record [out, retval] (a property get of a
//     record) is filled in the record the caller passes as one extra, last argument
//     (VT_RECORD | VT_BYREF); the result variant stays VT_EMPTY.
//   - Failures: DISP_E_MEMBERNOTFOUND (no member with that id and kind), DISP_E_BADPARAMCOUNT
//     (too many arguments, or too few without named ones), DISP_E_PARAMNOTOPTIONAL (a
//     required parameter left out), DISP_E_PARAMNOTFOUND (a named id the member lacks),
//     DISP_E_NONAMEDARGS (named arguments for a member whose parameters are unnamed),
//     DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW with *argErr = the index in rgvarg. A method
//     that fails returns DISP_E_EXCEPTION with EXCEPINFO filled (scode = the method's
//     result; source, description, help file and context from the thread's error
//     information when the method set one, which stays set for GetErrorInfo); without an
//     EXCEPINFO the method's own result is returned.
//   - DISPATCH_METHOD | DISPATCH_PROPERTYGET (as Basic clients call) finds a method or a
//     property get; DISPATCH_PROPERTYPUTREF falls back to a put when there is no putref.
#pragma once

#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/oleauto.h"
#include "com/interfaces.h"

namespace platform {

enum class DispKind : WORD {
    Method = DISPATCH_METHOD,
    Get = DISPATCH_PROPERTYGET,
    Put = DISPATCH_PROPERTYPUT,
    PutRef = DISPATCH_PROPERTYPUTREF,
};

// Parameter flags, as written in a type library.
inline constexpr USHORT kIn = PARAMFLAG_FIN;
inline constexpr USHORT kOut = PARAMFLAG_FOUT;
inline constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
inline constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
inline constexpr USHORT kOptional = PARAMFLAG_FIN | PARAMFLAG_FOPT;

struct DispParam {
    const OLECHAR* name = nullptr;
    VARTYPE vt = VT_EMPTY;  // VT_EMPTY: from the C++ type
    USHORT flags = kIn;
};

struct DispMember;

namespace detail {
// What the C++ signature says about one parameter, kept for ValidateTable.
struct CxxParam {
    VARTYPE defaultVt;  // base type (no VT_BYREF), VT_EMPTY when the table must say it
    bool pointer;       // the C++ parameter is a pointer to that type (out or by reference)
    bool record;
};
// args[i] belongs to params[i]: the caller's argument (null when omitted) or, for the
// retval, the result variant. On a conversion failure *bad is the failing index.
using Thunk = HRESULT (*)(void* self, const DispMember& m, VARIANT** args, UINT* bad);
}  // namespace detail

struct DispMember {
    const OLECHAR* name = nullptr;
    DISPID id = 0;
    DispKind kind = DispKind::Method;
    const OLECHAR* help = nullptr;
    std::vector<DispParam> params;  // in C++ order, the retval (if any) last
    VARTYPE returnType = VT_VOID;   // the retval's base type, VT_VOID when none (filled in)
    detail::Thunk thunk = nullptr;
    std::vector<detail::CxxParam> cxx;
};

struct DispInterface {
    const OLECHAR* name = nullptr;
    IID iid{};
    const OLECHAR* help = nullptr;
    std::vector<DispMember> members;
};

// Interfaces other than IUnknown/IDispatch passed as parameters need their IID, so that an
// argument is QueryInterface'd for it: PLATFORM_INTERFACE_ID(IAudioInfo, IID_IAudioInfo)
// at namespace scope.
template <class I>
struct InterfaceId;
#define PLATFORM_INTERFACE_ID(Iface, iidConstant)        \
    template <>                                          \
    struct platform::InterfaceId<Iface> {                \
        static constexpr const IID& value = iidConstant; \
    }

// --- the table's entry points (also used by DispatchImpl) -------------------------------

// The member with this id that answers these DISPATCH_* flags, or null.
PLATFORM_CXX const DispMember* FindMember(const DispInterface& table, DISPID id, WORD flags);
// names[0] a member, names[1..] its parameters (ids = their index in the member's list);
// case-insensitive. DISP_E_UNKNOWNNAME with DISPID_UNKNOWN for each name not found.
PLATFORM_CXX HRESULT TableGetIDsOfNames(const DispInterface& table, REFIID riid, LPOLESTR* names, UINT count,
                                        DISPID* ids);
// self: the object as a pointer to the interface the table describes.
PLATFORM_CXX HRESULT TableInvoke(const DispInterface& table, void* self, DISPID id, WORD flags,
                                 DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr);
// A new ITypeInfo over the table (GetNames, GetIDsOfNames, GetDocumentation, Invoke,
// GetTypeAttr/GetFuncDesc are E_NOTIMPL); the table must outlive it.
PLATFORM_CXX HRESULT TableGetTypeInfo(const DispInterface& table, UINT index, ITypeInfo** info);
// Empty when the table agrees with the C++ signatures it binds (parameter counts, types,
// retval position, no two members with one id and kind); otherwise the first problem.
PLATFORM_CXX std::string ValidateTable(const DispInterface& table);

// Base for an object with a dual interface: implements the four IDispatch methods from the
// table. The derived class implements IUnknown and the interface's own methods.
template <class Iface>
class DispatchImpl : public Iface {
public:
    explicit DispatchImpl(const DispInterface& table) : dispTable_(&table) {}

    STDMETHOD(GetTypeInfoCount)(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT index, LCID, ITypeInfo** info) override {
        return TableGetTypeInfo(*dispTable_, index, info);
    }
    STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        return TableGetIDsOfNames(*dispTable_, riid, names, count, ids);
    }
    STDMETHOD(Invoke)
    (DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
     UINT* argErr) override {
        return TableInvoke(*dispTable_, static_cast<Iface*>(this), id, flags, params, result, excep, argErr);
    }

    const DispInterface& DispTable() const { return *dispTable_; }

protected:
    ~DispatchImpl() = default;

private:
    const DispInterface* dispTable_;
};

// --- type-library registration -----------------------------------------------------------

struct TypeLibInfo {
    GUID libid{};
    WORD major = 1;
    WORD minor = 0;
    LCID lcid = 0;
    const OLECHAR* name = nullptr;  // e.g. u"KezAudioArrayProcessing3Lib"
    const OLECHAR* help = nullptr;  // the default value of the version key
    std::vector<const DispInterface*> interfaces;
};

// Writes HKCR\TypeLib\{libid}\<major.minor> (default = help, else name), its <lcid hex>\linux64
// = modulePath, FLAGS = "0", HELPDIR = helpDir (the module's folder when null); and for each
// interface HKCR\Interface\{iid} (default = name) with ProxyStubClsid32, ProxyStubClsid and
// TypeLib (= {libid}, value Version = "major.minor"). Idempotent.
PLATFORM_CXX HRESULT RegisterTypeLibrary(const TypeLibInfo& lib, const OLECHAR* modulePath,
                                         const OLECHAR* helpDir = nullptr);
// Removes the version key (the libid key too when no other version remains) and the
// interfaces' keys. Missing keys are no failure.
PLATFORM_CXX HRESULT UnregisterTypeLibrary(const TypeLibInfo& lib);

// --- binding C++ methods (details) -------------------------------------------------------

namespace detail {

// Converts an argument (read through VT_BYREF) to `vt` in *holder. *owned says whether the
// holder must be cleared after the call (false: it aliases the caller's value). Handles
// scalars, strings, interfaces (IDispatch by QueryInterface), arrays (element type checked)
// and records. VT_EMPTY / VT_NULL give a null interface or array.
PLATFORM_CXX HRESULT Coerce(const VARIANT* arg, VARTYPE vt, VARIANT* holder, bool* owned);
// Writes an owned value into a VT_BYREF target of another type, or into a variant target;
// consumes value either way. inout: the target's old string is freed first.
PLATFORM_CXX HRESULT StoreOut(VARIANT* target, VARIANT* value, bool inout);
// Whether an [out] target can take the parameter's pointer as is.
PLATFORM_CXX bool DirectTarget(const VARIANT* target, VARTYPE paramVt);
PLATFORM_CXX bool IsOmitted(const VARIANT* arg);
PLATFORM_CXX HRESULT QueryFor(IUnknown* unk, REFIID iid, void** out);

// Value category of a C++ parameter type (without the out pointer).
template <class T>
struct Traits {
    static constexpr bool known = false;
};

template <class T>
struct ScalarTraits {
    static constexpr bool known = true;
    static void ToVariant(T value, VARTYPE vt, VARIANT* out) {
        VariantInit(out);
        out->vt = vt;
        std::memcpy(&out->llVal, &value, sizeof(T));
    }
    static T FromVariant(const VARIANT& v) {
        T value;
        std::memcpy(&value, &v.llVal, sizeof(T));
        return value;
    }
};
template <>
struct Traits<CHAR> : ScalarTraits<CHAR> {
    static constexpr VARTYPE vt = VT_I1;
};
template <>
struct Traits<BYTE> : ScalarTraits<BYTE> {
    static constexpr VARTYPE vt = VT_UI1;
};
template <>
struct Traits<SHORT> : ScalarTraits<SHORT> {
    static constexpr VARTYPE vt = VT_I2;
};
template <>
struct Traits<USHORT> : ScalarTraits<USHORT> {
    static constexpr VARTYPE vt = VT_UI2;
};
template <>
struct Traits<LONG> : ScalarTraits<LONG> {
    static constexpr VARTYPE vt = VT_I4;
};
template <>
struct Traits<ULONG> : ScalarTraits<ULONG> {
    static constexpr VARTYPE vt = VT_UI4;
};
template <>
struct Traits<LONGLONG> : ScalarTraits<LONGLONG> {
    static constexpr VARTYPE vt = VT_I8;
};
template <>
struct Traits<ULONGLONG> : ScalarTraits<ULONGLONG> {
    static constexpr VARTYPE vt = VT_UI8;
};
template <>
struct Traits<float> : ScalarTraits<float> {
    static constexpr VARTYPE vt = VT_R4;
};
template <>
struct Traits<double> : ScalarTraits<double> {
    static constexpr VARTYPE vt = VT_R8;
};
template <>
struct Traits<CY> : ScalarTraits<CY> {
    static constexpr VARTYPE vt = VT_CY;
};
template <>
struct Traits<BSTR> : ScalarTraits<BSTR> {
    static constexpr VARTYPE vt = VT_BSTR;
};
// A null array travels as VT_EMPTY; VT_ARRAY without an element type takes the array's own.
PLATFORM_CXX void ArrayToVariant(SAFEARRAY* array, VARTYPE vt, VARIANT* out);
template <>
struct Traits<SAFEARRAY*> : ScalarTraits<SAFEARRAY*> {
    static constexpr VARTYPE vt = VT_ARRAY;
    static void ToVariant(SAFEARRAY* value, VARTYPE vt, VARIANT* out) { ArrayToVariant(value, vt, out); }
};
template <>
struct Traits<IUnknown*> : ScalarTraits<IUnknown*> {
    static constexpr VARTYPE vt = VT_UNKNOWN;
};
template <>
struct Traits<IDispatch*> : ScalarTraits<IDispatch*> {
    static constexpr VARTYPE vt = VT_DISPATCH;
};
template <>
struct Traits<VARIANT> {
    static constexpr bool known = true;
    static constexpr VARTYPE vt = VT_VARIANT;
    static void ToVariant(const VARIANT& value, VARTYPE, VARIANT* out) { *out = value; }
    static VARIANT FromVariant(const VARIANT& v) { return v; }
};
// 32-bit enumerations travel as VT_I4.
template <class T>
requires std::is_enum_v<T> &&(sizeof(T) == 4) struct Traits<T> : ScalarTraits<T> {
    static constexpr VARTYPE vt = VT_I4;
};

template <class T>
concept OtherInterface =
    std::is_base_of_v<IUnknown, T> && !std::is_same_v<T, IUnknown> && !std::is_same_v<T, IDispatch>;

template <class I>
requires OtherInterface<I>
struct Traits<I*> {
    static constexpr bool known = true;
    static constexpr VARTYPE vt = std::is_base_of_v<IDispatch, I> ? VT_DISPATCH : VT_UNKNOWN;
    static void ToVariant(I* value, VARTYPE, VARIANT* out) {
        VariantInit(out);
        if constexpr (std::is_base_of_v<IDispatch, I>) {
            out->vt = VT_DISPATCH;
            out->pdispVal = value;
        } else {
            out->vt = VT_UNKNOWN;
            out->punkVal = value;
        }
    }
    // Used only for holders filled by QueryFor with this interface's IID.
    static I* FromVariant(const VARIANT& v) { return static_cast<I*>(v.byref); }
};

// Records: a pointer to anything else (a struct, or void*) with VT_RECORD in the table.
template <class T>
concept RecordPointer =
    std::is_pointer_v<T> && !std::is_same_v<T, BSTR> && !std::is_same_v<T, SAFEARRAY*> &&
    !std::is_same_v<T, VARIANT*> && !std::is_base_of_v<IUnknown, std::remove_pointer_t<T>> &&
    (std::is_class_v<std::remove_pointer_t<T>> ||
     std::is_void_v<std::remove_pointer_t<T>>)&&!std::is_pointer_v<std::remove_pointer_t<T>>;

template <class T>
struct IsTraitsKnown : std::bool_constant<Traits<T>::known> {};

template <class A>
struct Slot;  // one parameter of one call

// In by value.
template <class A>
requires IsTraitsKnown<A>::value struct Slot<A> {
    static constexpr CxxParam kCxx{Traits<A>::vt, false, false};
    VARIANT holder{};
    bool owned = false;
    bool present = false;
    HRESULT Load(const DispParam& p, VARIANT* arg) {
        VariantInit(&holder);
        if (!arg) {
            if constexpr (std::is_same_v<A, VARIANT>) {
                holder.vt = VT_ERROR;
                holder.scode = DISP_E_PARAMNOTFOUND;
            }
            return S_OK;
        }
        present = true;
        VARTYPE vt = p.vt ? VARTYPE(p.vt & ~VT_BYREF) : Traits<A>::vt;
        if constexpr (OtherInterface<std::remove_pointer_t<A>>) {
            VARIANT unk;
            bool unkOwned = false;
            HRESULT hr = Coerce(arg, VT_UNKNOWN, &unk, &unkOwned);
            if (FAILED(hr)) return hr;
            void* itf = nullptr;
            if (unk.punkVal) {
                hr = QueryFor(unk.punkVal, InterfaceId<std::remove_pointer_t<A>>::value, &itf);
                if (unkOwned) VariantClear(&unk);
                if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
            }
            holder.vt = VT_UNKNOWN;
            holder.byref = itf;
            owned = itf != nullptr;
            return S_OK;
        } else {
            return Coerce(arg, vt, &holder, &owned);
        }
    }
    A Get() {
        if constexpr (std::is_same_v<A, VARIANT>)
            return holder;
        else if (!present)
            return A{};
        else
            return Traits<A>::FromVariant(holder);
    }
    HRESULT Store(bool) { return S_OK; }
    ~Slot() {
        if (owned) {
            if constexpr (OtherInterface<std::remove_pointer_t<A>>)
                static_cast<IUnknown*>(holder.byref)->Release();
            else
                VariantClear(&holder);
        }
    }
};

// Records by reference.
template <class A>
requires(!IsTraitsKnown<A>::value && RecordPointer<A>) struct Slot<A> {
    static constexpr CxxParam kCxx{VT_RECORD, true, true};
    void* record = nullptr;
    HRESULT Load(const DispParam&, VARIANT* arg) {
        if (!arg) return S_OK;
        const VARIANT* v = arg;
        if (v->vt == (VT_VARIANT | VT_BYREF)) v = v->pvarVal;
        if ((v->vt & VT_TYPEMASK) == VT_RECORD) {
            record = v->brecVal.pvRecord;
            return S_OK;
        }
        if (v->vt == VT_EMPTY || v->vt == VT_NULL) return S_OK;
        return DISP_E_TYPEMISMATCH;
    }
    A Get() { return static_cast<A>(record); }
    HRESULT Store(bool) { return S_OK; }
};

// Out, in/out, retval, and VARIANT* in by reference.
template <class V>
requires IsTraitsKnown<V>::value struct Slot<V*> {
    static constexpr CxxParam kCxx{Traits<V>::vt, true, false};
    enum Mode { Direct, Retval, Temp, Discard, InRef } mode = Discard;
    V value{};
    V* ptr = &value;
    VARIANT* target = nullptr;
    VARTYPE vt = VT_EMPTY;
    bool inout = false;
    VARIANT inHolder{};
    bool inOwned = false;

    HRESULT Load(const DispParam& p, VARIANT* arg) {
        vt = p.vt ? VARTYPE(p.vt & ~VT_BYREF) : Traits<V>::vt;
        inout = (p.flags & PARAMFLAG_FIN) != 0;
        if constexpr (std::is_same_v<V, VARIANT>) {
            VariantInit(&value);
            if (!(p.flags & PARAMFLAG_FOUT)) {  // [in] VARIANT*
                mode = InRef;
                if (!arg) {
                    value.vt = VT_ERROR;
                    value.scode = DISP_E_PARAMNOTFOUND;
                } else if (arg->vt == (VT_VARIANT | VT_BYREF)) {
                    ptr = arg->pvarVal;
                } else {
                    ptr = arg;
                }
                return S_OK;
            }
        }
        if (p.flags & PARAMFLAG_FRETVAL) {
            mode = Retval;
            target = arg;
            if constexpr (std::is_same_v<V, VARIANT>) ptr = arg;
            return S_OK;
        }
        if (!arg) return S_OK;  // Discard
        target = arg;
        if (DirectTarget(arg, vt)) {
            mode = Direct;
            if constexpr (std::is_same_v<V, VARIANT>) {
                if (!inout) VariantClear(arg->pvarVal);
                ptr = arg->pvarVal;
            } else {
                ptr = static_cast<V*>(arg->byref);
            }
            return S_OK;
        }
        bool byref = (arg->vt & VT_BYREF) != 0;
        if (!byref && !inout) return DISP_E_TYPEMISMATCH;
        mode = byref ? Temp : Discard;
        if (inout) {
            HRESULT hr;
            if constexpr (std::is_same_v<V, VARIANT>) {
                hr = VariantCopyInd(&value, arg);
            } else if constexpr (OtherInterface<std::remove_pointer_t<V>>) {
                bool owned = false;
                hr = Coerce(arg, VT_UNKNOWN, &inHolder, &owned);
                void* itf = nullptr;
                if (SUCCEEDED(hr) && inHolder.punkVal)
                    hr = QueryFor(inHolder.punkVal, InterfaceId<std::remove_pointer_t<V>>::value, &itf);
                if (owned) VariantClear(&inHolder);
                if (FAILED(hr)) hr = DISP_E_TYPEMISMATCH;
                value = static_cast<V>(itf);
            } else {
                bool owned = false;
                hr = Coerce(arg, vt, &inHolder, &owned);
                if (SUCCEEDED(hr) && !owned) {
                    // the method may free and replace its in/out value: give it a copy
                    VARIANT copy;
                    VariantInit(&copy);
                    hr = VariantCopy(&copy, &inHolder);
                    inHolder = copy;
                }
                if (SUCCEEDED(hr)) value = Traits<V>::FromVariant(inHolder);
            }
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }
    V* Get() { return ptr; }
    HRESULT Store(bool ok) {
        if (mode == Direct || mode == InRef) return S_OK;
        if constexpr (std::is_same_v<V, VARIANT>) {
            if (mode == Retval) {  // the method wrote the result variant itself
                if (!ok) VariantClear(target);
                return S_OK;
            }
        }
        VARIANT out;
        Traits<V>::ToVariant(value, vt, &out);
        if (ok && mode == Retval) {
            *target = out;
            return S_OK;
        }
        if (ok && mode == Temp) return StoreOut(target, &out, inout);
        VariantClear(&out);
        return S_OK;
    }
};

template <class P>
struct MethodTraits;
template <class C, class... A>
struct MethodTraits<HRESULT (C::*)(A...)> {
    using Class = C;
    static constexpr std::size_t arity = sizeof...(A);
    static std::vector<CxxParam> Cxx() { return {Slot<A>::kCxx...}; }
    template <auto Pmf, std::size_t... I>
    static HRESULT Call(void* self, const DispMember& m, VARIANT** args, UINT* bad,
                        std::index_sequence<I...>) {
        [[maybe_unused]] std::tuple<Slot<A>...> argSlots;
        HRESULT hr = S_OK;
        auto load = [&](auto& slot, std::size_t i) {
            if (FAILED(hr)) return;
            hr = slot.Load(m.params[i], args[i]);
            if (FAILED(hr)) *bad = UINT(i);
        };
        (void)load;  // unused for a method without parameters
        (load(std::get<I>(argSlots), I), ...);
        if (FAILED(hr)) {
            (std::get<I>(argSlots).Store(false), ...);
            return hr;
        }
        hr = (static_cast<C*>(self)->*Pmf)(std::get<I>(argSlots).Get()...);
        HRESULT stored = S_OK;
        auto store = [&](auto& slot, std::size_t i) {
            HRESULT r = slot.Store(SUCCEEDED(hr) && SUCCEEDED(stored));
            if (FAILED(r) && SUCCEEDED(stored)) {
                stored = r;
                *bad = UINT(i);
            }
        };
        (void)store;
        (store(std::get<I>(argSlots), I), ...);
        return SUCCEEDED(hr) && FAILED(stored) ? stored : hr;
    }
};

template <auto Pmf>
HRESULT Invoker(void* self, const DispMember& m, VARIANT** args, UINT* bad) {
    using T = MethodTraits<decltype(Pmf)>;
    return T::template Call<Pmf>(self, m, args, bad, std::make_index_sequence<T::arity>{});
}

PLATFORM_CXX DispMember MakeMember(DispKind kind, const OLECHAR* name, DISPID id, const OLECHAR* help,
                                   std::vector<DispParam> params, Thunk thunk, std::vector<CxxParam> cxx);

}  // namespace detail

// A member bound to a C++ method of the interface. params in C++ order; missing trailing
// entries are unnamed: [in] for values, [out] for pointers.
template <auto Pmf>
DispMember Member(DispKind kind, const OLECHAR* name, DISPID id, const OLECHAR* help,
                  std::vector<DispParam> params = {}) {
    using T = detail::MethodTraits<decltype(Pmf)>;
    return detail::MakeMember(kind, name, id, help, std::move(params), &detail::Invoker<Pmf>, T::Cxx());
}
template <auto Pmf>
DispMember Method(const OLECHAR* name, DISPID id, const OLECHAR* help, std::vector<DispParam> params = {}) {
    return Member<Pmf>(DispKind::Method, name, id, help, std::move(params));
}
// A property get HRESULT get_X(T* value): the value is the retval.
template <auto Pmf>
DispMember Get(const OLECHAR* name, DISPID id, const OLECHAR* help, VARTYPE vt = VT_EMPTY) {
    return Member<Pmf>(DispKind::Get, name, id, help, {{u"Value", vt, kRetval}});
}
// A property put HRESULT put_X(T value).
template <auto Pmf>
DispMember Put(const OLECHAR* name, DISPID id, const OLECHAR* help, VARTYPE vt = VT_EMPTY) {
    return Member<Pmf>(DispKind::Put, name, id, help, {{u"Value", vt, kIn}});
}
template <auto Pmf>
DispMember PutRef(const OLECHAR* name, DISPID id, const OLECHAR* help, VARTYPE vt = VT_EMPTY) {
    return Member<Pmf>(DispKind::PutRef, name, id, help, {{u"Value", vt, kIn}});
}
// A member with no C++ method behind it (an event of an outgoing interface: the table
// describes it for type information and sinks; invoking it gives DISP_E_MEMBERNOTFOUND).
PLATFORM_CXX DispMember Event(const OLECHAR* name, DISPID id, const OLECHAR* help,
                              std::vector<DispParam> params = {});

}  // namespace platform
