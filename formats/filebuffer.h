#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One block of bytes that a whole file is read into, or written from, in a
// single call.
class CFileBuffer {
public:
    void Free();
    std::string Detach();

    // Reads the whole file; false when it cannot be read, holds no byte or
    // is larger than 2 GB.
    bool LoadFile(const std::string& path);
    // Writes the block as the whole file, never leaving it torn
    // (SaveFileSafely). A read-only target is refused.
    bool SaveFile(const std::string& path) const;

    bool IsEmpty() const { return m_data.empty(); }
    std::size_t GetSize() const { return m_data.size(); }
    std::string_view View() const { return m_data; }
    // False, with nothing changed, for an empty block.
    bool SetData(std::string data);

    // What went wrong in the last LoadFile or SaveFile, for the user.
    const std::string& LastError() const { return m_error; }

private:
    bool TooLarge();

    std::string m_data;
    mutable std::string m_error;
};
