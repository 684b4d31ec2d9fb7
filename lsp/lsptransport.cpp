#include "lsptransport.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

// Headers past this size without their end are not the protocol's.
constexpr std::size_t kMostHeader = 8192;
// A message past this size is refused rather than waited for.
constexpr std::size_t kMostBody = std::size_t(512) << 20;

// The value of a header line "Name: value", names compared without case.
bool HeaderValue(std::string_view line, std::string_view name, std::string_view& value) {
    if (line.size() <= name.size() || line[name.size()] != ':') return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) !=
            std::tolower(static_cast<unsigned char>(name[i])))
            return false;
    value = line.substr(name.size() + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    return true;
}

} // namespace

CLspTransport::CLspTransport() {
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
}

bool CLspTransport::Fill(int timeoutMs, bool& closed) {
    closed = false;
    char chunk[65536];
#if defined(_WIN32)
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    // A pipe says how much is waiting; anything else is read as it comes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(in, nullptr, 0, nullptr, &waiting, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE) {
                closed = true;
                return false;
            }
            break; // not a pipe: a blocking read
        }
        if (waiting > 0) break;
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(5);
    }
    DWORD got = 0;
    if (!ReadFile(in, chunk, sizeof chunk, &got, nullptr) || got == 0) {
        closed = true;
        return false;
    }
    m_buffer.append(chunk, got);
    return true;
#else
    pollfd in{0, POLLIN, 0};
    int ready;
    do
        ready = poll(&in, 1, timeoutMs);
    while (ready < 0 && errno == EINTR);
    if (ready == 0) return false;
    ssize_t got;
    do
        got = read(0, chunk, sizeof chunk);
    while (got < 0 && errno == EINTR);
    if (got <= 0) {
        closed = true;
        return false;
    }
    m_buffer.append(chunk, std::size_t(got));
    return true;
#endif
}

CLspTransport::Status CLspTransport::Read(std::string& body, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = m_buffer.find("\r\n\r\n");
        if (end != std::string::npos) {
            // The headers: only Content-Length matters.
            std::size_t length = std::string::npos;
            std::string_view headers(m_buffer.data(), end);
            while (!headers.empty()) {
                const std::size_t lineEnd = std::min(headers.find("\r\n"), headers.size());
                std::string_view value;
                if (HeaderValue(headers.substr(0, lineEnd), "Content-Length", value)) {
                    char* stop = nullptr;
                    const std::string digits(value);
                    const unsigned long long n = std::strtoull(digits.c_str(), &stop, 10);
                    if (!digits.empty() && *stop == '\0' && digits[0] != '-' && n <= kMostBody)
                        length = std::size_t(n);
                }
                headers.remove_prefix(std::min(lineEnd + 2, headers.size()));
            }
            if (length == std::string::npos) {
                m_buffer.erase(0, end + 4);
                return Status::Malformed;
            }
            if (m_buffer.size() >= end + 4 + length) {
                // The usual case, a buffer of one message, hands its bytes over.
                if (m_buffer.size() == end + 4 + length) {
                    body = std::move(m_buffer);
                    body.erase(0, end + 4);
                    m_buffer = std::string();
                } else {
                    body.assign(m_buffer, end + 4, length);
                    m_buffer.erase(0, end + 4 + length);
                }
                return Status::Message;
            }
            m_buffer.reserve(end + 4 + length); // grown once for a large message
        } else if (m_buffer.size() > kMostHeader) {
            m_buffer.clear();
            return Status::Malformed;
        }
        int wait = timeoutMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            wait = int(std::max<long long>(0, left.count()));
        }
        bool closed = false;
        if (!Fill(wait, closed)) return closed ? Status::Closed : Status::Timeout;
    }
}

bool CLspTransport::Write(std::string_view body) {
    return Write({body});
}

bool CLspTransport::Write(std::initializer_list<std::string_view> body) {
    // The header, then each part where it stands: a large answer is not copied.
    std::size_t size = 0;
    for (std::string_view part : body)
        size += part.size();
    const std::string header = "Content-Length: " + std::to_string(size) + "\r\n\r\n";
    if (!WriteAll(header)) return false;
    for (std::string_view part : body)
        if (!WriteAll(part)) return false;
    return true;
}

bool CLspTransport::WriteAll(std::string_view bytes) {
    const char* at = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
#if defined(_WIN32)
        DWORD wrote = 0;
        if (!WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), at, DWORD(left), &wrote, nullptr) ||
            wrote == 0)
            return false;
#else
        const ssize_t wrote = write(1, at, left);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
#endif
        at += wrote;
        left -= std::size_t(wrote);
    }
    return true;
}
