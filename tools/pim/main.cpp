// velvane-pim: lists, searches and edits the contacts in the user's contact database from a
// terminal, moves them in and out as vCards and fills a demo book. It writes through the same
// store as the program, so a running Velvane hears of every change.

#include <string_view>

#include "tools/pim/tool.h"

int main(int argc, char** argv) {
    using namespace pim_tool;
    const Args args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string_view command = args[0];
    if (command == "search") {
        return run_search(args);
    }
    if (command == "import") {
        return run_import(args);
    }
    if (command == "export") {
        return run_export(args);
    }
    if (command == "account") {
        return run_account(args);
    }
    if (command == "sync") {
        return run_sync(args);
    }
    if (command == "demo") {
        return run_demo(args);
    }
    return run_book_command(command, args);
}
