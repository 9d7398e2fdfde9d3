// The WMA tag writer: twelve header attributes of a WMA file set, replaced or removed
// through the metadata editor of the media format library, loaded by name per call.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

// 8-bit text (ANSI code page) of at most 255 bytes: a longer text is cut on assignment to
// the characters that fit whole.
class TShortText {
public:
    static constexpr std::size_t MaxBytes = 255;
    TShortText() = default;
    TShortText(std::string_view text);
    TShortText(const std::string& text) : TShortText(std::string_view(text)) {}
    TShortText(const char* text) : TShortText(std::string_view(text ? text : "")) {}
    const std::string& str() const { return text_; }
    bool empty() const { return text_.empty(); }
    operator const std::string&() const { return text_; }

private:
    std::string text_;
};

// One record per call; a new record has every field empty, and an empty field removes its
// attribute from the file.
struct TTagsData {
    TShortText EncodedByText;    // "WM/EncodedBy"
    TShortText GenreText;        // "WM/Genre"
    TShortText AuthorText;       // "Author"
    TShortText TitleText;        // "Title"
    TShortText AlbumTitleText;   // "WM/AlbumTitle"
    TShortText ComposerText;     // "WM/Composer"
    TShortText UrlText;          // "WM/URL"
    TShortText TrackNumberText;  // "WM/TrackNumber"
    TShortText YearText;         // "WM/Year"
    TShortText CopyrightText;    // "Copyright"
    std::u16string DescriptionText;  // "Description"
    std::u16string LyricsText;       // "WM/Lyrics"
};

// Raised by WriteWmaTags with the message for the user.
class EWmaTagsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the record's twelve attributes into the header of the WMA file at `path` (8-bit
// text). False when the path is not an existing file (nothing loaded), when "WMVCORE.DLL"
// cannot be loaded or lacks its entry (after the message "Could not Load Library ($0)."),
// or when the editor cannot open the file or write the header. Raises EWmaTagsError when
// the file vanishes, the editor cannot be created or lacks IWMHeaderInfo3; the file is then
// left as it was. Calls must not overlap.
bool WriteWmaTags(const std::string& path, const TTagsData& tags);

// Where the writer's one message goes (the program shows it in a message box); by default
// it is written to standard error. Pass an empty function to restore that.
void SetWmaTagsMessageHandler(std::function<void(const std::string& text)> handler);

// The module name the writer loads, "WMVCORE.DLL" unless changed (tests use this).
void SetWmaTagsLibraryName(std::u16string name);
