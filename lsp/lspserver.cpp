#include "lspserver.h"

#include "filebuffer.h"
#include "filepath.h"
#include "modfolder.h"
#include "planassist.h"
#include "planfeatures.h"
#include "sectionfile.h"
#include "unitclassrename.h"
#include "zeqversion.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <deque>
#include <filesystem>
#include <set>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <sys/types.h>
#endif

using lsp::Json;

namespace {

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700, kInvalidRequest = -32600, kMethodNotFound = -32601,
              kInvalidParams = -32602, kInternalError = -32603, kNotInitialized = -32002,
              kRequestFailed = -32803;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The file path of a file: URI ("file:///c%3A/mods/a.zeq" is c:/mods/a.zeq
// on Windows); empty for any other URI.
std::string PathOfUri(const std::string& uri) {
    if (uri.rfind("file://", 0) != 0) return {};
    std::string path;
    for (std::size_t i = 7; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 &&
            HexDigit(uri[i + 2]) >= 0) {
            path += char(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2]));
            i += 2;
        } else {
            path += uri[i];
        }
    }
    const std::size_t slash = path.find('/');
    path = slash == std::string::npos ? std::string() : path.substr(slash); // drop an authority
#if defined(_WIN32)
    if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
#endif
    return path;
}

// A file: URI of a path, as clients write them.
std::string UriOfPath(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    if (!path.starts_with('/')) uri += '/'; // C:/mods on Windows
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || std::string_view("-._~/").find(c) != std::string_view::npos) {
            uri += c;
        } else if (c == '\\') {
            uri += '/';
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

// Whether a process runs: a client that died without closing the pipe (its
// children inherited it) would leave the server running for good.
bool ProcessRuns(long long pid) {
#if defined(_WIN32)
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
#else
    return kill(pid_t(pid), 0) == 0 || errno == EPERM;
#endif
}

constexpr auto kParentCheck = std::chrono::seconds(1);
// Room kept for the next message after a larger one has been read.
constexpr std::size_t kKeptBody = std::size_t(1) << 20;

bool IsPlanFile(const std::string& uri, const std::string& languageId) {
    if (languageId == "zeq") return true;
    if (uri.size() < 4) return false;
    std::string ext = uri.substr(uri.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](char c) { return char(c | 0x20); });
    return ext == ".zeq";
}

} // namespace

CLspServer::CLspServer(CLspTransport& transport, Options options)
    : m_transport(transport), m_options(std::move(options)) {}

void CLspServer::Send(const Json& message) {
    // Bytes that are not UTF-8 would stop the dump; they are replaced.
    if (!m_transport.Write(message.dump(-1, ' ', false, Json::error_handler_t::replace)))
        m_exit = true; // the client is gone
}

void CLspServer::Log(const std::string& text, int type) {
    Send({{"jsonrpc", "2.0"},
          {"method", "window/logMessage"},
          {"params", {{"type", type}, {"message", lsp::Utf8(text)}}}});
}

int CLspServer::Run() {
#if !defined(_WIN32)
    std::signal(SIGPIPE, SIG_IGN); // a client that is gone is a failed write, not a kill
#endif
    std::string body;
    while (!m_exit) {
        using std::chrono::milliseconds;
        const auto now = std::chrono::steady_clock::now();
        if (m_parent > 0 && now - m_parentCheckedAt >= kParentCheck) {
            if (!ProcessRuns(m_parent)) return 1;
            m_parentCheckedAt = now;
        }
        long long timeout = -1;
        if (!m_due.empty())
            timeout = std::max<long long>(
                0, std::chrono::duration_cast<milliseconds>(m_dueAt - now).count());
        if (m_parent > 0) {
            const long long check = std::max<long long>(
                0, std::chrono::duration_cast<milliseconds>(m_parentCheckedAt + kParentCheck - now)
                       .count());
            timeout = timeout < 0 ? check : std::min(timeout, check);
        }
        switch (m_transport.Read(body, int(timeout))) {
        case CLspTransport::Status::Message: {
            Json message;
            try {
                message = Json::parse(body);
            } catch (const Json::exception& e) {
                Send({{"jsonrpc", "2.0"},
                      {"id", nullptr},
                      {"error", {{"code", kParseError}, {"message", std::string(e.what())}}}});
                break;
            }
            Handle(message);
            // A document's text is let go, not kept as room for the next message.
            if (body.capacity() > kKeptBody) std::string().swap(body);
            break;
        }
        case CLspTransport::Status::Malformed:
            Log("zeq lsp: a message without a Content-Length header was skipped", 1);
            break;
        case CLspTransport::Status::Timeout:
            break;
        case CLspTransport::Status::Closed:
            return m_shutdown ? 0 : 1;
        }
        if (!m_due.empty() && std::chrono::steady_clock::now() >= m_dueAt) PublishDue();
    }
    return m_shutdown ? 0 : 1;
}

void CLspServer::Handle(Json& message) {
    if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
        if (message.is_object() && message.contains("id") && !message.contains("method"))
            return; // a response to a request of ours
        Send({{"jsonrpc", "2.0"},
              {"id", message.is_object() && message.contains("id") ? message["id"] : Json()},
              {"error", {{"code", kInvalidRequest}, {"message", "not a JSON-RPC request"}}}});
        return;
    }
    const std::string method = message["method"];
    // Taken out of the message, not copied: a document's whole text may be in it.
    Json params = message.contains("params") ? std::move(message["params"]) : Json::object();
    if (!message.contains("id")) {
        try {
            Notification(method, params);
        } catch (const Json::exception& e) {
            Log("zeq lsp: " + method + ": " + e.what(), 1);
        } catch (const Failure& f) {
            Log("zeq lsp: " + method + ": " + f.message, 1);
        }
        return;
    }
    Json reply = {{"jsonrpc", "2.0"}, {"id", message["id"]}};
    std::string raw; // a result given as JSON text already
    try {
        if (!m_initialized && method != "initialize")
            throw Failure{kNotInitialized, "the server is not initialized yet"};
        if (m_shutdown) throw Failure{kInvalidRequest, "the server is shutting down"};
        reply["result"] = Request(method, params, raw);
    } catch (const Failure& f) {
        reply["error"] = {{"code", f.code}, {"message", lsp::Utf8(f.message)}};
    } catch (const Json::exception& e) {
        reply["error"] = {{"code", kInvalidParams}, {"message", std::string(e.what())}};
    } catch (const std::exception& e) {
        reply["error"] = {{"code", kInternalError}, {"message", std::string(e.what())}};
    }
    if (raw.empty() || reply.contains("error")) return Send(reply);
    reply.erase("result");
    std::string head = reply.dump();
    head.back() = ','; // for its closing brace, the result and one after it
    if (!m_transport.Write({head, "\"result\":", raw, "}"})) m_exit = true;
}

Json CLspServer::Initialize(const Json& params) {
    // UTF-8 positions when the client takes them; UTF-16 is the default.
    const Json encodings = params.value("capabilities", Json::object())
                               .value("general", Json::object())
                               .value("positionEncodings", Json::array());
    const bool utf8 = std::find(encodings.begin(), encodings.end(), "utf-8") != encodings.end();
    m_units = utf8 ? CTextDocument::Units::Utf8 : CTextDocument::Units::Utf16;
    if (params.contains("workspaceFolders") && params["workspaceFolders"].is_array())
        for (const Json& folder : params["workspaceFolders"])
            m_workspaceFolders.push_back(PathOfUri(folder.value("uri", "")));
    else if (params.contains("rootUri") && params["rootUri"].is_string())
        m_workspaceFolders.push_back(PathOfUri(params["rootUri"]));
    std::erase(m_workspaceFolders, std::string());
    if (params.contains("processId") && params["processId"].is_number_integer())
        m_parent = params["processId"].get<long long>();
    m_parentCheckedAt = std::chrono::steady_clock::now();
    m_initialized = true;
    Configure(params.value("initializationOptions", Json::object()));
    return {{"capabilities",
             {{"positionEncoding", utf8 ? "utf-8" : "utf-16"},
              {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
              {"completionProvider", {{"triggerCharacters", {"[", "=", " ", "\""}}}},
              {"hoverProvider", true},
              {"documentSymbolProvider", true},
              {"documentFormattingProvider", true},
              {"foldingRangeProvider", true},
              {"referencesProvider", true},
              {"renameProvider", true},
              {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}}},
            {"serverInfo", {{"name", "zeq"}, {"version", ZEQ_VERSION}}}};
}

void CLspServer::Configure(const Json& settings) {
    // {"zeq": {"plans": ..., "units": ...}} or the inner object itself.
    const Json& zeq = settings.is_object() && settings.contains("zeq") ? settings["zeq"] : settings;
    if (!zeq.is_object()) return;
    auto text = [&zeq](const char* key) {
        return zeq.contains(key) && zeq[key].is_string() ? zeq[key].get<std::string>() : "";
    };
    m_plansSetting = text("plans");
    m_unitsSetting = text("units");
    if (zeq.contains("maxDiagnostics") && zeq["maxDiagnostics"].is_number_unsigned())
        m_maxDiagnostics = zeq["maxDiagnostics"].get<std::size_t>();
    FindCatalogs();
}

void CLspServer::FindCatalogs() {
    // A setting's relative path is the workspace's.
    auto resolve = [this](const std::string& setting) {
        if (setting.empty() || m_workspaceFolders.empty()) return setting;
        const std::filesystem::path path = PathFromUtf8(setting);
        return path.is_absolute() ? setting
                                  : Utf8FromPath(PathFromUtf8(m_workspaceFolders.front()) / path);
    };
    std::vector<std::string> folders = m_workspaceFolders;
    folders.insert(folders.end(), m_options.catalogFolders.begin(), m_options.catalogFolders.end());
    m_catalogs.Find(folders, resolve(m_plansSetting), resolve(m_unitsSetting));
    std::string trouble; // for the user, not only the log: checks are off
    for (const std::string& note : m_catalogs.Notes()) {
        Log("zeq lsp: cannot read " + note, 2);
        trouble += "Cannot read " + note + ". ";
    }
    Log("zeq lsp: plan types from " +
        (m_catalogs.PlansPath().empty() ? std::string("nowhere (no Plans.dat found)")
                                        : m_catalogs.PlansPath()) +
        ", units from " +
        (m_catalogs.UnitsPath().empty() ? std::string("nowhere (no Units.dat found)")
                                        : m_catalogs.UnitsPath()));
    if (m_catalogs.PlansPath().empty())
        trouble += "No Plans.dat was found: plan types are not checked. ";
    if (m_catalogs.UnitsPath().empty())
        trouble += "No Units.dat was found: unit classes are not checked. ";
    if (!trouble.empty()) {
        trouble.pop_back();
        Send({{"jsonrpc", "2.0"},
              {"method", "window/showMessage"},
              {"params", {{"type", 2}, {"message", lsp::Utf8("zeq: " + trouble)}}}});
    }
    for (const auto& [uri, doc] : m_documents)
        m_due.insert(uri);
    m_dueAt = std::chrono::steady_clock::now();
}

Json CLspServer::UnitClassPlaces(const Json& params, const std::string* newName) {
    const CPlanManager* types = m_catalogs.PlanTypes();
    const CTextDocument& here = Document(params);
    const TextPosition at = lsp::ToPosition(params.at("position"));
    const std::size_t column = here.Offset(at) - here.Offset({at.line, 0});
    std::string unitClass;
    for (const auto& use : CUnitClassRename::Uses(here.Text(), types))
        if (std::size_t(use.line) == at.line + 1 && column >= use.start && column <= use.end)
            unitClass = use.unitClass;
    if (unitClass.empty()) {
        if (newName) throw Failure{kRequestFailed, "Only a unit class is renamed here"};
        return Json::array();
    }
    std::string error;
    if (newName && !CUnitClassRename().Add(unitClass, *newName, error))
        throw Failure{kInvalidParams, error};

    // The open documents, then the workspace's other plan files as saved.
    std::vector<std::pair<std::string, const CTextDocument*>> texts;
    std::set<std::string> openPaths; // as the folder listing names them: '\\' on Windows
    const auto same = [](const std::string& path) {
        return Utf8FromPath(PathFromUtf8(path).lexically_normal());
    };
    for (const auto& [uri, doc] : m_documents) {
        texts.emplace_back(uri, &doc);
        openPaths.insert(same(PathOfUri(uri)));
    }
    std::deque<CTextDocument> saved;
    for (const std::string& folder : m_workspaceFolders)
        for (const std::string& path : PlanFilesUnder(folder, error)) {
            CFileBuffer buffer;
            if (openPaths.count(same(path)) || !buffer.LoadFile(path)) continue;
            saved.emplace_back(lsp::Utf8(buffer.View()), 0, m_units);
            texts.emplace_back(UriOfPath(path), &saved.back());
        }

    Json locations = Json::array(), changes = Json::object();
    for (const auto& [uri, doc] : texts)
        for (const auto& use : CUnitClassRename::Uses(doc->Text(), types)) {
            if (!NamesEqual(use.unitClass, unitClass)) continue;
            const std::size_t line = doc->Offset({std::size_t(use.line - 1), 0});
            const Json range = lsp::Range(*doc, line + use.start, line + use.end);
            if (newName)
                changes[uri].push_back({{"range", range}, {"newText", *newName}});
            else
                locations.push_back({{"uri", uri}, {"range", range}});
        }
    return newName ? Json{{"changes", changes}} : locations;
}

CTextDocument& CLspServer::Document(const Json& params) {
    const std::string uri = params.at("textDocument").at("uri");
    const auto it = m_documents.find(uri);
    if (it == m_documents.end()) throw Failure{kInvalidParams, "the document is not open: " + uri};
    return it->second;
}

Json CLspServer::Request(const std::string& method, const Json& params, std::string& raw) {
    if (method == "initialize") {
        if (m_initialized) throw Failure{kInvalidRequest, "the server is initialized already"};
        return Initialize(params);
    }
    if (method == "shutdown") {
        m_shutdown = true;
        return nullptr;
    }
    if (Ignored(params)) return nullptr;
    const CPlanManager* types = m_catalogs.PlanTypes();
    const CUnitList* units = m_catalogs.Units();
    if (method == "textDocument/completion")
        return CPlanAssist(Document(params), types, units)
            .Completion(lsp::ToPosition(params.at("position")));
    if (method == "textDocument/hover")
        return CPlanAssist(Document(params), types, units)
            .Hover(lsp::ToPosition(params.at("position")));
    if (method == "textDocument/documentSymbol") {
        raw = CPlanFeatures(Document(params), types, units).Symbols();
        return nullptr;
    }
    if (method == "textDocument/foldingRange")
        return CPlanFeatures(Document(params), types, units).Folding();
    if (method == "textDocument/codeAction")
        return CPlanFeatures(Document(params), types, units)
            .CodeActions(params.at("textDocument").at("uri"),
                         params.value("context", Json::object()).value("diagnostics", Json()));
    if (method == "textDocument/references") return UnitClassPlaces(params, nullptr);
    if (method == "textDocument/rename") {
        const std::string newName = params.at("newName");
        return UnitClassPlaces(params, &newName);
    }
    if (method == "textDocument/formatting") {
        Json edits;
        std::string why;
        if (!CPlanFeatures(Document(params), types, units).Formatting(edits, why))
            throw Failure{kRequestFailed, "Not formatted: " + why};
        return edits;
    }
    throw Failure{kMethodNotFound, "zeq lsp does not serve " + method};
}

void CLspServer::Notification(const std::string& method, Json& params) {
    if (method == "exit") {
        m_exit = true;
        return;
    }
    if (!m_initialized) return; // notifications before initialize are dropped
    if (method == "textDocument/didOpen") {
        Json& doc = params.at("textDocument");
        const std::string uri = doc.at("uri");
        if (!IsPlanFile(uri, doc.value("languageId", ""))) {
            m_ignored.insert(uri);
            return;
        }
        m_documents.insert_or_assign(
            uri, CTextDocument(std::move(doc.at("text").get_ref<std::string&>()),
                               doc.value("version", 0LL), m_units));
        m_due.insert(uri);
        m_dueAt = std::chrono::steady_clock::now(); // at once
    } else if (method == "textDocument/didChange") {
        if (!Ignored(params)) Change(params);
    } else if (method == "textDocument/didClose") {
        const std::string uri = params.at("textDocument").at("uri");
        if (m_ignored.erase(uri) > 0) return;
        m_documents.erase(uri);
        m_due.erase(uri);
        Send({{"jsonrpc", "2.0"},
              {"method", "textDocument/publishDiagnostics"},
              {"params", {{"uri", uri}, {"diagnostics", Json::array()}}}});
    } else if (method == "workspace/didChangeConfiguration") {
        Configure(params.value("settings", Json::object()));
    } else if (method == "workspace/didChangeWatchedFiles") {
        if (m_catalogs.Refresh()) FindCatalogs();
    }
    // Others ($/cancelRequest, $/setTrace, didSave...) need nothing.
}

bool CLspServer::Ignored(const Json& params) const {
    if (m_ignored.empty() || !params.is_object() || !params.contains("textDocument")) return false;
    const Json& doc = params["textDocument"];
    return doc.is_object() && doc.contains("uri") && doc["uri"].is_string() &&
           m_ignored.count(doc["uri"].get<std::string>()) > 0;
}

void CLspServer::Change(const Json& params) {
    CTextDocument& doc = Document(params);
    const long long version = params.at("textDocument").value("version", doc.Version());
    for (const Json& change : params.at("contentChanges")) {
        const std::string text = change.at("text");
        if (change.contains("range"))
            doc.Replace(lsp::ToPosition(change["range"].at("start")),
                        lsp::ToPosition(change["range"].at("end")), text, version);
        else
            doc.SetText(text, version);
    }
    m_due.insert(params["textDocument"]["uri"].get<std::string>());
    m_dueAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(m_options.pauseMs);
}

void CLspServer::PublishDue() {
    // A catalog changed on disk: every open document is checked again.
    if (m_catalogs.Refresh()) {
        Log("zeq lsp: a catalog changed on disk and was read again");
        for (const auto& [uri, doc] : m_documents)
            m_due.insert(uri);
    }
    const std::set<std::string> due = std::move(m_due);
    m_due.clear();
    for (const std::string& uri : due)
        Publish(uri);
}

void CLspServer::Publish(const std::string& uri) {
    const auto it = m_documents.find(uri);
    if (it == m_documents.end()) return;
    const CTextDocument& doc = it->second;
    Send({{"jsonrpc", "2.0"},
          {"method", "textDocument/publishDiagnostics"},
          {"params",
           {{"uri", uri},
            {"version", doc.Version()},
            {"diagnostics", CPlanFeatures(doc, m_catalogs.PlanTypes(), m_catalogs.Units())
                                .Diagnostics(m_maxDiagnostics)}}}});
}
