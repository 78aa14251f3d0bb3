#include "tree/message_name_scan.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <regex>
#include <set>

namespace vael::tree {

namespace {

// Calls whose name argument is a message sent (or queried) on a bus.
const std::set<std::string> sending = {"sendNamed",          "sendNamedEmpty",
                                       "sendNowNamed",       "sendNowNamedEmpty",
                                       "queryNamed",         "queryNamedEmpty",
                                       "sendToNamed",        "sendToNamedEmpty",
                                       "sendToListNamed",    "sendToListNamedEmpty",
                                       "queryToNamed",       "queryToNamedEmpty",
                                       "queryToListNamed",   "queryToListNamedEmpty",
                                       "parentSendNamed",    "parentSendNamedEmpty",
                                       "parentQueryNamed",   "parentQueryNamedEmpty",
                                       "parentSendNowNamed", "parentSendNowNamedEmpty",
                                       "postToSelf",         "sendNamedIfAttached",
                                       "sendNumber",         "sendArrow",
                                       "sendUnitReport",     "showMarker",
                                       "takeTheActivation",  "sendPoint"};
// Calls that register a handler of the named message.
const std::set<std::string> handling = {"connectNamed", "connectOnce", "parentConnectNamed"};
// Calls that name a message without sending or handling it.
const std::set<std::string> naming = {"disconnectNamed",
                                      "parentDisconnectNamed",
                                      "blockForwardingNamed",
                                      "unblockForwardingNamed",
                                      "blockEventNamed",
                                      "unblockEventNamed",
                                      "isConnected",
                                      "registerWithId",
                                      "disconnectEach",
                                      "isNamed",
                                      "isEvent",
                                      "is",
                                      "if",
                                      "while",
                                      "for",
                                      "switch",
                                      "return"};
// The statements among them: a literal there counts only as the argument of a call that names a message.
const std::set<std::string> statements = {"if", "while", "for", "switch", "return"};
// Calls that only turn a name into an id; the call around them decides.
const std::set<std::string> wrapping = {"getId", "named", "BusMessage", "string"};
const std::set<std::string> idLookups = {"getId", "named"};
// Calls that hand an id on to be sent later: an animation's command and its done event.
const std::set<std::string> handingOn = {"LogicalCommandInfo", "command", "movementFinished", "Animate"};

bool identChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Skips a literal that starts at i (a quote); returns the index after its closing quote.
std::size_t skipLiteral(const std::string& s, std::size_t i) {
    const char quote = s[i];
    for (++i; i < s.size() && s[i] != quote; ++i)
        if (s[i] == '\\') ++i;
    return std::min(i + 1, s.size());
}

struct Enclosing {
    char opener; // '(' or '{', 0 for none
    std::string function;
    std::size_t at = 0; // where the function's name begins
};

// The calls and braces around position pos, innermost first, within the statement.
std::vector<Enclosing> enclosing(const std::string& s, std::size_t pos) {
    std::vector<Enclosing> found;
    int parens = 0, braces = 0;
    for (std::size_t i = pos; i-- > 0 && found.size() < 4;) {
        const char c = s[i];
        if (c == '"') {
            while (i > 0 && !(s[i - 1] == '"' && (i < 2 || s[i - 2] != '\\')))
                --i;
            if (i > 0) --i;
        } else if (c == ')') {
            ++parens;
        } else if (c == '(') {
            if (parens > 0) {
                --parens;
                continue;
            }
            std::size_t end = i;
            while (end > 0 && std::isspace(static_cast<unsigned char>(s[end - 1])))
                --end;
            std::size_t begin = end;
            while (begin > 0 && identChar(s[begin - 1]))
                --begin;
            found.push_back({'(', s.substr(begin, end - begin), begin});
        } else if (c == '}') {
            ++braces;
        } else if (c == '{') {
            if (braces > 0) {
                --braces;
                continue;
            }
            found.push_back({'{', ""});
        } else if (c == ';' && parens == 0) {
            break;
        }
    }
    return found;
}

// A handler table's row: the name, perhaps a numbered event, then the handler.
bool handlerRowFollows(const std::string& s, std::size_t after) {
    static const std::regex row(R"(^\s*,\s*(?:[A-Za-z0-9_]+\s*,\s*)?(?:on[A-Z]|&|[A-Za-z_]+::on[A-Z]))");
    return std::regex_search(s.begin() + static_cast<std::ptrdiff_t>(after), s.end(), row);
}

bool rowStarts(const std::string& s, std::size_t at) {
    while (at > 0 && std::isspace(static_cast<unsigned char>(s[at - 1])))
        --at;
    return at > 0 && s[at - 1] == '{';
}

// True when the text before `at` assigns a command's event (`x.event = `).
bool eventAssigned(const std::string& s, std::size_t at) {
    static const std::regex assigned(R"(\bevent\s*=\s*(?:[A-Za-z_:]+::)?$)");
    const std::size_t from = at > 40 ? at - 40 : 0;
    return std::regex_search(s.begin() + static_cast<std::ptrdiff_t>(from),
                             s.begin() + static_cast<std::ptrdiff_t>(at), assigned);
}

// The role of the name at [begin, end): a constant stands wherever it stands, a literal counts only as
// an argument of a call that takes a message name, or as the name of a handler table's row.
std::optional<NameRole> roleAt(const std::string& s, std::size_t begin, std::size_t end, bool constant) {
    bool wrapped = false, lookedUp = false;
    const std::vector<Enclosing> around = enclosing(s, begin);
    for (std::size_t k = 0; k < around.size(); ++k) {
        const Enclosing& e = around[k];
        if (e.opener == '{') {
            const bool row = k == 0 && rowStarts(s, begin) && handlerRowFollows(s, end);
            if (!row) return constant ? std::optional(NameRole::Other) : std::nullopt;
            // A table of rows handed straight to a call that takes handlers off is no registration.
            for (std::size_t outer = k + 1; outer < around.size(); ++outer)
                if (around[outer].opener == '(')
                    return naming.count(around[outer].function) ? NameRole::Other : NameRole::Handled;
            return NameRole::Handled;
        }
        if (wrapping.count(e.function)) {
            wrapped = true;
            lookedUp = lookedUp || idLookups.count(e.function);
            continue;
        }
        if (handling.count(e.function)) return NameRole::Handled;
        if (sending.count(e.function)) return NameRole::Sent;
        if (naming.count(e.function)) {
            // A bare literal in a condition is some other word compared, not a message's name.
            if (!constant && !wrapped && statements.count(e.function)) return std::nullopt;
            return NameRole::Other;
        }
        if (constant || (wrapped && handingOn.count(e.function))) return NameRole::Sent;
        // A literal turned into an id is a message's name whatever is done with the id.
        return lookedUp ? std::optional(NameRole::Other) : std::nullopt;
    }
    // A constant outside any call is a name chosen for a send further on; turned into a command's event,
    // it goes with the command.
    if (constant && around.empty()) return NameRole::Sent;
    if (constant && lookedUp && eventAssigned(s, around.back().at)) return NameRole::Sent;
    if (constant || lookedUp) return NameRole::Other;
    return std::nullopt;
}

} // namespace

std::string blankComments(const std::string& text) {
    std::string out = text;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '"' || text[i] == '\'') {
            i = skipLiteral(text, i);
        } else if (text.compare(i, 2, "//") == 0) {
            const std::size_t end = std::min(text.find('\n', i), text.size());
            std::fill(out.begin() + static_cast<std::ptrdiff_t>(i),
                      out.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            i = end;
        } else if (text.compare(i, 2, "/*") == 0) {
            const std::size_t close = text.find("*/", i + 2);
            const std::size_t end = close == std::string::npos ? text.size() : close + 2;
            for (std::size_t k = i; k < end; ++k)
                if (out[k] != '\n') out[k] = ' ';
            i = end;
        } else {
            ++i;
        }
    }
    return out;
}

std::map<std::string, std::string> readNameConstants(const std::string& header) {
    static const std::regex constant(
        R"(inline\s+constexpr\s+char\s+([A-Za-z_][A-Za-z0-9_]*)\s*\[\]\s*=\s*"([^"]*)\")");
    std::map<std::string, std::string> names;
    const std::string text = blankComments(header);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), constant); it != std::sregex_iterator();
         ++it)
        names[(*it)[1]] = (*it)[2];
    return names;
}

std::vector<NameUse> scanSource(const std::string& text,
                                const std::map<std::string, std::string>& constants) {
    const std::string s = blankComments(text);
    std::vector<NameUse> uses;
    const auto lineOf = [&](std::size_t at) {
        return 1 + static_cast<int>(std::count(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(at), '\n'));
    };
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '\'') {
            i = skipLiteral(s, i);
        } else if (s[i] == '"') {
            const std::size_t end = skipLiteral(s, i);
            const std::string body = s.substr(i + 1, end - i - 2);
            // Names are words, some with spaces between them or a question mark at the end.
            const bool nameLike = !body.empty() && std::isalpha(static_cast<unsigned char>(body[0])) &&
                                  std::all_of(body.begin(), body.end(),
                                              [](char c) { return identChar(c) || c == ' ' || c == '?'; });
            if (nameLike)
                if (auto role = roleAt(s, i, end, false)) uses.push_back({body, *role, lineOf(i), true});
            i = end;
        } else if (s.compare(i, 5, "msg::") == 0 && (i == 0 || !identChar(s[i - 1]))) {
            std::size_t end = i + 5;
            while (end < s.size() && identChar(s[end]))
                ++end;
            const auto known = constants.find(s.substr(i + 5, end - i - 5));
            if (known != constants.end())
                if (auto role = roleAt(s, i, end, true)) uses.push_back({known->second, *role, lineOf(i)});
            i = end;
        } else {
            ++i;
        }
    }
    return uses;
}

} // namespace vael::tree
