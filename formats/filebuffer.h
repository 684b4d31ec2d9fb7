#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// One block of bytes that a whole file is read into, or written from, in a
// single call.
class CFileBuffer {
public:
    void Free();
    std::string Detach();

    // Reads the whole file; false when it cannot be read or holds no byte.
    bool LoadFile(const std::string& path);
    // Writes the block to a temporary file beside the target and renames it
    // over the target only once every byte is on disk, so a failed save never
    // leaves a truncated file behind. A read-only target is refused; a
    // device, a pipe, a file with several hard links, or a writable file in a
    // folder that is not, is written into in place.
    bool SaveFile(const std::string& path) const;

    bool IsEmpty() const { return m_data.empty(); }
    std::size_t GetSize() const { return m_data.size(); }
    std::string_view View() const { return m_data; }
    // False, with nothing changed, for an empty block.
    bool SetData(std::string data);

    // What went wrong in the last LoadFile or SaveFile, for the user.
    const std::string& LastError() const { return m_error; }

private:
    bool WriteInto(const std::filesystem::path& target, bool regular) const;

    std::string m_data;
    mutable std::string m_error;
};
