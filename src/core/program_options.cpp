#include "core/program_options.h"

#include "core/text_conversions.h"

namespace cobalin {

ProgramOptions ParseProgramOptions(const std::vector<std::string>& args, const char* envHome) {
    ProgramOptions o;
    if (envHome && *envHome) o.home = envHome;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--drive") {
            o.drive = true;
        } else if (a == "--home") {
            if (i + 1 >= args.size()) {
                o.error = "--home needs a folder";
                return o;
            }
            o.home = args[++i];
        } else if (a.rfind("--home=", 0) == 0) {
            o.home = a.substr(7);
        } else if (a.rfind("-", 0) == 0 && a.rfind("-platform", 0) != 0) {
            o.error = "unknown option " + a;
            return o;
        }
    }
    return o;
}

std::string UsageText() {
    return "Usage: cobalin [--home DIR] [--drive]\n"
           "       cobalin search [OPTIONS]   (without a window; cobalin search --help)\n"
           "       cobalin configure PLAN.csv [OPTIONS]   (cobalin configure --help)\n"
           "Finds, inspects and configures network rack equipment on the LAN.\n\n"
           "  --home DIR   program folder holding Setting.ini, logos, fill data sets\n"
           "               and backups (default: the executable's folder;\n"
           "               also COBALIN_HOME)\n"
           "  --drive      read UI driver commands from standard input\n"
           "  --version    print the version and exit\n"
           "  --help       print this text and exit\n";
}

double ReadTimeScale(const char* value) {
    const auto v = value ? ParseDecimal(value) : std::nullopt;
    return (v && *v > 0 && *v <= 1000) ? *v : 1.0;
}

}  // namespace cobalin
