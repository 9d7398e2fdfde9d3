// FileSink: a file being written, every write checked. Errors (unwritable folder, full
// disk, vanished folder) throw MediaError naming the file and the system's reason.
#pragma once

#include <cstdint>
#include <string>

namespace kez::media {

class FileSink {
public:
    // Creates path, replacing any file of that name.
    explicit FileSink(const std::string& path);
    ~FileSink();  // closes without reporting; call Close to learn of a failure
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void Write(const void* data, std::size_t size);
    // Writes at an absolute offset without moving the append position.
    void WriteAt(std::int64_t offset, const void* data, std::size_t size);
    std::int64_t Size() const { return size_; }
    void Close();
    const std::string& Path() const { return path_; }

private:
    [[noreturn]] void Fail(int err);
    std::string path_;
    int fd_ = -1;
    std::int64_t size_ = 0;
};

}  // namespace kez::media
