#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Messages framed as the Language Server Protocol frames them
// ("Content-Length: N" headers, an empty line, then N bytes of JSON) over
// standard input and output, unbuffered, so that waiting for input can time
// out (the server's pause before it checks a changed document).
class CLspTransport {
public:
    CLspTransport();

    enum class Status {
        Message,   // `body` holds one message
        Timeout,   // nothing whole came in time
        Closed,    // the input ended (or cannot be read)
        Malformed, // a header without a usable Content-Length; skipped
    };
    // Waits up to `timeoutMs` (forever when negative) for a whole message.
    Status Read(std::string& body, int timeoutMs);
    // Frames and writes one message; false when the output is gone.
    bool Write(std::string_view body);
    // One message whose body is these parts, one after the other.
    bool Write(std::initializer_list<std::string_view> body);

private:
    // Reads what is there, waiting up to `timeoutMs`; false at the end of
    // input or on a timeout (`closed` tells which).
    bool Fill(int timeoutMs, bool& closed);
    bool WriteAll(std::string_view bytes);

    std::string m_buffer;
};
