// The inspector's options and its help text.
#include "inspect/options.h"

#include "platform/text.h"

#include <string_view>

namespace orvex::inspect {

const char* const kUsage =
    "usage: orvex-inspect [OPTIONS] [--] PATH\n"
    "  PATH           a data folder, or one of its files: _model.alm, _mod.sm, camera.cam,\n"
    "                 Views.cam, _mod.sync\n"
    "  --validate     print only the problems, one a line as FILE:OFFSET: or FILE:LINE:\n"
    "  --json         print the summary and the problems as JSON\n"
    "  --gltf FILE    write the scene as binary glTF 2.0 (renderer axes under a Z-up to Y-up\n"
    "                 root); nothing else goes to standard output unless asked for\n"
    "  --html FILE    write a self-contained HTML page: the scene in 3D (three.js), the tables\n"
    "                 and the problems; opens from disk in a browser, needs no network\n"
    "  --mesh-budget MB\n"
    "                 past this many megabytes of meshes (default 25) the page draws each\n"
    "                 solid as its bounding box\n"
    "  --summary      print the readable summary as well when writing --gltf or --html\n"
    "  --version      print the version and the commit it was built from\n"
    "  -h, --help     print this help\n"
    "exit status:\n"
    "  0  nothing wrong\n"
    "  1  problems found\n"
    "  2  usage error, nothing readable to inspect, the output cannot be written,\n"
    "     out of memory or any other failure\n";

namespace {

struct OptionSpec {
    std::u16string_view name;
    bool takesValue;
    void (*apply)(Options&, std::u16string&&);
};

constexpr OptionSpec kOptions[] = {
    {u"--validate", false, [](Options& o, std::u16string&&) { o.validate = true; }},
    {u"--json", false, [](Options& o, std::u16string&&) { o.json = true; }},
    {u"--summary", false, [](Options& o, std::u16string&&) { o.summary = true; }},
    {u"--gltf", true, [](Options& o, std::u16string&& v) { o.gltf = std::move(v); }},
    {u"--html", true, [](Options& o, std::u16string&& v) { o.html = std::move(v); }},
    {u"--mesh-budget", true, [](Options& o, std::u16string&& v) { o.meshBudgetText = std::move(v); }},
    {u"--help", false, [](Options& o, std::u16string&&) { o.help = true; }},
    {u"-h", false, [](Options& o, std::u16string&&) { o.help = true; }},
    {u"--version", false, [](Options& o, std::u16string&&) { o.version = true; }},
};

std::string quoted(std::u16string_view text) { return "'" + toUtf8(text) + "'"; }

} // namespace

ParsedCommandLine parseCommandLine(const std::vector<std::u16string>& args) {
    ParsedCommandLine out;
    Options& o = out.options;
    bool optionsEnded = false, havePath = false;
    for (size_t i = 0; i < args.size() && out.error.empty(); ++i) {
        std::u16string_view a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != u'-') {
            if (havePath) {
                out.error = "more than one path: " + quoted(o.path) + " and " + quoted(a);
            } else {
                o.path = std::u16string(a);
                havePath = true;
            }
            continue;
        }
        if (a == u"--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = a.find(u'=');
        const std::u16string_view name = a.substr(0, equals);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : kOptions)
            if (s.name == name) spec = &s;
        if (!spec) {
            out.error = "unknown option " + quoted(name);
        } else if (!spec->takesValue) {
            if (equals != std::u16string_view::npos)
                out.error = "option " + quoted(name) + " takes no value";
            else
                spec->apply(o, {});
        } else {
            std::u16string value;
            if (equals != std::u16string_view::npos)
                value = std::u16string(a.substr(equals + 1));
            else if (i + 1 < args.size())
                value = args[++i];
            else
                out.error = "option " + quoted(name) + " needs a file name";
            if (out.error.empty() && value.empty())
                out.error = "option " + quoted(name) + " needs a file name, not an empty one";
            if (out.error.empty()) spec->apply(o, std::move(value));
        }
    }
    if (out.error.empty() && !o.meshBudgetText.empty()) {
        uint64_t megabytes = 0;
        bool digits = o.meshBudgetText.size() <= 9;
        for (char16_t c : o.meshBudgetText) {
            digits = digits && c >= u'0' && c <= u'9';
            megabytes = megabytes * 10 + (c - u'0');
        }
        if (digits)
            o.meshBudget = megabytes * 1'000'000;
        else
            out.error = "option '--mesh-budget' needs a whole number of megabytes, not " + quoted(o.meshBudgetText);
    }
    if (out.error.empty() && !havePath && !o.help && !o.version) out.error = "no path given";
    return out;
}

} // namespace orvex::inspect
