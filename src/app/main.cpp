#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/data_root.h"
#include "app/options.h"
#include "app/shell.h"
#include "platform/platform.h"
#include "sound/module_warmup.h"

int main(int argc, char** argv) {
    const char* program = "tessaline";
    const ParsedOptions parsed = parseOptions(argc, argv);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program, parsed.error.c_str(), program);
        return 2;
    }
    if (parsed.options.help) {
        std::fputs(optionsHelp(program).c_str(), stdout);
        return 0;
    }
    if (parsed.options.version) {
        std::printf("%s %s\n", program, VEXEL_VERSION);
        return 0;
    }
    if (parsed.options.listDisplays || parsed.options.display >= 0) {
        const std::vector<platform::DisplayInfo> displays = platform::listDisplays();
        if (parsed.options.listDisplays) {
            if (displays.empty()) {
                std::fprintf(stderr, "%s: no display to list (is DISPLAY set?)\n", program);
                return 1;
            }
            std::printf("displays:\n%s", displayList(displays).c_str());
            return 0;
        }
        // Without any display the window's own failure says why, as ever.
        if (!displays.empty() && static_cast<size_t>(parsed.options.display) >= displays.size()) {
            std::fprintf(stderr, "%s: --display: no display %d; the displays:\n%s", program,
                         static_cast<int>(parsed.options.display), displayList(displays).c_str());
            return 2;
        }
    }
    // Not finding the data is left to the loader to report, with its box.
    // VEXEL_INSTALLED_DATA_ROOT stands in for the installed data folder; set
    // empty (as the tests do) there is none, so that a show installed on the
    // machine does not answer for data that is missing.
    const char* installedRoot = std::getenv("VEXEL_INSTALLED_DATA_ROOT");
    (void)enterDataRoot(platform::executableDirectory(),
                        installedRoot != nullptr ? installedRoot : VEXEL_INSTALLED_DATA_ROOT);
    return runShow(parsed.options, &sound::warmModuleLibrary);
}
