#pragma once

#include "catalogs.h"
#include "lspjson.h"
#include "lsptransport.h"

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <vector>

// A language server for plan files (LSP 3.17) over a transport: documents
// kept in step with the client's edits, zeq check's findings published a
// moment after the typing stops, completion, hover, outline, folds,
// formatting and quick fixes, with the catalogs found as the editor finds
// them, the workspace's first. Only plan files (".zeq", or the "zeq"
// language) are served; other documents a client sends are let be. One
// thread; nothing the client sends brings it down: a bad message gets an
// error response or a log line. It ends with the client's process, when
// told which that is.
class CLspServer {
public:
    struct Options {
        // Where Plans.dat and Units.dat are looked for after the workspace's
        // folders: the working folder, beside the program, the installed data.
        std::vector<std::string> catalogFolders;
        int pauseMs = 200; // after a change, before the diagnostics
    };

    CLspServer(CLspTransport& transport, Options options);
    // Serves until `exit` or the end of input: 0 after a shutdown request, else 1.
    int Run();

private:
    struct Failure {
        int code;
        std::string message;
    };

    void Handle(lsp::Json& message);
    // The result; or nothing, with `raw` set to the result's JSON text.
    lsp::Json Request(const std::string& method, const lsp::Json& params, std::string& raw);
    void Notification(const std::string& method, lsp::Json& params);
    lsp::Json Initialize(const lsp::Json& params);
    // The unit class at a place of an open document, and every place in the
    // workspace's plan files (the open ones as the client holds them) that
    // names it: as locations, or as the edits that rename it.
    lsp::Json UnitClassPlaces(const lsp::Json& params, const std::string* newName);
    void Change(const lsp::Json& params);
    void Configure(const lsp::Json& settings);
    void FindCatalogs();
    CTextDocument& Document(const lsp::Json& params);
    void PublishDue();
    void Publish(const std::string& uri);
    bool Ignored(const lsp::Json& params) const;

    void Send(const lsp::Json& message);
    void Log(const std::string& text, int type = 3);

    CLspTransport& m_transport;
    Options m_options;
    std::map<std::string, CTextDocument> m_documents; // by URI
    std::set<std::string> m_ignored;                  // open, but no plan files
    std::set<std::string> m_due;                      // whose diagnostics are due
    std::chrono::steady_clock::time_point m_dueAt;
    CCatalogs m_catalogs;
    std::vector<std::string> m_workspaceFolders;
    std::string m_plansSetting, m_unitsSetting;
    std::size_t m_maxDiagnostics = 1000; // per document
    long long m_parent = 0;              // the client's process; 0: not told
    std::chrono::steady_clock::time_point m_parentCheckedAt;
    CTextDocument::Units m_units = CTextDocument::Units::Utf16;
    bool m_initialized = false, m_shutdown = false, m_exit = false;
};
