// The published interface of the metadata editor module ("WMVCORE.DLL", entry
// WMCreateEditor): the editor and header-information interfaces in their Windows slot
// order, their identifiers and status codes. The module implements them; a client loads
// the module by name and calls them.
#pragma once

#include "com/interfaces.h"

using QWORD = std::uint64_t;

enum WMT_ATTR_DATATYPE : std::int32_t {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,  // UTF-16 text; the length counts bytes
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,  // 4 bytes
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

enum WMT_CODEC_INFO_TYPE : std::int32_t {
    WMT_CODECINFO_AUDIO = 0,
    WMT_CODECINFO_VIDEO = 1,
    WMT_CODECINFO_UNKNOWN = 0xFFFFFFF,
};

// Stream number meaning "any stream" in GetAttributeIndices; 0 is the file-level header.
inline constexpr WORD WM_ANY_STREAM = 0xFFFF;

// Status codes of the editor.
inline constexpr HRESULT NS_E_FILE_OPEN_FAILED = (HRESULT)0xC00D001D;
inline constexpr HRESULT NS_E_FILE_WRITE = (HRESULT)0xC00D0016;
inline constexpr HRESULT NS_E_INVALID_REQUEST = (HRESULT)0xC00D002B;
inline constexpr HRESULT ASF_E_BUFFERTOOSMALL = (HRESULT)0xC00D07D1;
inline constexpr HRESULT NS_E_INVALID_INPUT_FORMAT = (HRESULT)0xC00D0BB8;

inline constexpr IID IID_IWMMetadataEditor =
    PLATFORM_GUID(0x96406BD9, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
inline constexpr IID IID_IWMHeaderInfo =
    PLATFORM_GUID(0x96406BDA, 0x2B2B, 0x11D3, 0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF);
inline constexpr IID IID_IWMHeaderInfo2 =
    PLATFORM_GUID(0x15CF9781, 0x454E, 0x482E, 0xB3, 0x93, 0x85, 0xFA, 0xE4, 0x87, 0xA8, 0x10);
inline constexpr IID IID_IWMHeaderInfo3 =
    PLATFORM_GUID(0x15CC68E3, 0x27CC, 0x4ECD, 0xB2, 0x22, 0x3F, 0x5D, 0x02, 0xD8, 0x0B, 0xD5);

struct IWMMetadataEditor : IUnknown {
    // Reads the header of the file (UTF-16 path).
    STDMETHOD(Open)(const WCHAR* fileName) = 0;
    // Forgets the file without writing.
    STDMETHOD(Close)() = 0;
    // Writes the changed header into the file and closes it.
    STDMETHOD(Flush)() = 0;
};

struct IWMHeaderInfo : IUnknown {
    STDMETHOD(GetAttributeCount)(WORD streamNum, WORD* count) = 0;
    STDMETHOD(GetAttributeByIndex)(WORD index, WORD* streamNum, WCHAR* name, WORD* nameLength,
                                   WMT_ATTR_DATATYPE* type, BYTE* value, WORD* length) = 0;
    STDMETHOD(GetAttributeByName)(WORD* streamNum, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                  WORD* length) = 0;
    STDMETHOD(SetAttribute)(WORD streamNum, LPCWSTR name, WMT_ATTR_DATATYPE type, const BYTE* value,
                            WORD length) = 0;
    STDMETHOD(GetMarkerCount)(WORD* count) = 0;
    STDMETHOD(GetMarker)(WORD index, WCHAR* name, WORD* nameLength, QWORD* time) = 0;
    STDMETHOD(AddMarker)(LPCWSTR name, QWORD time) = 0;
    STDMETHOD(RemoveMarker)(WORD index) = 0;
    STDMETHOD(GetScriptCount)(WORD* count) = 0;
    STDMETHOD(GetScript)(WORD index, WCHAR* type, WORD* typeLength, WCHAR* command, WORD* commandLength,
                         QWORD* time) = 0;
    STDMETHOD(AddScript)(LPCWSTR type, LPCWSTR command, QWORD time) = 0;
    STDMETHOD(RemoveScript)(WORD index) = 0;
};

struct IWMHeaderInfo2 : IWMHeaderInfo {
    STDMETHOD(GetCodecInfoCount)(DWORD* count) = 0;
    STDMETHOD(GetCodecInfo)(DWORD index, WORD* nameLength, WCHAR* name, WORD* descriptionLength,
                            WCHAR* description, WMT_CODEC_INFO_TYPE* codecType, WORD* infoLength,
                            BYTE* info) = 0;
};

struct IWMHeaderInfo3 : IWMHeaderInfo2 {
    STDMETHOD(GetVersion)(WORD* version) = 0;
    // The indices of the attributes named `name` in stream `streamNum` (WM_ANY_STREAM: all),
    // of language *langIndex (null: any). With `indices` null only *count is set; otherwise
    // *count is the room in `indices` on entry (ASF_E_BUFFERTOOSMALL when too little).
    STDMETHOD(GetAttributeIndices)(WORD streamNum, LPCWSTR name, WORD* langIndex, WORD* indices,
                                   WORD* count) = 0;
    STDMETHOD(GetAttributeByIndexEx)(WORD streamNum, WORD index, LPWSTR name, WORD* nameLength,
                                     WMT_ATTR_DATATYPE* type, WORD* langIndex, BYTE* value,
                                     DWORD* length) = 0;
    STDMETHOD(ModifyAttribute)(WORD streamNum, WORD index, WMT_ATTR_DATATYPE type, WORD langIndex,
                               const BYTE* value, DWORD length) = 0;
    STDMETHOD(AddAttribute)(WORD streamNum, LPCWSTR name, WORD* index, WMT_ATTR_DATATYPE type, WORD langIndex,
                            const BYTE* value, DWORD length) = 0;
    // Removes the attribute; the indices of later attributes go down by one.
    STDMETHOD(DeleteAttribute)(WORD streamNum, WORD index) = 0;
    STDMETHOD(AddCodecInfo)(LPCWSTR name, LPCWSTR description, WMT_CODEC_INFO_TYPE codecType, WORD infoLength,
                            BYTE* info) = 0;
};

// The module's entry point.
using WMCreateEditorFn = HRESULT (*)(IWMMetadataEditor** editor);
