// The language server through its real protocol: a process spawned with
// pipes, framed messages both ways. And the document under the client's
// edits, in the positions the protocol counts.

#include "lspjson.h"
#include "testsupport.h"
#include "textdocument.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;

namespace {

struct EditRow {
    const char* name;
    std::string text;
    TextPosition from, to;
    std::string inserted, expected;
    CTextDocument::Units units = CTextDocument::Units::Utf16;
};

class Edit : public testing::TestWithParam<EditRow> {};

TEST_P(Edit, AppliesAtTheProtocolsPositions) {
    const EditRow& row = GetParam();
    CTextDocument doc(row.text, 1, row.units);
    doc.Replace(row.from, row.to, row.inserted, 2);
    EXPECT_EQ(doc.Text(), row.expected);
    // And back: the position of each character's offset gives the offset
    // (not inside a character or between CR and LF).
    const std::string& text = doc.Text();
    for (std::size_t offset = 0; offset <= text.size(); ++offset) {
        if (offset == text.size() || ((text[offset] & 0xC0) != 0x80 &&
                                      (offset == 0 || text.compare(offset - 1, 2, "\r\n") != 0))) {
            EXPECT_EQ(doc.Offset(doc.Position(offset)), offset) << offset;
        }
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    TextDocument, Edit,
    testing::Values(
        EditRow{"LineEndsOfEveryKind", "a\r\nb\nc\rd", {3, 0}, {3, 1}, "x", "a\r\nb\nc\rx"},
        EditRow{"AcrossLines", "ab\r\ncd", {0, 1}, {1, 1}, "", "ad"},
        EditRow{"AfterAClosingCrLf", "a\r\n", {1, 0}, {1, 0}, "b", "a\r\nb"},
        EditRow{"PastTheEnds", "ab\r\ncd", {0, 9}, {7, 0}, "!", "ab!"},
        EditRow{"Utf16CountsPairs", "\xF0\x9F\x98\x80x\xC3\xA9y", {0, 3}, {0, 4}, "Z",
                "\xF0\x9F\x98\x80xZy"},
        EditRow{"Utf8CountsBytes", "\xC3\xA9y", {0, 2}, {0, 3}, "Z", "\xC3\xA9Z",
                CTextDocument::Units::Utf8}),
    testsupport::RowName());
// clang-format on

// Text goes to the client as UTF-8: valid UTF-8 as it is, anything else
// byte by byte as Windows shows it.
TEST(LspJson, TextIsUtf8) {
    EXPECT_EQ(lsp::Utf8("\xC3\xA9\xF0\x9F\x98\x80"), "\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(lsp::Utf8("\x80\x81\xC3\xA9"), "\xE2\x82\xAC\xC2\x81\xC3\x83\xC2\xA9");
    EXPECT_EQ(lsp::Utf8("\xC3"), "\xC3\x83"); // cut short
}

// zeq lsp in a child process, spoken to as a client does.
class Server : public testsupport::TempFolder {
protected:
    void SetUp() override {
        TempFolder::SetUp();
        int in[2], out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        m_pid = fork();
        if (m_pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[1]);
            close(out[0]);
            execl(ZEQ_TOOL, ZEQ_TOOL, "lsp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        m_to = in[1];
        m_from = out[0];
        std::signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override {
        if (m_to >= 0) close(m_to);
        if (m_pid > 0) waitpid(m_pid, nullptr, 0);
        close(m_from);
        TempFolder::TearDown();
    }

    void Raw(const std::string& bytes) {
        ASSERT_EQ(write(m_to, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void Send(const json& message) {
        const std::string body = message.dump();
        Raw("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    json Request(const std::string& method, const json& params) {
        Send({{"jsonrpc", "2.0"}, {"id", ++m_id}, {"method", method}, {"params", params}});
        return Next([this](const json& m) { return m.contains("id") && m["id"] == m_id; });
    }
    void Notify(const std::string& method, const json& params) {
        Send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    // The next message that `wanted` takes, within 10 s.
    template <typename Wanted> json Next(Wanted wanted) {
        for (;;) {
            const std::size_t end = m_buffer.find("\r\n\r\n");
            if (end != std::string::npos) {
                const std::size_t length = std::stoul(m_buffer.substr(15, end - 15));
                if (m_buffer.size() >= end + 4 + length) {
                    json message = json::parse(m_buffer.substr(end + 4, length));
                    m_buffer.erase(0, end + 4 + length);
                    if (wanted(message)) return message;
                    continue;
                }
            }
            pollfd fd{m_from, POLLIN, 0};
            char chunk[65536];
            // A server that stops answering fails the test, not hangs it. A
            // sanitizer build on a busy machine takes seconds over 10 MB.
            if (poll(&fd, 1, 60000) <= 0) return nullptr;
            const ssize_t got = read(m_from, chunk, sizeof chunk);
            if (got <= 0) return nullptr;
            m_buffer.append(chunk, std::size_t(got));
        }
    }
    json Diagnostics() {
        return Next([](const json& m) {
            return m.value("method", "") == "textDocument/publishDiagnostics";
        })["params"]["diagnostics"];
    }
    void Start() {
        Request("initialize",
                {{"capabilities", json::object()},
                 {"initializationOptions",
                  {{"plans", ZEQ_DATA_DIR "/Plans.dat"}, {"units", ZEQ_DATA_DIR "/Units.dat"}}}});
        Notify("initialized", json::object());
    }
    void Open(const std::string& text) {
        Notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", kUri}, {"languageId", "zeq"}, {"version", 1}, {"text", text}}}});
    }
    int Exit() {
        close(m_to);
        m_to = -1;
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static constexpr const char* kUri = "file:///mod/ai.zeq";
    static json At(int line, int character) {
        return {{"textDocument", {{"uri", kUri}}},
                {"position", {{"line", line}, {"character", character}}}};
    }

private:
    pid_t m_pid = -1;
    int m_to = -1, m_from = -1, m_id = 0;
    std::string m_buffer;
};

const std::string kStart =
    "[Start]\r\nconsClass = \"iu_builder\"\r\nscavClass = \"iu_gatherer\"\r\n";

TEST_F(Server, DiagnosesAndForgetsWhatIsFixed) {
    Start();
    Open(kStart + "[Plan1]\r\nplanType = \"Hold\"\r\n");
    const json found = Diagnostics();
    ASSERT_EQ(found.size(), 1u) << found;
    EXPECT_EQ(found[0]["code"], "plan-not-read");
    EXPECT_EQ(found[0]["range"]["start"]["line"], 3);
    EXPECT_EQ(found[0]["severity"], 1);

    Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}, {"version", 2}}},
                                      {"contentChanges",
                                       {{{"range",
                                          {{"start", {{"line", 5}, {"character", 0}}},
                                           {"end", {{"line", 5}, {"character", 0}}}}},
                                         {"text", "planPriority = 5\r\n"}}}}});
    EXPECT_EQ(Diagnostics(), json::array());

    // A code action for what has an obvious fix: the first for the first
    // diagnostic of its code.
    const auto fix = [this](const std::string& text, const char* code) {
        Open(text);
        for (const json& diagnostic : Diagnostics())
            if (diagnostic["code"] == code)
                return Request("textDocument/codeAction",
                               {{"textDocument", {{"uri", kUri}}},
                                {"range", diagnostic["range"]},
                                {"context", {{"diagnostics", {diagnostic}}}}})["result"][0];
        return json();
    };
    const json unit = fix(kStart + "[Plan1]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n"
                                   "holdType1 = \"iu_bulwrk\"\r\n",
                          "unit-unknown");
    EXPECT_EQ(unit["edit"]["changes"][kUri][0]["newText"], "\"iu_bulwark\"");
    EXPECT_EQ(unit["diagnostics"][0]["range"]["start"]["character"], 12); // the value's own
    const json zero = fix(kStart + "[Plan01]\r\nplanType = \"Hold\"\r\nplanPriority = 5\r\n",
                          "plan-section-leading-zero");
    EXPECT_EQ(zero["title"], "Renumber as [Plan1]");
    EXPECT_EQ(zero["edit"]["changes"][kUri][0]["range"]["start"]["character"], 1); // after '['
    // A byte-order mark is one UTF-16 unit, and goes.
    const json mark = fix("\xEF\xBB\xBF" + kStart, "byte-order-mark");
    EXPECT_EQ(mark["edit"]["changes"][kUri][0]["range"]["end"]["character"], 1); // not 3 bytes
}

TEST_F(Server, CompletesAndTells) {
    Start();
    Open(kStart + "[Plan1]\r\nplanType = \r\nplanPriority = 5\r\n");
    std::vector<std::string> labels;
    const json completion = Request("textDocument/completion", At(4, 11));
    for (const json& item : completion["result"]["items"])
        labels.push_back(item["label"]);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "\"Hold\""), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "\"BuildMinimums\""), labels.end());

    const json hover = Request("textDocument/hover", At(1, 15))["result"];
    EXPECT_NE(hover["contents"]["value"].get<std::string>().find("Builder Rig"), std::string::npos)
        << hover;
    const json outline = Request("textDocument/documentSymbol", At(0, 0))["result"];
    EXPECT_EQ(outline[0]["children"][0]["selectionRange"],
              json::parse(R"({"start":{"line":1,"character":0},"end":{"line":1,"character":9}})"));
    EXPECT_EQ(Request("textDocument/hover", At(0, 2))["result"], nullptr);
}

// A workspace's own catalogs are used, its URI decoded.
TEST_F(Server, UsesTheWorkspacesCatalogs) {
    std::filesystem::create_directory(Path("my mod"));
    Write("my mod/Units.dat", "CreateGroup(\"G\") { AddItem(\"va_x\", \"Mod Unit\"); }");
    const std::string uri = "file://" + Path("my%20mod"); // the folder is "my mod"
    Request("initialize", {{"capabilities", json::object()}, {"rootUri", uri}});
    Notify("initialized", json::object());
    Open("[Start]\r\nconsClass = \"va_x\"\r\n");
    const json hover = Request("textDocument/hover", At(1, 15))["result"];
    EXPECT_NE(hover["contents"]["value"].get<std::string>().find("Mod Unit"), std::string::npos);
}

// A unit class's references and its rename reach the workspace's plan files
// on disk (hidden folders left out) and the open ones as the client holds
// them; only the class's own bytes are edited.
TEST_F(Server, FindsAndRenamesUnitClassesAcrossTheWorkspace) {
    std::filesystem::create_directories(Path("mod/iron"));
    std::filesystem::create_directories(Path("mod/.git"));
    Write("mod/iron/b.zeq", "[Match]\r\ntargetType1 = 'IU_BUILDER' // theirs\r\n");
    Write("mod/.git/c.zeq", "[Start]\r\nconsClass = iu_builder\r\n");
    Request("initialize", {{"capabilities", json::object()},
                           {"rootUri", "file://" + Path("mod")},
                           {"initializationOptions", {{"plans", ZEQ_DATA_DIR "/Plans.dat"}}}});
    Notify("initialized", json::object());
    Open(kStart + "[Plan1]\r\nplanType = \"BuildLoop\"\r\nplanPriority = 1\r\n"
                  "buildType1 = \"iu_builder\"\r\n");
    const json found = Request("textDocument/references", At(1, 17))["result"];
    ASSERT_EQ(found.size(), 3u) << found;
    EXPECT_EQ(found[0]["range"], json::parse(R"({"start":{"line":1,"character":13},)"
                                             R"("end":{"line":1,"character":23}})"));
    EXPECT_EQ(found[1]["range"]["start"]["line"], 6);
    EXPECT_EQ(found[2]["uri"], "file://" + Path("mod/iron/b.zeq"));
    EXPECT_EQ(found[2]["range"]["start"]["character"], 15);
    EXPECT_EQ(Request("textDocument/references", At(0, 2))["result"], json::array());

    json params = At(6, 14);
    params["newName"] = "va_builder";
    const json changes = Request("textDocument/rename", params)["result"]["changes"];
    EXPECT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[kUri].size(), 2u);
    EXPECT_EQ(changes[kUri][1]["newText"], "va_builder");
    params["newName"] = "two words";
    EXPECT_TRUE(Request("textDocument/rename", params).contains("error"));
}

TEST_F(Server, FormatsAsZeqFmt) {
    Start();
    const std::string text = kStart + "[Plan1]\r\nplanType=\"A\"\r\nplanPriority=1\r\n"
                                      "[Plan2]\r\nplanType = \"B\"\r\nplanPriority = 9\r\n";
    Open(text);
    const json edits = Request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}},
                                                           {"options", json::object()}})["result"];
    ASSERT_EQ(edits.size(), 1u);
    const std::string file = Write("a.zeq", text);
    ASSERT_EQ(std::system((std::string(ZEQ_TOOL) + " fmt " + file + " > " + Path("f.zeq")).c_str()),
              0);
    EXPECT_EQ(edits[0]["newText"], Read(Path("f.zeq")));

    std::string lf = text; // a buffer of LF lines is formatted with LF lines
    std::erase(lf, '\r');
    Open(lf);
    const json formatted = Request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}});
    EXPECT_EQ(formatted.dump().find("\\r"), std::string::npos) << formatted;

    Open(text + "// mine\r\n"); // the canonical layout would drop the comment
    EXPECT_NE(
        Request("textDocument/formatting", {{"textDocument", {{"uri", kUri}}}})["error"]["message"]
            .get<std::string>()
            .find("drop"),
        std::string::npos);
}

// Garbage, unknown methods and unopened documents get errors, and the
// server goes on; it exits on shutdown and exit, or when its input closes.
TEST_F(Server, WithstandsBadInput) {
    Raw("hello\r\n\r\nContent-Length: 3\r\n\r\n{{{");
    const auto any = [](const json& m) { return !m.contains("method"); }; // any response
    EXPECT_EQ(Next(any)["error"]["code"], -32700); // and nothing else of the garbage:
    Send({{"jsonrpc", "2.0"}, {"id", 99}, {"method", "textDocument/hover"}, {"params", At(0, 0)}});
    EXPECT_EQ(Next(any), json::parse(R"({"jsonrpc":"2.0","id":99,"error":{"code":-32002,)"
                                     R"("message":"the server is not initialized yet"}})"));
    Start();
    EXPECT_EQ(Request("no/such", json::object())["error"]["code"], -32601);
    EXPECT_EQ(Request("textDocument/hover", At(0, 0))["error"]["code"], -32602);
    EXPECT_EQ(Request("textDocument/hover", {{"position", 3}})["error"]["code"], -32602);
    Open(std::string(10 << 20, '[')); // 10 MB that do not load
    EXPECT_EQ(Diagnostics().size(), 1u);
    Open(""); // no line to point at: the start
    EXPECT_EQ(Diagnostics()[0]["range"], json::parse(R"({"start":{"line":0,"character":0},)"
                                                     R"("end":{"line":0,"character":0}})"));
    EXPECT_EQ(Request("shutdown", nullptr)["result"], nullptr);
    Notify("exit", nullptr);
    EXPECT_EQ(Exit(), 0);
}

TEST_F(Server, ExitsWhenTheInputCloses) {
    Start();
    Raw("Content-Length: 100\r\n\r\n{\"jsonrpc\"");
    EXPECT_EQ(Exit(), 1);
}

// Its client gone without a word (the pipe held open by another process):
// the server goes too.
TEST_F(Server, ExitsWithItsClient) {
    const pid_t client = fork();
    if (client == 0) {
        pause();
        _exit(0);
    }
    Request("initialize", {{"capabilities", json::object()}, {"processId", client}});
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
    EXPECT_TRUE(Next([](const json&) { return false; }).is_null()); // its output closes
    EXPECT_EQ(Exit(), 1);
}

// Only plan files; at most so many findings, errors first; catalogs that
// are missing said to the user and on the file.
TEST_F(Server, KeepsToPlanFilesAndWithinLimits) {
    Start();
    Notify(
        "workspace/didChangeConfiguration",
        json::parse(
            R"({"settings":{"plans":"nowhere/Plans.dat","maxDiagnostics":2,"units":")" ZEQ_DATA_DIR
            "/Units.dat\"}}"));
    const json told =
        Next([](const json& m) { return m.value("method", "") == "window/showMessage"; });
    EXPECT_NE(told.dump().find("plan types are not checked"), std::string::npos) << told;
    Notify("textDocument/didOpen",
           json::parse(R"({"textDocument":{"uri":"file:///mod/a-notes.txt",)"
                       R"("languageId":"plaintext","text":"[Plan1]\n"}})"));
    Open("[Start]\r\nconsClass = \"iu_x\"\r\nscavClass = \"iu_y\"\r\n[Plan1]\r\n");
    std::string codes; // of the first published: the notes sort first
    for (const json& d : Diagnostics())
        codes += d["code"].get<std::string>() + " ";
    EXPECT_EQ(codes, "plan-not-read unit-unknown more-findings no-plan-types ");
}

} // namespace
