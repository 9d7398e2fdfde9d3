// The one error type of the media core: a text a user can read, naming the file and what
// went wrong. The component modules turn it into error information.
#pragma once

#include <stdexcept>
#include <string>

namespace kez::media {

class MediaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "The file "x" ..." texts, shared so every part words them alike.
std::string Quoted(const std::string& path);
// The text of an errno value, e.g. "No space left on device".
std::string SystemText(int err);

}  // namespace kez::media
