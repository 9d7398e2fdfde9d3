#include "wmaTags.h"

#include <sys/stat.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "WMVCORE/wmsdk.h"
#include "com/combase.h"
#include "tagtext.h"

namespace {

std::function<void(const std::string&)> g_messageHandler;
std::u16string g_libraryName = u"WMVCORE.DLL";

void ShowMessage(const std::string& text) {
    if (g_messageHandler) {
        g_messageHandler(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

std::string WithCode(const char* format, HRESULT code) {
    char text[96];
    std::snprintf(text, sizeof text, format, unsigned(code));
    return text;
}

bool IsExistingFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// What one call holds; released in the order the editor expects whatever way the call
// ends, so an error leaves the file unflushed and the library unloaded.
struct EditorSession {
    HMODULE library = nullptr;
    IWMMetadataEditor* editor = nullptr;
    IWMHeaderInfo3* header = nullptr;
    bool opened = false;

    EditorSession() = default;
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;
    ~EditorSession() {
        if (header) header->Release();
        if (editor) {
            if (opened) editor->Close();
            editor->Release();
        }
        if (library) FreeLibrary(library);
    }
};

// The first index of the attribute `name` over all streams, or -1.
int FirstAttributeIndex(IWMHeaderInfo3* header, const std::u16string& name) {
    WORD count = 0;
    if (FAILED(header->GetAttributeIndices(WM_ANY_STREAM, name.c_str(), nullptr, nullptr, &count)) || count == 0)
        return -1;
    std::vector<WORD> indices(count);
    if (FAILED(header->GetAttributeIndices(WM_ANY_STREAM, name.c_str(), nullptr, indices.data(), &count)) ||
        count == 0)
        return -1;
    return indices[0];
}

}  // namespace

TShortText::TShortText(std::string_view text) : text_(tagtext::TruncateAnsi(text, MaxBytes)) {}

void SetWmaTagsMessageHandler(std::function<void(const std::string& text)> handler) {
    g_messageHandler = std::move(handler);
}

void SetWmaTagsLibraryName(std::u16string name) { g_libraryName = std::move(name); }

bool WriteWmaTags(const std::string& path, const TTagsData& tags) {
    if (!IsExistingFile(path)) return false;
    const std::u16string fileName = tagtext::FromAnsi(path);
    if (!IsExistingFile(path)) throw EWmaTagsError("The file\r\n" + path + "\r\ndoes'nt exists!");

    EditorSession session;
    session.library = LoadLibraryW(g_libraryName.c_str());
    const auto create =
        session.library ? reinterpret_cast<WMCreateEditorFn>(GetProcAddress(session.library, "WMCreateEditor"))
                        : nullptr;
    if (!create) {
        // A library without the entry is as unusable as a missing one.
        ShowMessage("Could not Load Library ($0).");
        return false;
    }
    HRESULT hr = create(&session.editor);
    if (FAILED(hr) || !session.editor) {
        session.editor = nullptr;
        throw EWmaTagsError(WithCode("Could not create Metadata Editor ($%08X).", FAILED(hr) ? hr : E_POINTER));
    }
    hr = session.editor->QueryInterface(IID_IWMHeaderInfo3, reinterpret_cast<void**>(&session.header));
    if (FAILED(hr) || !session.header) {
        session.header = nullptr;
        throw EWmaTagsError(WithCode("Could not QI for IWMHeaderInfo3 ($%08X).", FAILED(hr) ? hr : E_POINTER));
    }
    // A file the editor cannot read gets no tags; saying so is better than answering true.
    if (FAILED(session.editor->Open(fileName.c_str()))) return false;
    session.opened = true;

    const auto ansi = [](const TShortText& t) { return tagtext::FromAnsi(t.str()); };
    // Wide fields pass through the code page, as every text the program shows does.
    const auto wide = [](const std::u16string& t) { return tagtext::FromAnsi(tagtext::ToAnsi(t)); };
    const std::pair<const char16_t*, std::u16string> attributes[] = {
        {u"WM/EncodedBy", ansi(tags.EncodedByText)},
        {u"WM/Genre", ansi(tags.GenreText)},
        {u"Author", ansi(tags.AuthorText)},
        {u"WM/Composer", ansi(tags.ComposerText)},
        {u"Title", ansi(tags.TitleText)},
        {u"WM/AlbumTitle", ansi(tags.AlbumTitleText)},
        {u"WM/Year", ansi(tags.YearText)},
        {u"WM/TrackNumber", ansi(tags.TrackNumberText)},
        {u"WM/URL", ansi(tags.UrlText)},
        {u"Copyright", ansi(tags.CopyrightText)},
        {u"Description", wide(tags.DescriptionText)},
        {u"WM/Lyrics", wide(tags.LyricsText)},
    };
    for (const auto& [name, value] : attributes) {
        const int index = FirstAttributeIndex(session.header, name);
        const auto* bytes = reinterpret_cast<const BYTE*>(value.data());
        const DWORD length = static_cast<DWORD>(2 * value.size());
        if (index >= 0) {
            if (!value.empty()) {
                session.header->ModifyAttribute(0, WORD(index), WMT_TYPE_STRING, 0, bytes, length);
            } else {
                session.header->DeleteAttribute(0, WORD(index));
            }
        } else if (length != 0) {
            WORD added = 0;
            session.header->AddAttribute(0, name, &added, WMT_TYPE_STRING, 0, bytes, length);
        }
    }
    hr = session.editor->Flush();
    return SUCCEEDED(hr);
}
