#include <cstdio>

#include "app/options.h"
#include "app/shell.h"
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
    return runShow(parsed.options, &sound::warmModuleLibrary);
}
