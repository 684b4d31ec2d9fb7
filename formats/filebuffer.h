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

    bool IsEmpty() const { return m_data.empty(); }
    std::size_t GetSize() const { return m_data.size(); }
    std::string_view View() const { return m_data; }

    // What went wrong in the last LoadFile, for the user.
    const std::string& LastError() const { return m_error; }

private:
    bool TooLarge();

    std::string m_data;
    std::string m_error;
};
