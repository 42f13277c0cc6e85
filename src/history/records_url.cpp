#include "history/records_url.h"

#include <charconv>
#include <string_view>

namespace qs {
namespace {

constexpr std::string_view kSchemes[] = {"postgresql://", "postgres://"};
constexpr std::string_view kSslModes[] = {"disable", "allow",     "prefer",
                                          "require", "verify-ca", "verify-full"};
constexpr int kMaxConnectTimeoutSeconds = 300;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decodes %XX escapes; false for a broken escape or a decoded control character.
bool Decode(std::string_view text, const char* part, std::string& out, std::string& error) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%') {
            const bool complete = i + 2 < text.size();
            const int high = complete ? HexValue(text[i + 1]) : -1;
            const int low = complete ? HexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                error = std::string("The ") + part + " has a broken '%' escape.";
                return false;
            }
            c = static_cast<char>(high * 16 + low);
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            error = std::string("The ") + part + " holds a control character.";
            return false;
        }
        out += c;
    }
    return true;
}

bool Port(std::string_view text, int& port, std::string& error) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > 65535) {
        error = "The port '" + std::string(text) + "' is not a number from 1 to 65535.";
        return false;
    }
    port = value;
    return true;
}

// Values that go into the server's connection options must stay one word.
bool PlainWord(const std::string& value) {
    for (char c : value)
        if (c == ' ' || c == ';' || c == '\'' || c == '\\') return false;
    return !value.empty();
}

bool Parameter(std::string_view pair, SqlTarget& target, bool& hostGiven, std::string& error) {
    const std::size_t eq = pair.find('=');
    if (eq == std::string_view::npos) {
        error = "The parameter '" + std::string(pair) + "' has no value (name=value).";
        return false;
    }
    const std::string name(pair.substr(0, eq));
    std::string value;
    if (!Decode(pair.substr(eq + 1), ("parameter " + name).c_str(), value, error)) return false;
    if (name == "host") {
        if (hostGiven) {
            error = "The host is given twice (in the address and as a parameter).";
            return false;
        }
        if (value.empty() || value[0] != '/') {
            error = "The host parameter must be the server's socket folder (starting with '/').";
            return false;
        }
        target.host = value;
        hostGiven = true;
        return true;
    }
    if (name == "port") return Port(value, target.port, error);
    if (name == "connect_timeout") {
        int seconds = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), seconds);
        if (value.empty() || ec != std::errc() || end != value.data() + value.size() ||
            seconds < 1 || seconds > kMaxConnectTimeoutSeconds) {
            error = "connect_timeout must be a number of seconds from 1 to " +
                    std::to_string(kMaxConnectTimeoutSeconds) + ".";
            return false;
        }
        target.connectTimeoutSeconds = seconds;
        return true;
    }
    if (name == "sslmode") {
        for (std::string_view mode : kSslModes) {
            if (value != mode) continue;
            target.options.emplace_back("sslmode", value);
            return true;
        }
        error = "sslmode '" + value +
                "' is not one of disable, allow, prefer, require, verify-ca, verify-full.";
        return false;
    }
    error = "The parameter '" + name +
            "' is not known here (host, port, connect_timeout and sslmode are).";
    return false;
}

bool HostAndPort(std::string_view text, SqlTarget& target, std::string& error) {
    std::string_view host = text;
    std::string_view port;
    bool hasPort = false;
    if (!text.empty() && text[0] == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            error = "The IPv6 address has no closing ']'.";
            return false;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest[0] != ':') {
                error = "Only ':PORT' may follow the IPv6 address.";
                return false;
            }
            port = rest.substr(1);
            hasPort = true;
        }
    } else if (const std::size_t colon = text.rfind(':'); colon != std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        hasPort = true;
    }
    if (hasPort && !Port(port, target.port, error)) return false;
    return Decode(host, "host", target.host, error);
}

// Writes `text` with every character but letters, digits, "-._~" and those in `keep` as %XX.
std::string Encoded(const std::string& text, std::string_view keep = "") {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' || c == '~' ||
                           keep.find(c) != std::string_view::npos;
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 0x0F];
        }
    }
    return out;
}

}  // namespace

bool ParseRecordsUrl(const std::string& url, SqlTarget& result, std::string& error) {
    std::string_view rest;
    for (std::string_view scheme : kSchemes) {
        if (url.compare(0, scheme.size(), scheme) == 0)
            rest = std::string_view(url).substr(scheme.size());
    }
    if (rest.data() == nullptr) {
        error =
            "A shared records address starts with postgresql:// (for example "
            "postgresql://tech@server/records).";
        return false;
    }
    for (char c : url) {
        if (c == ' ' || c == '#' || static_cast<unsigned char>(c) < 0x20) {
            error = "The address holds a blank, '#' or a control character; write them as %XX.";
            return false;
        }
    }
    SqlTarget target;
    target.dialect = SqlDialect::Postgres;

    std::string_view query;
    if (const std::size_t q = rest.find('?'); q != std::string_view::npos) {
        query = rest.substr(q + 1);
        rest = rest.substr(0, q);
    }
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || slash + 1 == rest.size()) {
        error = "The address names no database (postgresql://USER@HOST/DATABASE).";
        return false;
    }
    std::string_view authority = rest.substr(0, slash);
    if (!Decode(rest.substr(slash + 1), "database", target.database, error)) return false;
    if (target.database.find('/') != std::string::npos) {
        error = "The database name '" + target.database + "' holds a '/'.";
        return false;
    }

    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos || at == 0) {
        error = "The address names no user (postgresql://USER@HOST/DATABASE).";
        return false;
    }
    const std::string_view userInfo = authority.substr(0, at);
    const std::size_t colon = userInfo.find(':');
    if (!Decode(userInfo.substr(0, colon), "user", target.user, error)) return false;
    if (target.user.empty()) {
        error = "The address names no user (postgresql://USER@HOST/DATABASE).";
        return false;
    }
    if (colon != std::string_view::npos &&
        !Decode(userInfo.substr(colon + 1), "password", target.password, error)) {
        return false;
    }
    if (!HostAndPort(authority.substr(at + 1), target, error)) return false;

    bool hostGiven = !target.host.empty();
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        if (!Parameter(query.substr(0, amp), target, hostGiven, error)) return false;
        if (amp == std::string_view::npos) break;
        query = query.substr(amp + 1);
    }
    for (const auto& [key, value] : target.options) {
        if (!PlainWord(value)) {
            error = "The value of " + key + " must be one word.";
            return false;
        }
    }
    result = target;
    return true;
}

std::string RecordsTargetText(const SqlTarget& target) {
    if (target.dialect == SqlDialect::Sqlite) return target.path;
    std::string text = "postgresql://" + Encoded(target.user) + "@";
    const bool socket = !target.host.empty() && target.host[0] == '/';
    const bool ipv6 = target.host.find(':') != std::string::npos;
    if (!socket) text += ipv6 ? "[" + Encoded(target.host, ":") + "]" : Encoded(target.host);
    if (target.port > 0) text += ":" + std::to_string(target.port);
    text += "/" + Encoded(target.database);
    if (socket) text += "?host=" + Encoded(target.host, "/");
    return text;
}

}  // namespace qs
