#include "core/search_command.h"

#include <functional>
#include <optional>

#include "core/request_packets.h"
#include "core/text_conversions.h"

namespace cobalin {

namespace {

// "--name=value" or "--name value"; false when the option is not `name`.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& name, std::string& value,
               std::string& error) {
    const std::string& a = args[i];
    if (a == name) {
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return true;
        }
        value = args[++i];
        return true;
    }
    if (a.rfind(name + "=", 0) == 0) {
        value = a.substr(name.size() + 1);
        return true;
    }
    return false;
}

// A checked address as the socket takes it: "192.168.001.5" or " 192.168.1.5"
// becomes "192.168.1.5".
std::string Normalized(const std::string& address) {
    const auto quad = ParseDottedQuad(address);
    return quad ? FormatDotted(*quad) : address;
}

}  // namespace

namespace {

// The options as given, before they are checked against each other.
struct GivenOptions {
    std::optional<std::string> network, address, port, seconds;
    bool json = false, csv = false;
};

// `more` reads an argument only another command knows (true when it did).
using MoreArguments = std::function<bool(const std::vector<std::string>& args, size_t& i, std::string& error)>;

void ReadArguments(const std::vector<std::string>& args, SearchCommandOptions& o, GivenOptions& g,
                   const MoreArguments& more = nullptr) {
    for (size_t i = 0; i < args.size() && o.error.empty(); ++i) {
        const std::string& a = args[i];
        std::string value;
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--json") {
            g.json = true;
        } else if (a == "--csv") {
            g.csv = true;
        } else if (TakeValue(args, i, "--network", value, o.error)) {
            g.network = value;
        } else if (TakeValue(args, i, "--address", value, o.error)) {
            g.address = value;
        } else if (TakeValue(args, i, "--port", value, o.error)) {
            g.port = value;
        } else if (TakeValue(args, i, "--seconds", value, o.error)) {
            g.seconds = value;
        } else if (TakeValue(args, i, "--home", value, o.error)) {
            o.home = value;
        } else if (more && more(args, i, o.error)) {
        } else {
            o.error = (a.rfind("-", 0) == 0 ? "unknown option " : "unexpected argument ") + a;
        }
    }
}

// The first reason the options cannot be used together; empty when they can.
std::string Conflict(const GivenOptions& g) {
    if (g.json && g.csv) return "--json and --csv cannot be used together";
    if (g.network && g.address) return "--network and --address cannot be used together";
    if (g.address && g.port) return "--port applies to a network search; an address search always asks port 8890";
    if (g.network && !IsValidAddress(*g.network, false)) return "not a network address: \"" + *g.network + "\"";
    if (g.address && !IsValidAddress(*g.address, true)) return "not a device address: \"" + *g.address + "\"";
    return {};
}

}  // namespace

namespace {

SearchCommandOptions ParseSearchOptions(const std::vector<std::string>& args, const char* envHome,
                                        const MoreArguments& more) {
    SearchCommandOptions o;
    if (envHome && *envHome) o.home = envHome;
    GivenOptions g;
    ReadArguments(args, o, g, more);
    if (!o.error.empty() || o.help) return o;
    o.error = Conflict(g);
    if (!o.error.empty()) return o;
    if (g.port) {
        const auto n = ParseWholeNumber(*g.port, 1, 65535);
        if (!n) {
            o.error = "not a port (1-65535): \"" + *g.port + "\"";
            return o;
        }
        o.remotePort = static_cast<int>(*n);
    }
    if (g.seconds) {
        const auto s = ParseDecimal(*g.seconds);
        if (!s || !(*s > 0) || *s > kMaxSearchSeconds) {
            o.error = "not a listening time (seconds above 0, at most 3600): \"" + *g.seconds + "\"";
            return o;
        }
        o.seconds = *s;
    }
    if (g.address) {
        o.host = Normalized(*g.address);
        o.type = SearchAddress;
        o.remotePort = kCommandPort;
    } else {
        if (g.network) o.host = Normalized(*g.network);
        o.type = SearchNetwork;
    }
    o.format = g.json ? ReportFormat::Json : g.csv ? ReportFormat::Csv : ReportFormat::Text;
    return o;
}

}  // namespace

SearchCommandOptions ParseSearchCommand(const std::vector<std::string>& args, const char* envHome) {
    return ParseSearchOptions(args, envHome, nullptr);
}

ConfigureCommandOptions ParseConfigureCommand(const std::vector<std::string>& args, const char* envHome) {
    ConfigureCommandOptions c;
    c.search = ParseSearchOptions(args, envHome, [&c](const std::vector<std::string>& a, size_t& i, std::string& error) {
        std::string value;
        if (a[i] == "--check") return c.check = true;
        if (TakeValue(a, i, "--backup", value, error)) {
            if (value.empty() && error.empty()) error = "--backup needs a folder";
            c.backup = value;
            return true;
        }
        // The plan: a file name, or "-" for standard input.
        if (c.plan.empty() && (a[i] == "-" || a[i].rfind("-", 0) != 0)) return c.plan = a[i], true;
        return false;
    });
    if (!c.search.error.empty() || c.search.help) return c;
    if (c.search.format == ReportFormat::Csv) c.search.error = "--csv is for cobalin search; configure prints text or --json";
    else if (c.plan.empty()) c.search.error = "no plan given (a CSV file, or - for standard input)";
    return c;
}

std::string ConfigureUsageText() {
    return "Usage: cobalin configure PLAN.csv [--check] [--json] [--backup DIR]\n"
           "                         [--network A.B.C.255 | --address A.B.C.D] [--port N]\n"
           "                         [--seconds S] [--home DIR]\n"
           "Configures every device a plan names, as the window's update does, all at once,\n"
           "then asks again every second until each device is back holding what was\n"
           "written, or the window's countdown and one more search have passed.\n\n"
           "  PLAN.csv             a CSV file with a header row (mac, password and the\n"
           "                       keys of the parameters to set; the README lists them),\n"
           "                       readable by its owner only; - reads standard input;\n"
           "                       a from_backup column restores a backup first\n"
           "  --check              send no write; report what would change\n"
           "  --json               one JSON array of objects, one per plan row\n"
           "  --backup DIR         save each device's record there before writing it\n"
           "  --network, --address, --port, --seconds, --home   as for cobalin search\n"
           "  --help               print this text and exit\n\n"
           "Ctrl-C, SIGTERM or SIGHUP stops starting devices; those started are written,\n"
           "verified and reported, the others reported as interrupted.\n\n"
           "Exit status: 0 every row unchanged or updated (with --check: every row could\n"
           "be applied), 1 some row not, or a signal came, 2 a bad plan or options, an\n"
           "unsafe backup folder, or a port taken: nothing was sent.\n";
}

std::string SearchUsageText() {
    return "Usage: cobalin search [--network A.B.C.255 | --address A.B.C.D] [--port N]\n"
           "                      [--json | --csv] [--seconds S] [--home DIR]\n"
           "Runs the window's search without a window and prints every device found.\n\n"
           "  (no address)         any network: a broadcast to 255.255.255.255, port 8888\n"
           "  --network A.B.C.255  one network: its broadcast address, port 8888\n"
           "  --address A.B.C.D    one device: its address, port 8890\n"
           "  --port N             the port of a network search (default 8888). The\n"
           "                       devices answer the full request on 8888 and 8890 only;\n"
           "                       to any other port the request is the single byte 0x00,\n"
           "                       as the window sends it\n"
           "  --json               one JSON array of objects (keys in the README)\n"
           "  --csv                CSV with a header row and CRLF line ends\n"
           "  --seconds S          listen S seconds (default 5.7; the LAN-module query\n"
           "                       leaves on the 9th of 19 ticks)\n"
           "  --home DIR           the program folder whose Setting.ini is read\n"
           "                       ([RunMode] SearchRoutedOnly); also COBALIN_HOME\n"
           "  --help               print this text and exit\n\n"
           "Exit status: 0 devices found, 1 none found, 2 an error (a port taken, a bad\n"
           "address or option). Passwords are never printed.\n";
}

}  // namespace cobalin
