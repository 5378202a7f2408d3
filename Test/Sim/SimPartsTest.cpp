// Parts of the simulator program on their own: the terminal progress bar, choosing by number or
// text, what the simulated page sends, the web application's data file, the loopback file server
// and the palette picture's HTML.

#include "SimProgram.hpp"

#include "Support/TempDir.hpp"

#include <Page/PageRequests.hpp>
#include <Page/StaticFileServer.hpp>
#include <Page/WebAppData.hpp>
#include <Pictures/PaletteHtml.hpp>
#include <Run/ChoiceText.hpp>
#include <Run/ProgressBar.hpp>
#include <Run/StepFailure.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>

namespace SimTest {
namespace {

using namespace VantrelSim::Tool;
using ::testing::Not;
using ::testing::StartsWith;
using ::testing::ThrowsMessage;

TEST(SimParts, ProgressBarFillsInProportionAndChoicesMatchWholeTextFirst) {
    VantrelSim::ProgressState state;
    state.title = "Enumerating elements";
    state.phases = 20;
    state.steps = 5;
    state.current = "Walls";
    EXPECT_EQ(ProgressBar::Render(state, 10), "Enumerating elements [##--------] 5/20  Walls");
    state.steps = 40; // a window that was advanced past its count stays full
    state.current = "";
    EXPECT_EQ(ProgressBar::Render(state, 4), "Enumerating elements [####] 20/20");
    state.phases = 0;
    EXPECT_EQ(ProgressBar::Render(state, 4), "Enumerating elements [----] 40");

    const std::vector<QB::UniString> texts = {"Stand-in Work Sections (3)", "Stand-in (2024)", "Stand-in"};
    EXPECT_EQ(MatchChoice(std::string("stand-in"), texts), 3);
    EXPECT_EQ(MatchChoice(std::string("Stand-in Work"), texts), 1);
    EXPECT_EQ(MatchChoice(QB::Int32{2}, texts), 2);
    EXPECT_EQ(MatchChoice(QB::Int32{4}, texts), std::nullopt);
    EXPECT_EQ(MatchChoice(std::string("Other"), texts), std::nullopt);
    EXPECT_EQ(ListOfTexts({"OK", "Cancel"}), "\"OK\", \"Cancel\"");
}

TEST(SimParts, WebApplicationDataIsReadAndItsClausesAreSentAsTheApplicationSendsThem) {
    const WebAppData data = WebAppData::Load(SourceDir() / "WebApp" / "data.json");
    const WebAppSpecification* specification = data.FindSpecification("S-2001");
    ASSERT_NE(specification, nullptr);
    EXPECT_EQ(specification->projectTitle, "Riverside Library");
    ASSERT_NE(specification->FindClause("C-3001"), nullptr);
    EXPECT_EQ(specification->FindClause("C-3001")->code, "A10");

    TestSupport::TempDir folder("sim-webapp");
    WriteFile(
        folder / "data.json",
        R"({"users": [], "projects": [], "specifications": [{"id": "S", "clauses": [{"id": "C"}, 7]}]})");
    EXPECT_THAT([&] { WebAppData::Load(folder / "data.json"); },
                ThrowsMessage<WebAppDataError>(
                    HasSubstr("data.json: /specifications/0/clauses/1: must be an object")));

    // Clause properties are sent as the web application sends them.
    const WebAppSpecification sent{"S-1", "P-1", "Library", "Spec", "Sys", {}};
    const WebAppClause clause{"C-1", "A10", "Walls \"outer\"", "", "[x]"};
    EXPECT_EQ(
        ClausePropertiesJson(sent, clause),
        R"~({"ArdoTesselProjectId":"P-1","ArdoTesselSpecificationId":"S-1","ArdoTesselClauseId":"C-1",)~"
        R"~("ArdoTesselCode":"A10","ArdoTesselTitle":"Walls \"outer\"","ArdoTesselPrefix":"",)~"
        R"~("ArdoTesselSuffix":"[x]"})~");
    EXPECT_EQ(Edited(clause, std::nullopt, std::string("New"), std::nullopt).prefix, "New");
    // A text that ends a JavaScript string or line must stay inside its literal.
    EXPECT_EQ(JsString("a\"b\u2028c</script>"), "\"a\\\"b\\u2028c</script>\"");
    EXPECT_THROW(RequireClause(sent, "C-9"), StepFailure);
}

// One request on a fresh connection; the whole answer.
std::string Fetch(std::uint16_t port, const std::string& request) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(socket);
        return "no connection";
    }
    ::send(socket, request.data(), request.size(), 0);
    std::string answer;
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = ::recv(socket, buffer.data(), buffer.size(), 0)) > 0) {
        answer.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(socket);
    return answer;
}

TEST(SimParts, FileServerServesItsFolderOnlyAndLeavesIdleConnectionsAside) {
    TestSupport::TempDir root("sim-server");
    std::filesystem::create_directories(root / "site");
    WriteFile(root / "site" / "index.html", "<p>stand-in</p>");
    WriteFile(root / "site" / "data.json", "{}");
    WriteFile(root / "secret.txt", "not served");
    const StaticFileServer server(root / "site");
    EXPECT_THAT(server.BaseURL(), StartsWith("http://127.0.0.1:"));

    // A browser's idle preconnection must not hold up the requests after it.
    const int idle = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(server.Port());
    ASSERT_EQ(::connect(idle, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    const std::string index = Fetch(server.Port(), "GET / HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_THAT(index, StartsWith("HTTP/1.1 200 OK\r\n"));
    EXPECT_THAT(index, HasSubstr("Content-Type: text/html; charset=utf-8"));
    EXPECT_THAT(index, HasSubstr("\r\n\r\n<p>stand-in</p>"));
    EXPECT_THAT(Fetch(server.Port(), "GET /data.json?x=1 HTTP/1.1\r\n\r\n"), HasSubstr("application/json"));
    EXPECT_THAT(Fetch(server.Port(), "GET /../secret.txt HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 400"));
    EXPECT_THAT(Fetch(server.Port(), "GET /%2e%2e/secret.txt HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 400"));
    EXPECT_THAT(Fetch(server.Port(), "GET /missing.js HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 404"));
    EXPECT_THAT(Fetch(server.Port(), "POST / HTTP/1.1\r\n\r\n"), StartsWith("HTTP/1.1 405"));
    EXPECT_THAT(Fetch(server.Port(), "HEAD / HTTP/1.1\r\n\r\n"), Not(HasSubstr("stand-in")));
    ::close(idle);
}

TEST(SimParts, PaletteHtmlPlacesItemsWithTheirStatesAndKeepsTextsAsText) {
    PaletteHtmlInputs inputs;
    inputs.layoutJson = R"({"kind": "rollDownPalette", "title": "Palette <1.3>", "width": 300, "height": 200,
        "itemsEnabled": true, "panels": [
          {"index": 1, "title": "Workflow Issues: 1", "icon": {"id": 7, "exists": true}, "expanded": true,
           "active": true, "y": 0, "page": {"y": 22, "height": 120, "itemsEnabled": true, "items": [
             {"index": 1, "kind": "listBox", "x": 3, "y": 1, "width": 290, "height": 100, "enabled": true,
              "visible": true, "rowHeight": 18, "scrollBarWidth": 15, "selected": 1, "scrollPosition": 1,
              "rows": [[{"text": "<b>walls</b>", "icon": {"id": 7, "exists": true}}]]},
             {"index": 2, "kind": "iconButton", "x": 3, "y": 103, "width": 38, "height": 26, "enabled": false,
              "visible": true, "text": "", "icon": {"id": 9, "exists": false}, "helpText": "Select"}]}},
          {"index": 2, "title": "Other", "icon": null, "expanded": false, "active": false, "y": 142,
           "page": null}]})";
    inputs.icon = [](unsigned id) -> std::optional<std::string> {
        return id == 7 ? std::optional<std::string>("<svg id=\"warning\"></svg>") : std::nullopt;
    };
    const PaletteHtml drawn = DrawPaletteHtml(inputs);
    EXPECT_EQ(std::pair(drawn.width, drawn.height), std::pair(300 + 2 * 12 + 2, 200 + 24 + 2 * 12 + 2));
    EXPECT_THAT(drawn.html, HasSubstr("<title>Palette &lt;1.3&gt;</title>"));
    EXPECT_THAT(drawn.html, HasSubstr("<div class=\"row selected\" data-row=\"1\""));
    EXPECT_THAT(drawn.html, HasSubstr("<svg id=\"warning\"></svg></span>&lt;b&gt;walls&lt;/b&gt;"));
    EXPECT_THAT(drawn.html,
                HasSubstr("<div class=\"item disabled button\" style=\"left:3px;top:103px;width:38px;"
                          "height:26px;\" data-item=\"2\" data-kind=\"iconButton\" title=\"Select\"><span "
                          "class=\"icon\">[9]</span></div>"));
    // The live page finds the panel, item and row a click landed on by these.
    EXPECT_THAT(drawn.html, HasSubstr("class=\"header inactive\" data-panel=\"2\" data-expanded=\"false\" "
                                      "style=\"top:142px;"));
    EXPECT_THAT(drawn.html, HasSubstr("<div class=\"page\" data-panel=\"1\""));
    EXPECT_THAT(drawn.html, HasSubstr("data-item=\"1\" data-kind=\"listBox\">"));
    EXPECT_THROW(DrawPaletteHtml(PaletteHtmlInputs{R"({"kind": "palette"})", {}, {}}), std::runtime_error);
}

} // namespace
} // namespace SimTest
